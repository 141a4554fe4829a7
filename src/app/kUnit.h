#pragma once
// The multi-purpose dialog: one window with panels; opening it with a title shows
// the panel that title names.
//
//   "Создание ..."                         the print-file and blank name panel
//   "Колонки и строки"                     the columns-and-rows panel
//   "Вставить параметр в бланк"            the insert-parameter panel
//   "Начальная и конечная глубина печати"  the archive-depth panel
//
// Every opening puts the focus into the panel's first field and makes the panel's
// accepting button the dialog's one default button: Enter accepts, Esc cancels.

#include "editor/archiverow.h"
#include "editor/paramcode.h"
#include "editor/reflist.h"
#include "store/blank.h"

#include <QDialog>
#include <functional>
#include <optional>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;

class TkForm : public QDialog {
    Q_OBJECT
public:
    explicit TkForm(QWidget* parent = nullptr);

    // The print-file and blank panel: "Создать" hands the name to `accept`, which
    // returns true to close the dialog (false keeps it open, the name kept).
    // Returns true when the dialog closed through a successful "Создать".
    bool execNamePanel(const QString& title, const QString& caption, const QString& folderLine,
                       const QString& prompt, const QString& defaultName,
                       const std::function<bool(const QString&)>& accept);

    // The columns-and-rows panel. "ОК" hands the three numbers (and whether the
    // width field was changed) to `accept`, which returns true to close.
    struct ColsRows {
        int columns;
        int rows;
        int width;
        bool widthChanged;
    };
    bool execColsRowsPanel(int columns, int rows, int width,
                           const std::function<bool(const ColsRows&)>& accept);

    // ---------------------------------------------------------- inserting parameters

    // Appends a parameter to the blank's list.
    using AppendParameter = std::function<void(const QString& code, const QString& name)>;

    // The insert-parameter panel for a blank of `kind` and controller type
    // `controllerType` (0 for "10", 1 for "19"). Type "10" offers the radio group
    // and the groups of `references`; "Добавить параметр" appends one parameter and
    // closes. Type "19" shows the parameter tree in the tree host; every "Добавить
    // параметр" appends the parameter selected there and the dialog stays open.
    // Returns the number of parameters appended.
    int execInsertParamPanel(rastrova::store::BlankKind kind, int controllerType,
                             const rastrova::editor::ReferenceList& references,
                             const AppendParameter& append);

    // The place of the parameter tree (objectName "TreeHost", a vertical layout).
    QWidget* treeHost() const { return TreeHost; }
    // What the tree has selected: a level-2 node's parameter, or nothing.
    using CatalogueSelection = std::function<std::optional<rastrova::editor::CatalogueParameter>()>;
    void setCatalogueSelection(CatalogueSelection selection) { catalogueSelection_ = std::move(selection); }
    // The tree's change handler calls this with the newly selected parameter
    // (nothing for a task or group node): an archive parameter sets the depth
    // maximum of the archive-depth panel.
    void catalogueNodeChosen(const std::optional<rastrova::editor::CatalogueParameter>& parameter);
    // Appends a catalogue parameter to the list while the panel is open; false when
    // it is not.
    bool addCatalogueParameter(const rastrova::editor::CatalogueParameter& parameter);

    // The start depth maximum the last catalogue parameter chose (42 until one does).
    int depthMaximum() const { return depthMaximum_; }
    void setDepthMaximum(int maximum) { depthMaximum_ = maximum; }

    // ---------------------------------------------------------- the archive depth

    // The archive-depth panel. "ОК" checks the depths against the maxima (an error
    // box per failure, the panel stays open); returns the accepted depths, or
    // nothing for "Отмена". The fields keep the last values entered.
    std::optional<rastrova::editor::ArchiveDepth>
    execDepthPanel(int startMaximum, int endMaximum = rastrova::editor::kEndDepthMaximum);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPanel(QWidget* panel, QPushButton* defaultButton);
    void focusFirstField(QWidget* field);
    // The first control of the parameter tree that takes the focus; nullptr without a tree.
    QWidget* firstTreeField() const;
    void ButtonCreateClick();
    void ButtonColsRowsOkClick();
    void RgParamClick(int item);
    void applyItem(int item);
    void ComboGroupsChange(int group);
    void showNumberField(const std::optional<rastrova::editor::NumberField>& field, bool resetToZero);
    void ButtonAddParamClick();
    void appendParameter(const rastrova::editor::ParameterCode& parameter);
    void ButtonDepthOkClick();

    QStackedWidget* Panels;
    QPushButton* defaultButton_ = nullptr; // the shown panel's
    QWidget* PanelName;
    QLabel* LabelCaption;
    QLabel* LabelFolder;
    QLabel* LabelPrompt;
    QLineEdit* EditName;
    QPushButton* ButtonCreate;
    QPushButton* ButtonCancel;
    std::function<bool(const QString&)> accept_;

    QWidget* PanelColsRows;
    QSpinBox* EditColumns;
    QSpinBox* EditRows;
    QSpinBox* EditWidth;
    QPushButton* ButtonColsRowsOk;
    QPushButton* ButtonColsRowsCancel;
    int shownWidth_ = 0;
    std::function<bool(const ColsRows&)> acceptColsRows_;

    // Inserting parameters.
    QWidget* PanelInsertParam;
    QGroupBox* RgParam;
    QButtonGroup* RgParamButtons;
    QWidget* TreeHost;
    QWidget* ChoiceFields;
    QLabel* LabelNumber;
    QSpinBox* EditNumber;
    QLabel* LabelGroups;
    QComboBox* ComboGroups;
    QListWidget* ListEntries;
    QLabel* LabelHex;
    QLineEdit* EditHex;
    QPushButton* ButtonAddParam;
    QPushButton* ButtonExit;
    rastrova::store::BlankKind blankKind_ = rastrova::store::BlankKind::Hourly;
    int controllerType_ = rastrova::editor::kControllerType10;
    const rastrova::editor::ReferenceList* references_ = nullptr;
    AppendParameter append_;
    int lastItem_ = rastrova::editor::ItemTime;
    int added_ = 0;
    CatalogueSelection catalogueSelection_;
    int depthMaximum_ = rastrova::editor::kDefaultStartDepthMaximum;

    // The archive depth.
    QWidget* PanelDepth;
    QSpinBox* EditStartDepth;
    QSpinBox* EditEndDepth;
    QLabel* LabelDepthRule;
    QPushButton* ButtonDepthOk;
    QPushButton* ButtonDepthCancel;
    int startMaximum_ = rastrova::editor::kDefaultStartDepthMaximum;
    int endMaximum_ = rastrova::editor::kEndDepthMaximum;
};
