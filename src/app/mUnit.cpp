#include "mUnit.h"

#include "store/scan.h"

#include <QHeaderView>
#include <QStatusBar>
#include <QTreeWidget>

using namespace rastrova::store;

TmForm::TmForm(ProgramPaths paths, QWidget* parent) : QMainWindow(parent), paths_(std::move(paths))
{
    setObjectName(QStringLiteral("mForm"));
    setWindowTitle(QStringLiteral("Растрова - Диалог"));
    Tree = new QTreeWidget(this);
    Tree->setObjectName(QStringLiteral("Tree"));
    Tree->setHeaderHidden(true);
    setCentralWidget(Tree);
    resize(800, 600);
}

void TmForm::ScanBase()
{
    settings_ = readSettings(paths_.settingsSource, paths_.programFolder, paths_.programFolder);
    const ScanResult result = scanBaseFolder(settings_.baseFolder);
    Tree->clear();
    for (const ScannedPrintFile& file : result.printFiles) {
        auto* root = new QTreeWidgetItem(Tree, {file.name});
        auto* archive = new QTreeWidgetItem(root, {QStringLiteral("Архивные бланки")});
        for (const ScannedBlank& blank : file.archive)
            new QTreeWidgetItem(archive, {blank.name});
        auto* hourly = new QTreeWidgetItem(root, {QStringLiteral("Почасовые бланки")});
        for (const ScannedBlank& blank : file.hourly)
            new QTreeWidgetItem(hourly, {blank.name});
    }
    if (result.printFiles.isEmpty())
        new QTreeWidgetItem(Tree, {QStringLiteral("нет")});
    Tree->expandAll();
    if (QTreeWidgetItem* first = Tree->topLevelItem(0))
        Tree->setCurrentItem(first);
    statusBar()->showMessage(settings_.baseFolder);
}
