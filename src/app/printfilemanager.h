#pragma once
// The print-file manager's commands: a new print file, a new blank, "Сохранить
// как", deleting and the blank's properties. The rules are the store's; these ask
// the user, change the files and keep the tree and the open blank in step.

#include "store/blank.h"

#include <QString>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TkForm;
class TVirelTypeDialog;

namespace rastrova::app {

class OpenBlank;
class PrintFileTree;

class PrintFileManager {
public:
    // What the commands need of the window that shows the tree.
    class Window {
    public:
        virtual const QString& baseFolder() const = 0;
        virtual const QString& currentPrintFile() const = 0;
        virtual const QString& currentBlank() const = 0;
        // The node whose blank (or print file) the window shows, or nullptr.
        virtual QTreeWidgetItem* shownNode() const = 0;
        // The tree lost the node the window showed (its signals were blocked).
        virtual void shownNodeGone() = 0;
        // The last print file went: the window shows that there are none.
        virtual void noPrintFilesLeft() = 0;
        // Shows `node` again, as selecting it does: the open blank is saved first.
        virtual void showNode(QTreeWidgetItem* node) = 0;

    protected:
        ~Window() = default;
    };

    struct Parts {
        QWidget* dialogParent;        // where the questions and messages appear
        TkForm* namePanel;            // asks for the name of a new print file or blank
        TVirelTypeDialog* typeDialog; // asks for a blank's controller settings
        QTreeWidget* tree;
        PrintFileTree* nodes;
        OpenBlank* blank;
    };

    PrintFileManager(Window& window, const Parts& parts) : window_(window), p_(parts) {}

    void newPrintFile();
    void newBlank(store::BlankKind kind);
    // Writes the open blank under a name the user chooses; a copy inside a print file
    // of the base folder joins the tree there and becomes the open blank.
    void saveAs();
    // Deletes the selected blank, group of blanks or print file, once the user agrees.
    void deleteSelected();
    // The open blank's controller settings; the blank is saved and reloaded with them.
    void properties();

private:
    QString folderOf(const QString& printFile) const;
    void deleteBlankNode(QTreeWidgetItem* node);
    void deleteGroupNode(QTreeWidgetItem* node);
    void deletePrintFileNode(QTreeWidgetItem* node);

    Window& window_;
    Parts p_;
};

} // namespace rastrova::app
