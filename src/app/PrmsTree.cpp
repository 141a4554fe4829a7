#include "PrmsTree.h"

#include "messages.h"

#include <QTreeWidgetItemIterator>

#include <QTreeWidget>
#include <QVBoxLayout>

using namespace rastrova::catalogue;

namespace {
// Level-2 nodes carry their catalogue entry.
constexpr int kEntryRole = Qt::UserRole + 1;
} // namespace

TTreeFrame::TTreeFrame(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TreeFrame"));
    PrmTreeView = new QTreeWidget(this);
    PrmTreeView->setObjectName(QStringLiteral("PrmTreeView"));
    PrmTreeView->setHeaderHidden(true);
    PrmTreeView->setIndentation(19);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PrmTreeView);
    catalogue_.setMessageSink(this);
    connect(PrmTreeView, &QTreeWidget::currentItemChanged, this, &TTreeFrame::PrmTreeViewChange);
}

TTreeFrame::~TTreeFrame()
{
    // The tree view goes with the frame; the catalogue must not touch its nodes then.
    catalogue_.setMessageSink(nullptr);
}

void TTreeFrame::loadTask(const QString& databasePath, const QString& taskFile)
{
    {
        const QSignalBlocker block(PrmTreeView);
        catalogue_.ClearCatalogue();
        PrmTreeView->clear();
    }
    catalogue_.setDatabasePath(databasePath);
    catalogue_.LoadTask(taskFile, this);
    PrmTreeView->expandToDepth(0);
}

bool TTreeFrame::holdsAtMostOneNode() const
{
    // A failed load leaves at most the task's own node.
    QTreeWidgetItemIterator it(PrmTreeView);
    return !*it || !*++it;
}

const CatalogueEntry* TTreeFrame::selectedEntry() const
{
    QTreeWidgetItem* item = PrmTreeView->currentItem();
    if (!item)
        return nullptr;
    return static_cast<const CatalogueEntry*>(item->data(0, kEntryRole).value<const void*>());
}

void TTreeFrame::PrmTreeViewChange()
{
    // The frame itself does nothing with the selection; its host may.
    if (hostChange_)
        hostChange_(selectedEntry());
}

NodeHandle TTreeFrame::addRoot(const ModuleTSK&)
{
    return new QTreeWidgetItem(PrmTreeView);
}

void TTreeFrame::setRootText(NodeHandle root, const QString& text)
{
    static_cast<QTreeWidgetItem*>(root)->setText(0, text);
}

NodeHandle TTreeFrame::addGroup(NodeHandle root, const QString& text, const SrrGrObject&)
{
    return new QTreeWidgetItem(static_cast<QTreeWidgetItem*>(root), QStringList{text});
}

NodeHandle TTreeFrame::addParameter(NodeHandle groupNode, const QString& text, const CatalogueEntry& entry)
{
    auto* item = new QTreeWidgetItem(static_cast<QTreeWidgetItem*>(groupNode), QStringList{text});
    item->setData(0, kEntryRole, QVariant::fromValue(static_cast<const void*>(&entry)));
    return item;
}

void TTreeFrame::removeNode(NodeHandle node)
{
    delete static_cast<QTreeWidgetItem*>(node);
}

void TTreeFrame::message(const QString& caption, const QString& text)
{
    rastrova::app::Messages::show(this, caption, text, rastrova::app::MsgIcon::Error);
}

TTreeForm::TTreeForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TreeForm"));
    TreeFrame = new TTreeFrame(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TreeFrame);
}
