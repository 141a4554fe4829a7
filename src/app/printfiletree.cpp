#include "printfiletree.h"

#include "mainwindow_shared.h"

#include <QSignalBlocker>
#include <QTreeWidget>

namespace rastrova::app {

using namespace mainwindow;

int PrintFileTree::level(const QTreeWidgetItem* node)
{
    int n = 0;
    for (const QTreeWidgetItem* p = node ? node->parent() : nullptr; p; p = p->parent())
        ++n;
    return n;
}

const QString& PrintFileTree::groupText(store::BlankKind kind)
{
    return kind == store::BlankKind::Archive ? kArchiveGroup : kHourlyGroup;
}

void PrintFileTree::fill(const store::ScanResult& scan)
{
    const QSignalBlocker block(tree_);
    tree_->clear();
    for (const store::ScannedPrintFile& file : scan.printFiles) {
        auto* root = new QTreeWidgetItem(tree_, QStringList{file.name});
        auto* archive = new QTreeWidgetItem(root, QStringList{kArchiveGroup});
        for (const store::ScannedBlank& blank : file.archive)
            new QTreeWidgetItem(archive, QStringList{blank.name});
        auto* hourly = new QTreeWidgetItem(root, QStringList{kHourlyGroup});
        for (const store::ScannedBlank& blank : file.hourly)
            new QTreeWidgetItem(hourly, QStringList{blank.name});
    }
}

void PrintFileTree::showNone()
{
    const QSignalBlocker block(tree_);
    tree_->clear();
    auto* none = new QTreeWidgetItem(QStringList{kNoPrintFiles});
    none->setData(0, kPlaceholderRole, true);
    tree_->addTopLevelItem(none);
}

bool PrintFileTree::hasPrintFiles() const
{
    return tree_->topLevelItemCount() > 0 && !tree_->topLevelItem(0)->data(0, kPlaceholderRole).toBool();
}

QTreeWidgetItem* PrintFileTree::printFile(const QString& name) const
{
    if (!hasPrintFiles())
        return nullptr;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        if (tree_->topLevelItem(i)->text(0) == name)
            return tree_->topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem* PrintFileTree::group(QTreeWidgetItem* printFile, store::BlankKind kind) const
{
    if (!printFile)
        return nullptr;
    const QString& wanted = groupText(kind);
    for (int i = 0; i < printFile->childCount(); ++i)
        if (printFile->child(i)->text(0) == wanted)
            return printFile->child(i);
    return nullptr;
}

QTreeWidgetItem* PrintFileTree::addSorted(QTreeWidgetItem* parent, const QString& text)
{
    auto* item = new QTreeWidgetItem(QStringList{text});
    const int count = parent ? parent->childCount() : tree_->topLevelItemCount();
    int at = 0;
    while (at < count) {
        QTreeWidgetItem* other = parent ? parent->child(at) : tree_->topLevelItem(at);
        if (store::compareNodeText(text, other->text(0)) < 0)
            break;
        ++at;
    }
    if (parent)
        parent->insertChild(at, item);
    else
        tree_->insertTopLevelItem(at, item);
    return item;
}

QTreeWidgetItem* PrintFileTree::addPrintFile(const QString& name)
{
    QTreeWidgetItem* root = addSorted(nullptr, name);
    addSorted(root, kArchiveGroup);
    addSorted(root, kHourlyGroup);
    return root;
}

} // namespace rastrova::app
