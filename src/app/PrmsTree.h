#pragma once
// The parameter tree of a type "19" controller: the task, its groups and the
// parameters a blank may refer to. The frame owns the catalogue; the catalogue
// makes the nodes while it loads.

#include "catalogue/moduletsk.h"

#include <QWidget>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

class TTreeFrame : public QWidget, private rastrova::catalogue::CatalogueTree,
                   private rastrova::catalogue::MessageSink {
    Q_OBJECT
public:
    explicit TTreeFrame(QWidget* parent = nullptr);
    ~TTreeFrame() override;

    rastrova::catalogue::ModuleTSK& catalogue() { return catalogue_; }
    const rastrova::catalogue::ModuleTSK& catalogue() const { return catalogue_; }

    // Clears the catalogue and loads the task file from the database, filling the tree.
    void loadTask(const QString& databasePath, const QString& taskFile);
    // The catalogue is loaded again while the tree holds no more than one node.
    bool holdsAtMostOneNode() const;

    // The catalogue entry of the selected node of level 2, or nullptr.
    const rastrova::catalogue::CatalogueEntry* selectedEntry() const;
    // A host that needs the selection installs its own handler; it runs after the frame's.
    void setChangeHandler(std::function<void(const rastrova::catalogue::CatalogueEntry*)> handler)
    {
        hostChange_ = std::move(handler);
    }

    QTreeWidget* PrmTreeView;

private:
    void PrmTreeViewChange();

    // The catalogue's tree and its messages.
    rastrova::catalogue::NodeHandle addRoot(const rastrova::catalogue::ModuleTSK& catalogue) override;
    void setRootText(rastrova::catalogue::NodeHandle root, const QString& text) override;
    rastrova::catalogue::NodeHandle addGroup(rastrova::catalogue::NodeHandle root, const QString& text,
                                             const rastrova::catalogue::SrrGrObject& group) override;
    rastrova::catalogue::NodeHandle addParameter(rastrova::catalogue::NodeHandle groupNode, const QString& text,
                                                 const rastrova::catalogue::CatalogueEntry& entry) override;
    void removeNode(rastrova::catalogue::NodeHandle node) override;
    void message(const QString& caption, const QString& text) override;

    rastrova::catalogue::ModuleTSK catalogue_;
    std::function<void(const rastrova::catalogue::CatalogueEntry*)> hostChange_;
};

// The window that holds a parameter tree frame and is never shown.
class TTreeForm : public QWidget {
    Q_OBJECT
public:
    explicit TTreeForm(QWidget* parent = nullptr);
    TTreeFrame* TreeFrame;
};
