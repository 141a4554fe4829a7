#pragma once

// The main window: the print-file manager on the left, the open blank on the
// right, the menus, toolbars and status bar around them.

#include "openblank.h"
#include "printfilemanager.h"
#include "printfiletree.h"

#include "editor/gridops.h"
#include "editor/reflist.h"
#include "status.h"
#include "store/blank.h"
#include "store/settings.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTableView;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

class TAUstr;
class TTreeFrame;
class TkForm;
class Tnform;
class TVirelTypeDialog;

namespace rastrova::app {
class BlankGridView;
class HelpViewer;
class ParamGridView;
} // namespace rastrova::app

class TmForm : public QMainWindow, private rastrova::app::PrintFileManager::Window {
    Q_OBJECT
public:
    TmForm(rastrova::store::ProgramPaths paths, Tnform* nForm, TkForm* kForm, TVirelTypeDialog* typeDialog,
           TAUstr* programmingWindow, QWidget* parent = nullptr);
    ~TmForm() override;

    // What showing the window does first: settings, panel defaults, the scan.
    void FormShow();

    // Fills the print-file tree from the base folder and selects its first node.
    void ScanBase();

    // The state other windows and the tests look at.
    const QString& baseFolder() const override { return baseFolder_; }
    const QString& databasePath() const { return databasePath_; }
    const QString& currentPrintFile() const override { return currentPrintFile_; }
    const QString& currentBlank() const override { return currentBlank_; }
    bool isBlankOpen() const { return openBlank_.isOpen(); }
    const rastrova::store::BlankDocument& blank() const { return openBlank_.document(); }
    rastrova::store::BlankDocument& blank() { return openBlank_.document(); }
    const rastrova::editor::ReferenceList& references() const { return references_; }
    const rastrova::editor::ParameterList& parameters() const { return openBlank_.parameters(); }
    const rastrova::editor::BlankHistory& history() const { return openBlank_.history(); }
    bool isModified() const { return isWindowModified(); }
    void setModified(bool on);

