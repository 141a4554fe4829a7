#pragma once
// The print-file tree of the main window: print files at the top, each with its
// groups "Архивные бланки" and "Почасовые бланки", and their blanks, every level
// in the order of the scan. A placeholder node "нет" stands for an empty base.

#include "store/blank.h"
#include "store/scan.h"

#include <QString>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;

namespace rastrova::app {

class PrintFileTree {
public:
    explicit PrintFileTree(QTreeWidget* tree) : tree_(tree) {}

    // 0 for a print file, 1 for a group, 2 for a blank.
    static int level(const QTreeWidgetItem* node);

    // Shows the scanned print files, the tree's signals blocked.
    void fill(const store::ScanResult& scan);
    // Empties the tree and shows the placeholder alone.
    void showNone();
    bool hasPrintFiles() const;

    QTreeWidgetItem* printFile(const QString& name) const;
    QTreeWidgetItem* group(QTreeWidgetItem* printFile, store::BlankKind kind) const;
    // Inserts a node at its place in the tree's order (a top-level one without `parent`).
    QTreeWidgetItem* addSorted(QTreeWidgetItem* parent, const QString& text);
    // A print file with its two empty groups.
    QTreeWidgetItem* addPrintFile(const QString& name);

    static const QString& groupText(store::BlankKind kind);

private:
    QTreeWidget* tree_;
};

} // namespace rastrova::app