    // The path of the open blank without extension, or an empty string.
    QString blankBasePath() const { return openBlank_.basePath(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Layout.
    void createActions();
    void createMenus();
    void createGridMenu();
    void createToolBars();
    void createPanels();
    QAction* action(const QString& name, const QString& text, const QString& hint = {},
                    const QKeySequence& shortcut = {});

    // The print-file manager.
    void TreeChange(QTreeWidgetItem* node);
    void loadBlank(QTreeWidgetItem* node);
    void showEditing(bool on);
    void NewPrintFileClick();
    void NewBlankClick(rastrova::store::BlankKind kind);
    void NewClick();
    void SaveClick();
    rastrova::Status BuildImageClick(bool reportErrors);
    void ExchangeClick();
    void SaveAsClick();
    void DeleteClick();
    void PropertiesClick();
    void PageSettingsChange();

    // Editing the blank.
    rastrova::editor::Selection selection() const;
    // The history moved: the modified mark, undo and redo follow.
    void historyChanged();
    void UndoClick();
    void RedoClick();
    void ColsRowsClick();
    void MergeClick();
    void SplitClick();
    void EqualWidthsClick();
    void BorderClick(bool on);
    void AddColumnClick();
    void AddRowClick();
    void DeleteColumnClick();
    void DeleteRowClick();
    void CutClick();
    void CopyClick();
    void PasteClick();
    void ClearClick();
    void mgridClick();
    void mgridCellEdited(int col, int row, const QString& oldText, const QString& newText);
    void updatePasteEnabled();
    // The parameters.
    bool AddParamClick();
    void InsertParamClick();
    void InsertParamButtonClick();
    void mgridColumnMoved(int from, int to);
    void mgridContextMenu(const QPoint& pos);
    void mgridRowMoved(int from, int to);
    void appendParameter(const QString& code, const QString& name);
    void InsertIntoBlankClick();
    void DeleteParamClick();
    void SetArchiveRowClick();
    void ClearArchiveRowClick();
    void SettingsClick();
    void AboutClick();
    void HelpClick();

    // Tree helpers, and what the print-file commands ask of the window.
    void setNoPrintFiles();
    QTreeWidgetItem* shownNode() const override { return currentNode_; }
    void shownNodeGone() override { currentNode_ = nullptr; }
    void noPrintFilesLeft() override { setNoPrintFiles(); }
    void showNode(QTreeWidgetItem* node) override { TreeChange(node); }
    QString printFileFolder(const QString& printFile) const;

    // Panels.
    void StdBarToggle(bool down);
    void BlankBarToggle(bool down);
    void TreeToggle(bool down);
    void ParamsToggle(bool down);
    void PreviewToggle(bool down);
    void applyPanelDefaults();
    void showParameterListIfWanted();
    void updateSelectionStatus();
    void refreshPreview();

    rastrova::store::ProgramPaths paths_;
    rastrova::store::ProgramSettings settings_;
    QString baseFolder_;
    QString databasePath_;
    rastrova::editor::ReferenceList references_;

    rastrova::app::OpenBlank openBlank_{this};
    QTreeWidgetItem* currentNode_ = nullptr;
    QString currentPrintFile_;
    QString currentBlank_;

    Tnform* nForm_;
    TkForm* kForm_;
    TVirelTypeDialog* typeDialog_;
    TAUstr* programmingWindow_;
    QPointer<rastrova::app::HelpViewer> help_;
    TTreeFrame* treeFrame_ = nullptr;

    // Menus and commands.
    QMenu* MenuFile;
    QMenu* MenuEdit;
    QMenu* MenuBlank;
    QMenu* MenuSettings;
    QMenu* MenuPanels;
    QMenu* MenuHelp;
    QMenu* MenuGrid;
    QAction* ActNewHourly;
    QAction* ActNewArchive;
    QAction* ActNewPrintFile;
    QAction* ActSave;
    QAction* ActSaveAs;
    QAction* ActDelete;
    QAction* ActBuildImage;
    QAction* ActPreview;
    QAction* ActExit;
    QAction* ActExchange;
    QAction* ActCut;
    QAction* ActCopy;
    QAction* ActPaste;
    QAction* ActClear;
    QAction* ActRefreshPreview;
    QAction* ActUndo;
    QAction* ActRedo;
    QAction* ActColsRows;
    QAction* ActMerge;
    QAction* ActSplit;
    QAction* ActEqualWidths;
    QAction* ActBorderOn;
    QAction* ActBorderOff;
    QAction* ActAddColumn;
    QAction* ActAddRow;
    QAction* ActDeleteColumn;
    QAction* ActDeleteRow;
    QAction* ActInsertParam;
    QAction* ActInsertParamButton;
    QAction* ActSetArchiveRow;
    QAction* ActClearArchiveRow;
    QAction* ActProperties;
    QAction* ActSettings;
    QAction* ActPanelStandard;
    QAction* ActPanelBlank;
    QAction* ActPanelTools;
    QAction* ActPanelTree;
    QAction* ActPanelParams;
    QAction* ActHelp;
    QAction* ActAbout;

    // Toolbars and their check buttons.
    QToolBar* ToolBarStandard;
    QToolBar* ToolBarBlank;
    QToolBar* ToolBarTools;
    QToolButton* SpeedButtonNew;
    QAction* SpeedButtonPreview;
    QAction* SpeedButtonTree;
    QAction* SpeedButtonParams;
    QAction* SpeedButtonBlankBar;
    QAction* SpeedButtonStdBar;

    // Panels.
    QSplitter* SplitterMain;
    QWidget* LeftPanel;
    QSplitter* SplitterLeft;
    QTreeWidget* Tree;
    rastrova::app::PrintFileTree tree_{nullptr}; // the print files shown in Tree
    std::unique_ptr<rastrova::app::PrintFileManager> manager_; // the commands on them
    QWidget* ParamPanel;
    rastrova::app::ParamGridView* pgrid;
    QWidget* BlankArea;
    QCheckBox* CheckBoxFormFeed;
    QLineEdit* EditLines;
    QSplitter* SplitterPreview;
    rastrova::app::BlankGridView* mgrid;
    QPlainTextEdit* Preview;
    QLabel* StatusHint;
    QLabel* StatusPrintFile;
    QLabel* StatusBlank;
};
