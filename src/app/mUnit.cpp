#include "mUnit.h"

#include "PrmsTree.h"
#include "Ustr.h"
#include "controls/blankgrid.h"
#include "controls/previewtext.h"
#include "controls/paramgrid.h"
#include "dialogs.h"
#include "helpviewer.h"
#include "icons.h"
#include "kUnit.h"
#include "messages.h"
#include "nUnit.h"
#include "tekchDialog.h"

#include "editor/archiverow.h"
#include "editor/cellcheck.h"
#include "editor/paramcode.h"
#include "editor/clipboard.h"
#include "editor/references.h"
#include "editor/saveblank.h"
#include "catalogue/cache.h"
#include "catalogue/moduletsk.h"
#include "render/printertext.h"
#include "render/printfileimage.h"
#include "store/installation.h"
#include "store/manager.h"
#include "store/names.h"
#include "store/printfile.h"
#include "store/scan.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMimeData>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextCursor>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <optional>

using namespace rastrova;
using namespace rastrova::store;
using rastrova::app::Messages;

namespace {
const QString kHourlyGroup = QStringLiteral("Почасовые бланки");
const QString kArchiveGroup = QStringLiteral("Архивные бланки");
const QString kNoPrintFiles = QStringLiteral("нет");
const QString kFileNotFound = QStringLiteral("Требуемый файл не найден.");
constexpr int kPlaceholderRole = Qt::UserRole + 1;
constexpr int kHintMilliseconds = 15000;
} // namespace

namespace {
// What the insert-parameter panel takes from a node of the parameter tree.
std::optional<editor::CatalogueParameter> chosenParameter(const catalogue::CatalogueEntry* entry)
{
    if (!entry)
        return std::nullopt;
    return editor::CatalogueParameter{entry->algorithm.kind(), entry->algorithm.subkind(), entry->number(),
                                      entry->name(), entry->algorithm.archiveHours()};
}
} // namespace

TmForm::TmForm(ProgramPaths paths, Tnform* nForm, TkForm* kForm, TVirelTypeDialog* typeDialog,
               TAUstr* programmingWindow, QWidget* parent)
    : QMainWindow(parent), paths_(std::move(paths)), nForm_(nForm), kForm_(kForm), typeDialog_(typeDialog),
      programmingWindow_(programmingWindow)
{
    setObjectName(QStringLiteral("mForm"));
    setWindowTitle(QStringLiteral("Растрова - Диалог[*]"));
    resize(1100, 720);

    // The open blank starts cleared; the base folder is the program folder until
    // the settings say otherwise.
    blank_ = BlankDocument{};
    baseFolder_ = paths_.programFolder;
    if (programmingWindow_)
        programmingWindow_->setProgramPaths(paths_);

    createActions();
    createMenus();
    createToolBars();
    createPanels();
    createGridMenu();

    // The parameter tree of the insert-parameter panel; its catalogue serves type "19" blanks.
    treeFrame_ = new TTreeFrame;
    treeFrame_->setObjectName(QStringLiteral("TreeFrame1"));
    kForm_->treeHost()->layout()->addWidget(treeFrame_);
    kForm_->setCatalogueSelection([this] { return chosenParameter(treeFrame_->selectedEntry()); });
    treeFrame_->setChangeHandler(
        [this](const catalogue::CatalogueEntry* entry) { kForm_->catalogueNodeChosen(chosenParameter(entry)); });

    // The print-file tree starts switched on.
    SpeedButtonTree->setChecked(true);
    TreeToggle(true);

    // The reference list of fixed controller parameters.
    const QString sprav = QDir(store::dataFolderOf(paths_)).filePath(QStringLiteral("sprav.txt"));
    if (Status st = references_.load(sprav); !st)
        Messages::error(this, st.message());

    qApp->installEventFilter(this);
}

TmForm::~TmForm()
{
    qApp->removeEventFilter(this);
    // The views outlive the blank they show (members go before the child widgets).
    mgrid->setGrid(nullptr);
    pgrid->setList(nullptr);
}

QAction* TmForm::action(const QString& name, const QString& text, const QString& hint, const QKeySequence& shortcut)
{
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    if (!hint.isEmpty()) {
        a->setToolTip(hint);
        a->setStatusTip(hint);
    }
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    return a;
}

void TmForm::createActions()
{
    using app::icon;
    ActNewHourly = action(QStringLiteral("ActNewHourly"), QStringLiteral("Новый часовой бланк"),
                          QStringLiteral("Создать новый почасовой бланк"), QKeySequence(QStringLiteral("Ctrl+H")));
    ActNewArchive = action(QStringLiteral("ActNewArchive"), QStringLiteral("Новый архивный бланк"),
                           QStringLiteral("Создать новый архивный бланк"), QKeySequence(QStringLiteral("Ctrl+A")));
    ActNewPrintFile = action(QStringLiteral("ActNewPrintFile"), QStringLiteral("Новый файл печати"),
                             QStringLiteral("Создать новый файл печати"), QKeySequence(QStringLiteral("Ctrl+N")));
    ActSave = action(QStringLiteral("ActSave"), QStringLiteral("Сохранить текущий бланк"),
                     QStringLiteral("Сохранить бланк печати"), QKeySequence(QStringLiteral("Ctrl+S")));
    ActSave->setIcon(icon(app::IconKind::Save));
    ActSaveAs = action(QStringLiteral("ActSaveAs"), QStringLiteral("Сохранить текущий бланк как..."),
                       QStringLiteral("Сохранить бланк печати как..."));
    ActSaveAs->setIcon(icon(app::IconKind::SaveAs));
    ActDelete = action(QStringLiteral("ActDelete"), QStringLiteral("Удалить..."),
                       QStringLiteral("Удалить бланк, группу бланков или файл печати"),
                       QKeySequence(QStringLiteral("Ctrl+Del")));
    ActBuildImage = action(QStringLiteral("ActBuildImage"), QStringLiteral("Создать двоичный файл"),
                           QStringLiteral("Создать двоичный файл для текущего файла печати "));
    ActBuildImage->setVisible(false);
    ActPreview = action(QStringLiteral("ActPreview"), QStringLiteral("Предварительный просмотр"),
                        QStringLiteral("Вкл./выкл режим предосмотра"), QKeySequence(QStringLiteral("Ctrl+P")));
    ActPreview->setCheckable(true);
    ActExit = action(QStringLiteral("ActExit"), QStringLiteral("Выход"), QStringLiteral("Закрыть программу"),
                     QKeySequence(QStringLiteral("Ctrl+Alt+X")));
    ActExchange = action(QStringLiteral("ActExchange"), QStringLiteral("Обмен"),
                         QStringLiteral("Создать образ файла печати и запрограммировать адаптер"));

    ActCut = action(QStringLiteral("ActCut"), QStringLiteral("Вырезать"), QStringLiteral("Вырезать"),
                    QKeySequence(QStringLiteral("Ctrl+X")));
    ActCut->setIcon(icon(app::IconKind::Cut));
    ActCopy = action(QStringLiteral("ActCopy"), QStringLiteral("Копировать"), QStringLiteral("Копировать"),
                     QKeySequence(QStringLiteral("Ctrl+C")));
    ActCopy->setIcon(icon(app::IconKind::Copy));
    ActPaste = action(QStringLiteral("ActPaste"), QStringLiteral("Вставить"), QStringLiteral("Вставить"),
                      QKeySequence(QStringLiteral("Ctrl+V")));
    ActPaste->setIcon(icon(app::IconKind::Paste));
    ActClear = action(QStringLiteral("ActClear"), QStringLiteral("Очистить"), QStringLiteral("Очистить"),
                      QKeySequence(QStringLiteral("Del")));
    ActClear->setIcon(icon(app::IconKind::Clear));
    ActUndo = action(QStringLiteral("ActUndo"), QStringLiteral("Отменить"), QStringLiteral("Отменить"),
                     QKeySequence(QStringLiteral("Ctrl+Z")));
    ActUndo->setIcon(icon(app::IconKind::Undo));
    ActRedo = action(QStringLiteral("ActRedo"), QStringLiteral("Повторить"), QStringLiteral("Повторить"));
    ActRedo->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    ActRedo->setIcon(icon(app::IconKind::Redo));
    ActUndo->setEnabled(false);
    ActRedo->setEnabled(false);
    ActRefreshPreview = action(QStringLiteral("ActRefreshPreview"), QStringLiteral("Обновить предосмотр"),
                               QStringLiteral("Обновить предварительный просмотр бланка"),
                               QKeySequence(QStringLiteral("F5")));

    ActColsRows = action(QStringLiteral("ActColsRows"), QStringLiteral("Колонки и строки"),
                         QStringLiteral("Колонки и строки, общая информация"));
    ActColsRows->setIcon(icon(app::IconKind::ColsRows));
    ActMerge = action(QStringLiteral("ActMerge"), QStringLiteral("Объеденить ячейки"),
                      QStringLiteral("Объеденить ячейки"));
    ActMerge->setIcon(icon(app::IconKind::Merge));
    ActSplit = action(QStringLiteral("ActSplit"), QStringLiteral("Разбить ячейки"), QStringLiteral("Разбить ячейки"));
    ActSplit->setIcon(icon(app::IconKind::Split));
    ActEqualWidths = action(QStringLiteral("ActEqualWidths"), QStringLiteral("Выровнять ширину столбцов"),
                            QStringLiteral("Выровнять ширину столбцов"));
    ActEqualWidths->setIcon(icon(app::IconKind::EqualWidths));
    ActBorderOn = action(QStringLiteral("ActBorderOn"), QStringLiteral("Граница ячейки есть"),
                         QStringLiteral("Граница ячейки есть"));
    ActBorderOn->setIcon(icon(app::IconKind::BorderOn));
    ActBorderOff = action(QStringLiteral("ActBorderOff"), QStringLiteral("Границы ячейки нет"),
                          QStringLiteral("Границы ячейки нет"));
    ActBorderOff->setIcon(icon(app::IconKind::BorderOff));
    ActAddColumn = action(QStringLiteral("ActAddColumn"), QStringLiteral("Добавить колонку"),
                          QStringLiteral("Добавить новый столбец"));
    ActAddColumn->setIcon(icon(app::IconKind::AddColumn));
    ActAddRow = action(QStringLiteral("ActAddRow"), QStringLiteral("Добавить строку"),
                       QStringLiteral("Добавить новую строку"));
    ActAddRow->setIcon(icon(app::IconKind::AddRow));
    ActDeleteColumn = action(QStringLiteral("ActDeleteColumn"), QStringLiteral("Удалить колонку"),
                             QStringLiteral("Удалить столбец"));
    ActDeleteColumn->setIcon(icon(app::IconKind::DeleteColumn));
    ActDeleteRow = action(QStringLiteral("ActDeleteRow"), QStringLiteral("Удалить строку"),
                          QStringLiteral("Удалить строку"));
    ActDeleteRow->setIcon(icon(app::IconKind::DeleteRow));
    ActInsertParam = action(QStringLiteral("ActInsertParam"), QStringLiteral("Вставить параметр..."),
                            QStringLiteral("Вставить параметр в данную ячейку"));
    ActInsertParam->setIcon(icon(app::IconKind::InsertParam));
    ActInsertParamButton = action(QStringLiteral("ActInsertParamButton"), QStringLiteral("Вставить параметр"),
                                  QStringLiteral("Вставить параметр в данную ячейку"));
    ActInsertParamButton->setIcon(icon(app::IconKind::InsertParam));
    ActSetArchiveRow = action(QStringLiteral("ActSetArchiveRow"),
                              QStringLiteral("Установить признак строки начало печати архивов"),
                              QStringLiteral("Сделать текущую строку началом печати архивных данных"));
    ActClearArchiveRow = action(QStringLiteral("ActClearArchiveRow"),
                                QStringLiteral("Убрать признак строки начала печати архивов"),
                                QStringLiteral("Убрать признак строки начала печати архивов"));
    ActProperties = action(QStringLiteral("ActProperties"), QStringLiteral("Свойства"),
                           QStringLiteral("Свойства Бланка"));
    ActProperties->setIcon(icon(app::IconKind::Properties));

    ActSettings = action(QStringLiteral("ActSettings"), QStringLiteral("Настройки программы"),
                         QStringLiteral("Настройки программы"), QKeySequence(QStringLiteral("Ctrl+Shift+F11")));
    ActSettings->setIcon(icon(app::IconKind::Settings));
    ActPanelStandard = action(QStringLiteral("ActPanelStandard"), QStringLiteral("Стандартная"),
                              QStringLiteral("Показать или скрыть стандартную панель"));
    ActPanelBlank = action(QStringLiteral("ActPanelBlank"), QStringLiteral("Бланк"),
                           QStringLiteral("Показать или скрыть панель бланка"));
    ActPanelTools = action(QStringLiteral("ActPanelTools"), QStringLiteral("Менеджер инструментов"),
                           QStringLiteral("Менеджер инструментов"));
    ActPanelTree = action(QStringLiteral("ActPanelTree"), QStringLiteral("Менеджер файлов печати"),
                          QStringLiteral("Вкл./выкл менеджер файлов печати"));
    ActPanelParams = action(QStringLiteral("ActPanelParams"), QStringLiteral("Менеджер параметров бланка"),
                            QStringLiteral("Вкл./выкл менеджер параметров бланка"));
    for (QAction* a : {ActPanelStandard, ActPanelBlank, ActPanelTools, ActPanelTree, ActPanelParams})
        a->setCheckable(true);
    ActHelp = action(QStringLiteral("ActHelp"), QStringLiteral("Содержание и указатель"),
                     QStringLiteral("Справка по программе"), QKeySequence(QStringLiteral("F1")));
    ActHelp->setIcon(icon(app::IconKind::Help));
    ActAbout = action(QStringLiteral("ActAbout"), QStringLiteral("О программе"), QStringLiteral("О программе"),
                      QKeySequence(QStringLiteral("Shift+F1")));
    ActAbout->setIcon(icon(app::IconKind::About));

    // The tool-manager check buttons.
    SpeedButtonPreview = action(QStringLiteral("SpeedButtonPreview"), QStringLiteral("Предосмотр"),
                                QStringLiteral("Вкл./выкл режим предосмотра"));
    SpeedButtonPreview->setIcon(icon(app::IconKind::Preview));
    SpeedButtonTree = action(QStringLiteral("SpeedButtonTree"), QStringLiteral("Файлы печати"),
                             QStringLiteral("Вкл./выкл менеджер файлов печати"));
    SpeedButtonTree->setIcon(icon(app::IconKind::Tree));
    SpeedButtonParams = action(QStringLiteral("SpeedButtonParams"), QStringLiteral("Параметры"),
                               QStringLiteral("Вкл./выкл менеджер параметров бланка"));
    SpeedButtonParams->setIcon(icon(app::IconKind::Params));
    SpeedButtonBlankBar = action(QStringLiteral("SpeedButtonBlankBar"), QStringLiteral("Панель бланка"),
                                 QStringLiteral("Вкл./выкл панель бланка"));
    SpeedButtonBlankBar->setIcon(icon(app::IconKind::BlankBar));
    SpeedButtonStdBar = action(QStringLiteral("SpeedButtonStdBar"), QStringLiteral("Стандартная панель"),
                               QStringLiteral("Вкл./выкл стандартную панель"));
    SpeedButtonStdBar->setIcon(icon(app::IconKind::StdBar));
    for (QAction* a : {SpeedButtonPreview, SpeedButtonTree, SpeedButtonParams, SpeedButtonBlankBar, SpeedButtonStdBar})
        a->setCheckable(true);

    connect(ActSetArchiveRow, &QAction::triggered, this, &TmForm::SetArchiveRowClick);
    connect(ActClearArchiveRow, &QAction::triggered, this, &TmForm::ClearArchiveRowClick);

    connect(ActNewHourly, &QAction::triggered, this, [this] { NewBlankClick(BlankKind::Hourly); });
    connect(ActNewArchive, &QAction::triggered, this, [this] { NewBlankClick(BlankKind::Archive); });
    connect(ActNewPrintFile, &QAction::triggered, this, &TmForm::NewPrintFileClick);
    connect(ActSave, &QAction::triggered, this, &TmForm::SaveClick);
    connect(ActSaveAs, &QAction::triggered, this, &TmForm::SaveAsClick);
    connect(ActDelete, &QAction::triggered, this, &TmForm::DeleteClick);
    connect(ActExit, &QAction::triggered, this, &QWidget::close);
    connect(ActRefreshPreview, &QAction::triggered, this, &TmForm::refreshPreview);
    connect(ActBuildImage, &QAction::triggered, this, [this] { BuildImageClick(true); });
    connect(ActExchange, &QAction::triggered, this, &TmForm::ExchangeClick);
    connect(ActProperties, &QAction::triggered, this, &TmForm::PropertiesClick);
    connect(ActColsRows, &QAction::triggered, this, &TmForm::ColsRowsClick);
    connect(ActMerge, &QAction::triggered, this, &TmForm::MergeClick);
    connect(ActSplit, &QAction::triggered, this, &TmForm::SplitClick);
    connect(ActEqualWidths, &QAction::triggered, this, &TmForm::EqualWidthsClick);
    connect(ActBorderOn, &QAction::triggered, this, [this] { BorderClick(true); });
    connect(ActBorderOff, &QAction::triggered, this, [this] { BorderClick(false); });
    connect(ActAddColumn, &QAction::triggered, this, &TmForm::AddColumnClick);
    connect(ActAddRow, &QAction::triggered, this, &TmForm::AddRowClick);
    connect(ActDeleteColumn, &QAction::triggered, this, &TmForm::DeleteColumnClick);
    connect(ActDeleteRow, &QAction::triggered, this, &TmForm::DeleteRowClick);
    connect(ActCut, &QAction::triggered, this, &TmForm::CutClick);
    connect(ActCopy, &QAction::triggered, this, &TmForm::CopyClick);
    connect(ActPaste, &QAction::triggered, this, &TmForm::PasteClick);
    connect(ActClear, &QAction::triggered, this, &TmForm::ClearClick);
    connect(ActInsertParam, &QAction::triggered, this, &TmForm::InsertParamClick);
    connect(ActInsertParamButton, &QAction::triggered, this, &TmForm::InsertParamButtonClick);
    connect(ActUndo, &QAction::triggered, this, &TmForm::UndoClick);
    connect(ActRedo, &QAction::triggered, this, &TmForm::RedoClick);
    connect(ActSettings, &QAction::triggered, this, &TmForm::SettingsClick);
    connect(ActHelp, &QAction::triggered, this, &TmForm::HelpClick);
    connect(ActAbout, &QAction::triggered, this, &TmForm::AboutClick);

    // Each check button and its menu item: the menu item flips the button, the
    // button sets the menu item's mark.
    connect(SpeedButtonStdBar, &QAction::toggled, this, &TmForm::StdBarToggle);
    connect(SpeedButtonBlankBar, &QAction::toggled, this, &TmForm::BlankBarToggle);
    connect(SpeedButtonTree, &QAction::toggled, this, &TmForm::TreeToggle);
    connect(SpeedButtonParams, &QAction::toggled, this, &TmForm::ParamsToggle);
    connect(SpeedButtonPreview, &QAction::toggled, this, &TmForm::PreviewToggle);
    connect(ActPanelStandard, &QAction::triggered, this, [this] { SpeedButtonStdBar->toggle(); });
    connect(ActPanelBlank, &QAction::triggered, this, [this] { SpeedButtonBlankBar->toggle(); });
    connect(ActPanelTree, &QAction::triggered, this, [this] { SpeedButtonTree->toggle(); });
    connect(ActPreview, &QAction::triggered, this, [this] { SpeedButtonPreview->toggle(); });
    connect(ActPanelParams, &QAction::triggered, this, [this](bool checked) {
        const bool wasChecked = !checked;
        ActPanelParams->setChecked(wasChecked);
        if (wasChecked || !BlankArea->isHidden())
            SpeedButtonParams->toggle();
    });
    // "Менеджер инструментов" only carries its own mark.
}

void TmForm::createMenus()
{
    MenuFile = menuBar()->addMenu(QStringLiteral("&Файл"));
    MenuFile->setObjectName(QStringLiteral("MenuFile"));
    MenuFile->addActions({ActNewHourly, ActNewArchive, ActNewPrintFile});
    MenuFile->addSeparator();
    MenuFile->addActions({ActSave, ActSaveAs, ActDelete, ActBuildImage});
    MenuFile->addSeparator();
    MenuFile->addAction(ActPreview);
    MenuFile->addSeparator();
    MenuFile->addAction(ActExit);

    menuBar()->addAction(ActExchange);

    MenuEdit = menuBar()->addMenu(QStringLiteral("&Правка"));
    MenuEdit->setObjectName(QStringLiteral("MenuEdit"));
    MenuEdit->addActions({ActUndo, ActRedo});
    MenuEdit->addSeparator();
    MenuEdit->addActions({ActCut, ActCopy, ActPaste, ActClear});
    MenuEdit->addSeparator();
    MenuEdit->addAction(ActRefreshPreview);

    MenuBlank = menuBar()->addMenu(QStringLiteral("&Бланк"));
    MenuBlank->setObjectName(QStringLiteral("MenuBlank"));
    MenuBlank->addAction(ActColsRows);
    MenuBlank->addSeparator();
    MenuBlank->addActions({ActMerge, ActSplit, ActEqualWidths});
    MenuBlank->addSeparator();
    MenuBlank->addActions({ActBorderOn, ActBorderOff});
    MenuBlank->addSeparator();
    MenuBlank->addActions({ActAddColumn, ActAddRow, ActDeleteColumn, ActDeleteRow});
    MenuBlank->addSeparator();
    MenuBlank->addAction(ActInsertParam);
    MenuBlank->addSeparator();
    MenuBlank->addActions({ActSetArchiveRow, ActClearArchiveRow});
    MenuBlank->addSeparator();
    MenuBlank->addAction(ActProperties);

    MenuSettings = menuBar()->addMenu(QStringLiteral("&Настройки"));
    MenuSettings->setObjectName(QStringLiteral("MenuSettings"));
    MenuSettings->addAction(ActSettings);
    MenuPanels = MenuSettings->addMenu(QStringLiteral("&Панели инструментов"));
    MenuPanels->setObjectName(QStringLiteral("MenuPanels"));
    MenuPanels->addActions({ActPanelStandard, ActPanelBlank, ActPanelTools, ActPanelTree, ActPanelParams});

    MenuHelp = menuBar()->addMenu(QStringLiteral("&Справка"));
    MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
    MenuHelp->addActions({ActHelp, ActAbout});
}

void TmForm::createGridMenu()
{
    // The blank grid's own menu: what a right click on the cells asks for most.
    MenuGrid = new QMenu(this);
    MenuGrid->setObjectName(QStringLiteral("MenuGrid"));
    MenuGrid->addActions({ActCut, ActCopy, ActPaste});
    MenuGrid->addSeparator();
    MenuGrid->addActions({ActMerge, ActSplit});
    MenuGrid->addSeparator();
    MenuGrid->addActions({ActBorderOn, ActBorderOff});
    MenuGrid->addSeparator();
    MenuGrid->addAction(ActInsertParam);
    mgrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(mgrid, &QWidget::customContextMenuRequested, this, &TmForm::mgridContextMenu);
}

void TmForm::mgridContextMenu(const QPoint& pos)
{
    if (!blankOpen_)
        return;
    // A click outside the selection makes the cell under it current first.
    const QModelIndex at = mgrid->indexAt(pos);
    if (at.isValid() && !mgrid->selectionModel()->isSelected(at))
        mgrid->setCurrentIndex(at);
    MenuGrid->popup(mgrid->viewport()->mapToGlobal(pos));
}

void TmForm::createToolBars()
{
    ToolBarStandard = addToolBar(QStringLiteral("Стандартная"));
    ToolBarStandard->setObjectName(QStringLiteral("ToolBarStandard"));
    SpeedButtonNew = new QToolButton;
    SpeedButtonNew->setObjectName(QStringLiteral("SpeedButtonNew"));
    SpeedButtonNew->setText(QStringLiteral("Новый..."));
    SpeedButtonNew->setToolTip(QStringLiteral("Новый..."));
    SpeedButtonNew->setIcon(app::icon(app::IconKind::New));
    SpeedButtonNew->setPopupMode(QToolButton::MenuButtonPopup);
    auto* newMenu = new QMenu(SpeedButtonNew);
    newMenu->addActions({ActNewHourly, ActNewArchive, ActNewPrintFile});
    SpeedButtonNew->setMenu(newMenu);
    connect(SpeedButtonNew, &QToolButton::clicked, this, &TmForm::NewClick);
    ToolBarStandard->addWidget(SpeedButtonNew);
    ToolBarStandard->addActions({ActSave, ActSaveAs});
    ToolBarStandard->addSeparator();
    ToolBarStandard->addActions({ActCut, ActCopy, ActPaste, ActClear});
    ToolBarStandard->addSeparator();
    ToolBarStandard->addActions({ActUndo, ActRedo});

    ToolBarBlank = addToolBar(QStringLiteral("Бланк"));
    ToolBarBlank->setObjectName(QStringLiteral("ToolBarBlank"));
    ToolBarBlank->addAction(ActColsRows);
    ToolBarBlank->addSeparator();
    ToolBarBlank->addActions({ActMerge, ActSplit, ActEqualWidths, ActBorderOn, ActBorderOff});
    ToolBarBlank->addSeparator();
    ToolBarBlank->addActions({ActAddColumn, ActAddRow, ActDeleteColumn, ActDeleteRow});
    ToolBarBlank->addSeparator();
    ToolBarBlank->addActions({ActInsertParamButton, ActProperties});

    ToolBarTools = addToolBar(QStringLiteral("Менеджер инструментов"));
    ToolBarTools->setObjectName(QStringLiteral("ToolBarTools"));
    ToolBarTools->addActions({SpeedButtonPreview, SpeedButtonTree, SpeedButtonParams, SpeedButtonBlankBar,
                              SpeedButtonStdBar});
    ToolBarTools->addSeparator();
    ToolBarTools->addActions({ActSettings, ActHelp, ActAbout});

    for (QToolBar* bar : {ToolBarStandard, ToolBarBlank, ToolBarTools})
        bar->toggleViewAction()->setVisible(false);
}

void TmForm::createPanels()
{
    SplitterMain = new QSplitter(Qt::Horizontal);
    SplitterMain->setObjectName(QStringLiteral("SplitterMain"));

    LeftPanel = new QWidget;
    LeftPanel->setObjectName(QStringLiteral("LeftPanel"));
    auto* left = new QVBoxLayout(LeftPanel);
    left->setContentsMargins(0, 0, 0, 0);
    SplitterLeft = new QSplitter(Qt::Vertical);
    SplitterLeft->setObjectName(QStringLiteral("SplitterLeft"));
    Tree = new QTreeWidget;
    Tree->setObjectName(QStringLiteral("Tree"));
    Tree->setHeaderHidden(true);
    Tree->setToolTip(QStringLiteral("Менеджер файлов печати"));
    Tree->setSortingEnabled(false); // nodes are inserted in their place
    ParamPanel = new QWidget;
    ParamPanel->setObjectName(QStringLiteral("ParamPanel"));
    auto* params = new QVBoxLayout(ParamPanel);
    params->setContentsMargins(0, 0, 0, 0);
    auto* paramsTitle = new QLabel(QStringLiteral("Параметры бланка"));
    pgrid = new app::ParamGridView;
    pgrid->setObjectName(QStringLiteral("pgrid"));
    pgrid->setList(&params_);
    params->addWidget(paramsTitle);
    params->addWidget(pgrid);
    SplitterLeft->addWidget(Tree);
    SplitterLeft->addWidget(ParamPanel);
    SplitterLeft->setStretchFactor(0, 3);
    SplitterLeft->setStretchFactor(1, 2);
    left->addWidget(SplitterLeft);

    BlankArea = new QWidget;
    BlankArea->setObjectName(QStringLiteral("BlankArea"));
    auto* right = new QVBoxLayout(BlankArea);
    right->setContentsMargins(0, 0, 0, 0);
    auto* strip = new QHBoxLayout;
    CheckBoxFormFeed = new QCheckBox(QStringLiteral("Перевод формата в конце бланка"));
    CheckBoxFormFeed->setObjectName(QStringLiteral("CheckBoxFormFeed"));
    CheckBoxFormFeed->setToolTip(QStringLiteral("Переходить на следующий лист печати после бланка или нет"));
    CheckBoxFormFeed->setChecked(true);
    auto* linesLabel = new QLabel(QStringLiteral("Кол-во строк на странице:"));
    EditLines = new QLineEdit(QStringLiteral("60"));
    EditLines->setObjectName(QStringLiteral("EditLines"));
    EditLines->setMaxLength(2);
    EditLines->setMaximumWidth(40);
    EditLines->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), EditLines));
    EditLines->setToolTip(QStringLiteral("Количество строк в странице печати до перевода формата"));
    strip->addWidget(CheckBoxFormFeed);
    strip->addSpacing(24);
    strip->addWidget(linesLabel);
    strip->addWidget(EditLines);
    strip->addStretch();
    right->addLayout(strip);

    SplitterPreview = new QSplitter(Qt::Vertical);
    SplitterPreview->setObjectName(QStringLiteral("SplitterPreview"));
    mgrid = new app::BlankGridView;
    mgrid->setObjectName(QStringLiteral("mgrid"));
    Preview = new QPlainTextEdit;
    Preview->setObjectName(QStringLiteral("Preview"));
    Preview->setReadOnly(true);
    Preview->setLineWrapMode(QPlainTextEdit::NoWrap);
    Preview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Preview->setToolTip(QStringLiteral("Область предварительного просмотра бланка файла печати"));
    SplitterPreview->addWidget(mgrid);
    SplitterPreview->addWidget(Preview);
    SplitterPreview->setStretchFactor(0, 3);
    SplitterPreview->setStretchFactor(1, 2);
    right->addWidget(SplitterPreview);
    Preview->hide();

    SplitterMain->addWidget(LeftPanel);
    SplitterMain->addWidget(BlankArea);
    SplitterMain->setStretchFactor(0, 1);
    SplitterMain->setStretchFactor(1, 3);
    SplitterMain->setSizes({280, 820});
    setCentralWidget(SplitterMain);

    StatusHint = new QLabel;
    StatusHint->setObjectName(QStringLiteral("StatusHint"));
    StatusPrintFile = new QLabel;
    StatusPrintFile->setObjectName(QStringLiteral("StatusPrintFile"));
    StatusPrintFile->setMinimumWidth(180);
    StatusBlank = new QLabel;
    StatusBlank->setObjectName(QStringLiteral("StatusBlank"));
    StatusBlank->setMinimumWidth(180);
    statusBar()->addWidget(StatusHint, 1);
    statusBar()->addPermanentWidget(StatusPrintFile);
    statusBar()->addPermanentWidget(StatusBlank);

    connect(Tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) { TreeChange(node); });
    connect(CheckBoxFormFeed, &QCheckBox::toggled, this, &TmForm::PageSettingsChange);
    connect(EditLines, &QLineEdit::textEdited, this, &TmForm::PageSettingsChange);
    connect(mgrid->blankModel(), &app::BlankGridModel::cellEdited, this, &TmForm::mgridCellEdited);
    connect(mgrid->blankModel(), &app::BlankGridModel::cellLeftUnchanged, this,
            [this](int col, int row, const QString& text) { mgridCellEdited(col, row, text, text); });
    connect(mgrid, &QAbstractItemView::pressed, this, &TmForm::mgridClick);
    connect(pgrid, &app::ParamGridView::listChanged, this, [this] {
        // Every other change of the list is recorded, so the present state holds the list before this one.
        editor::BlankState before = blankState();
        before.params = history_.present().params;
        const editor::BlankCommand command = editor::listChangeCommand(before.params, params_);
        refreshPreview();
        recordStep(command, before, command == editor::BlankCommand::ColumnWidth ? -1 : 0);
    });
    mgrid->horizontalHeader()->viewport()->installEventFilter(this);
    pgrid->horizontalHeader()->viewport()->installEventFilter(this);
    connect(pgrid->addParameterAction(), &QAction::triggered, this, &TmForm::AddParamClick);
    connect(pgrid->insertIntoBlankAction(), &QAction::triggered, this, &TmForm::InsertIntoBlankClick);
    connect(pgrid->deleteParameterAction(), &QAction::triggered, this, &TmForm::DeleteParamClick);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TmForm::updatePasteEnabled);
    connect(mgrid, &app::BlankGridView::columnResized, this, [this](int col, int) {
        // The grid already holds the new width; the step starts from the old one.
        editor::BlankState before = blankState();
        const store::Grid& was = history_.present().blank.grid;
        if (col < was.colCount())
            before.blank.grid.setColWidth(col, was.colWidth(col));
        refreshPreview();
        recordStep(editor::BlankCommand::ColumnWidth, before, col); // one step per drag
    });
    connect(mgrid, &app::BlankGridView::columnMoved, this, &TmForm::mgridColumnMoved);
    connect(mgrid, &app::BlankGridView::rowMoved, this, &TmForm::mgridRowMoved);
}

// ------------------------------------------------------------------ start-up

void TmForm::FormShow()
{
    StatusBlank->clear();
    settings_ = readSettings(paths_.settingsSource, paths_.programFolder, baseFolder_);
    baseFolder_ = settings_.baseFolder;
    databasePath_ = settings_.databasePath;
    nForm_->setPaths(paths_);
    nForm_->showSettings(settings_);
    typeDialog_->setDatabasePath(databasePath_);
    if (treeFrame_)
        treeFrame_->catalogue().setDisplayFilter(catalogue::mainWindowFilter());
    applyPanelDefaults();
    ScanBase();
}

void TmForm::applyPanelDefaults()
{
    SpeedButtonStdBar->setChecked(settings_.standardToolbar);
    StdBarToggle(settings_.standardToolbar);
    SpeedButtonBlankBar->setChecked(settings_.blankToolbar);
    BlankBarToggle(settings_.blankToolbar);
    ActPanelTools->setChecked(settings_.toolManager);
}

void TmForm::setModified(bool on)
{
    setWindowModified(on && blankOpen_);
    updateSelectionStatus();
}

QString TmForm::blankBasePath() const
{
    return blankOpen_ ? openBlankPath_ : QString();
}

QString TmForm::printFileFolder(const QString& printFile) const
{
    return QDir(baseFolder_).filePath(printFile);
}

// ------------------------------------------------------------------ the tree

int TmForm::level(const QTreeWidgetItem* node)
{
    int n = 0;
    for (const QTreeWidgetItem* p = node ? node->parent() : nullptr; p; p = p->parent())
        ++n;
    return n;
}

bool TmForm::treeHasPrintFiles() const
{
    return Tree->topLevelItemCount() > 0 && !Tree->topLevelItem(0)->data(0, kPlaceholderRole).toBool();
}

QTreeWidgetItem* TmForm::printFileNode(const QString& name) const
{
    if (!treeHasPrintFiles())
        return nullptr;
    for (int i = 0; i < Tree->topLevelItemCount(); ++i)
        if (Tree->topLevelItem(i)->text(0) == name)
            return Tree->topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem* TmForm::groupNode(QTreeWidgetItem* printFile, BlankKind kind) const
{
    if (!printFile)
        return nullptr;
    const QString& wanted = kind == BlankKind::Archive ? kArchiveGroup : kHourlyGroup;
    for (int i = 0; i < printFile->childCount(); ++i)
        if (printFile->child(i)->text(0) == wanted)
            return printFile->child(i);
    return nullptr;
}

QTreeWidgetItem* TmForm::addSortedChild(QTreeWidgetItem* parent, const QString& text)
{
    auto* item = new QTreeWidgetItem(QStringList{text});
    const int count = parent ? parent->childCount() : Tree->topLevelItemCount();
    int at = 0;
    while (at < count) {
        QTreeWidgetItem* other = parent ? parent->child(at) : Tree->topLevelItem(at);
        if (compareNodeText(text, other->text(0)) < 0)
            break;
        ++at;
    }
    if (parent)
        parent->insertChild(at, item);
    else
        Tree->insertTopLevelItem(at, item);
    return item;
}

QTreeWidgetItem* TmForm::addPrintFileNode(const QString& name)
{
    QTreeWidgetItem* root = addSortedChild(nullptr, name);
    addSortedChild(root, kArchiveGroup);
    addSortedChild(root, kHourlyGroup);
    return root;
}

void TmForm::setNoPrintFiles()
{
    auto* none = new QTreeWidgetItem(QStringList{kNoPrintFiles});
    none->setData(0, kPlaceholderRole, true);
    Tree->addTopLevelItem(none);
    MenuEdit->menuAction()->setVisible(false);
    MenuBlank->menuAction()->setVisible(false);
    BlankArea->hide();
    ParamPanel->hide();
    ActDelete->setEnabled(false);
    for (QAction* a : {ActSave, ActSaveAs, ActCut, ActCopy, ActPaste, ActClear})
        a->setEnabled(false);
    for (QAction* a : ToolBarBlank->actions())
        if (a != ActProperties)
            a->setEnabled(false);
    ActNewHourly->setEnabled(false);
    ActNewArchive->setEnabled(false);
    ActExchange->setEnabled(false);
}

void TmForm::ScanBase()
{
    Tree->setUpdatesEnabled(false);
    {
        const QSignalBlocker block(Tree);
        Tree->clear();
        currentNode_ = nullptr;
    }
    printFiles_.clear();
    const ScanResult scan = scanBaseFolder(baseFolder_);
    {
        const QSignalBlocker block(Tree);
        for (const ScannedPrintFile& file : scan.printFiles) {
            printFiles_ << file.name;
            auto* root = new QTreeWidgetItem(Tree, QStringList{file.name});
            auto* archive = new QTreeWidgetItem(root, QStringList{kArchiveGroup});
            for (const ScannedBlank& blank : file.archive)
                new QTreeWidgetItem(archive, QStringList{blank.name});
            auto* hourly = new QTreeWidgetItem(root, QStringList{kHourlyGroup});
            for (const ScannedBlank& blank : file.hourly)
                new QTreeWidgetItem(hourly, QStringList{blank.name});
        }
        if (scan.printFiles.isEmpty())
            setNoPrintFiles();
        else
            ActDelete->setEnabled(true);
    }
    Tree->expandAll();
    Tree->setUpdatesEnabled(true);
    if (!scan.problems.isEmpty())
        Messages::warning(this, scan.problems.join(u'\n'));
    QTreeWidgetItem* first = Tree->topLevelItem(0);
    if (Tree->currentItem() == first)
        TreeChange(first);
    else
        Tree->setCurrentItem(first);
}

void TmForm::showEditing(bool on)
{
    MenuEdit->menuAction()->setVisible(on);
    MenuBlank->menuAction()->setVisible(on);
    BlankArea->setVisible(on);
    for (QAction* a : {ActSave, ActSaveAs, ActPreview, ActCut, ActCopy, ActPaste, ActClear})
        a->setEnabled(on);
    for (QAction* a : ToolBarBlank->actions())
        if (a != ActProperties)
            a->setEnabled(on);
    SpeedButtonPreview->setEnabled(on);
    ActUndo->setEnabled(on && history_.canUndo());
    ActRedo->setEnabled(on && history_.canRedo());
    if (!on)
        ParamPanel->hide();
    ActDelete->setEnabled(treeHasPrintFiles());
}

bool TmForm::saveOpenBlank(bool reportErrors)
{
    if (!blankOpen_)
        return true;
    const editor::SaveBlankResult result = editor::saveBlank(
        openBlankPath_, {blank_, params_, EditLines->text(), CheckBoxFormFeed->isChecked(), archiveDays()});
    if (!result.files) {
        if (reportErrors)
            Messages::error(this, result.files.message());
        return false;
    }
    history_.markSaved();
    historyChanged();
    // The blank and its list are on disk; an image that could not be made is
    // reported, and the previous image file stays.
    if (!result.image && reportErrors)
        Messages::error(this, QStringLiteral("Двоичный образ бланка \"%1\" не сформирован, на диске остался прежний: %2")
                                  .arg(QFileInfo(openBlankPath_).fileName(), result.image.message()));
    showArchiveChecks(result.archiveChecks);
    return true;
}

void TmForm::TreeChange(QTreeWidgetItem* node)
{
    if (!node)
        return;
    QTreeWidgetItem* previous = currentNode_;
    currentNode_ = node;
    ActNewHourly->setEnabled(false);
    ActNewArchive->setEnabled(false);
    ActExchange->setEnabled(false);

    // Leaving a blank saves it; when that fails the blank stays open and selected.
    if (blankOpen_) {
        if (!saveOpenBlank(true)) {
            currentNode_ = previous;
            if (previous) {
                const QSignalBlocker block(Tree);
                Tree->setCurrentItem(previous);
            }
            ActNewHourly->setEnabled(treeHasPrintFiles());
            ActNewArchive->setEnabled(treeHasPrintFiles());
            ActExchange->setEnabled(treeHasPrintFiles());
            return;
        }
        blankOpen_ = false;
        openBlankPath_.clear();
        mgrid->setGrid(nullptr);
        pgrid->setList(nullptr);
        if (!keepHistory_)
            history_.clear();
        setModified(false);
    }

    const bool enableNew = treeHasPrintFiles() && (Tree->topLevelItemCount() > 1 || Tree->topLevelItem(0)->childCount() > 0);
    ActNewHourly->setEnabled(enableNew);
    ActNewArchive->setEnabled(enableNew);
    ActExchange->setEnabled(enableNew);

    if (level(node) < BlankLevel) {
        currentPrintFile_ = level(node) == PrintFileLevel ? node->text(0) : node->parent()->text(0);
        currentBlank_.clear();
        showEditing(false);
        updateSelectionStatus();
        refreshPreview();
        return;
    }
    loadBlank(node);
    refreshPreview();
}

void TmForm::loadCatalogueFor(const BlankSettings& settings)
{
    // Type "19" blanks name their parameters through the controller's catalogue.
    if (!treeFrame_ || !store::isControllerType19(settings.virelType))
        return;
    if (!catalogue::treeNeedsLoading(catalogueLoaded_, catalogueTask_, settings.taskFile,
                                     treeFrame_->holdsAtMostOneNode()))
        return;
    catalogueTask_ = settings.taskFile;
    catalogueLoaded_ = true;
    treeFrame_->loadTask(databasePath_, settings.taskFile);
}

void TmForm::showArchiveChecks(const QStringList& findings)
{
    // What the adapter could not print as the archive rows ask.
    if (suppressArchiveChecks_)
        return;
    for (const QString& finding : findings)
        Messages::show(this, app::kAppCaption, finding, app::MsgIcon::Information);
}

std::function<int(uint32_t)> TmForm::archiveDays() const
{
    if (!treeFrame_ || !store::isControllerType19(blank_.settings.virelType))
        return {};
    const catalogue::ModuleTSK* module = &treeFrame_->catalogue();
    return [module](uint32_t number) { return int(module->archiveLengthOfParameter(uint16_t(number))); };
}

void TmForm::loadBlank(QTreeWidgetItem* node)
{
    currentBlank_ = node->text(0);
    currentPrintFile_ = node->parent()->parent()->text(0);
    const BlankKind kind = node->parent()->text(0) == kHourlyGroup ? BlankKind::Hourly : BlankKind::Archive;
    ActSetArchiveRow->setVisible(kind == BlankKind::Archive);
    ActClearArchiveRow->setVisible(kind == BlankKind::Archive);

    const QString folder = printFileFolder(currentPrintFile_);
    const QString basePath = blankFilePath(folder, currentBlank_, BlankFile::Blank).chopped(4);
    BlankDocument doc;
    doc.settings.kind = kind;
    const Status st = readBlank(basePath + QLatin1String(".ini"), doc);
    if (st && newBlankSettings_)
        doc.settings = *newBlankSettings_;
    if (!st) {
        showEditing(false);
        updateSelectionStatus();
        StatusBlank->setText(kFileNotFound);
        if (st.code() != Status::NotFound)
            Messages::error(this, st.message());
        return;
    }
    // A damaged list is not opened: saving would replace it with an empty one.
    editor::ParameterList list;
    if (Status listStatus = list.load(basePath + QLatin1String(".par")); !listStatus) {
        showEditing(false);
        updateSelectionStatus();
        Messages::error(this, listStatus.message());
        return;
    }
    blank_ = std::move(doc);
    params_ = std::move(list);
    blankOpen_ = true;
    openBlankPath_ = basePath;
    mgrid->setGrid(&blank_.grid);
    pgrid->setList(&params_);

    // Page settings, shown without being written back.
    PrintFileHeader header(folder);
    header.load();
    const int n = header.blankNumber(currentBlank_);
    if (n > 0) {
        loadingPage_ = true;
        EditLines->setText(header.pageLength(n));
        CheckBoxFormFeed->setChecked(header.formFeed(n));
        loadingPage_ = false;
    }
    showEditing(true);
    if (SpeedButtonPreview->isChecked())
        Preview->show();
    showParameterListIfWanted();
    // A blank opened afresh starts its own history.
    if (!keepHistory_)
        history_.reset(blankState());
    historyChanged();
    loadCatalogueFor(blank_.settings);
}

void TmForm::updateSelectionStatus()
{
    StatusPrintFile->setText(currentPrintFile_);
    StatusBlank->setText(isWindowModified() ? currentBlank_ + QStringLiteral(" *") : currentBlank_);
}

void TmForm::refreshPreview()
{
    if (!blankOpen_) {
        Preview->clear();
        return;
    }
    // A mark column is widened so that the whole mark shows; the blank keeps it.
    if (render::widenMarkColumns(blank_.grid))
        mgrid->refresh();
    const render::PrinterText text = render::renderPrinterText(blank_.grid, CheckBoxFormFeed->isChecked());
    app::showPreviewText(Preview, render::previewText(text));
    QTextCursor caret = Preview->textCursor();
    caret.movePosition(QTextCursor::Start);
    caret.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor);
    Preview->setTextCursor(caret);
    if (!text.status)
        StatusHint->setText(text.status.message());
}

void TmForm::PageSettingsChange()
{
    if (loadingPage_ || !blankOpen_)
        return;
    if (Status st = writePageSettings(printFileFolder(currentPrintFile_), currentBlank_, EditLines->text(),
                                      CheckBoxFormFeed->isChecked());
        !st)
        Messages::error(this, st.message());
    refreshPreview();
}

// ------------------------------------------------------------------ commands

Status TmForm::BuildImageClick(bool reportErrors)
{
    // The print file shown in the status bar, with its blanks in tree order, read
    // as the tree and the command line read it.
    QTreeWidgetItem* printFile = printFileNode(currentPrintFile_);
    if (!printFile || printFile->childCount() == 0)
        return Status::refused(QStringLiteral("Нет файла печати."));
    const QString folder = printFileFolder(currentPrintFile_);
    store::ScannedPrintFile scanned;
    QStringList skipped; // told when the tree was filled
    Status st = store::scanPrintFile(folder, scanned, skipped);
    if (st) {
        QStringList hourly, archive;
        render::imageOrder(scanned, hourly, archive);
        st = render::writePrintFileImage(folder, hourly, archive);
    }
    if (!st && reportErrors)
        Messages::error(this, st.message());
    return st;
}

void TmForm::ExchangeClick()
{
    const QString printFile = currentPrintFile_;
    Status st = saveOpenBlank(false) ? BuildImageClick(false) : Status::ioError(QString());
    if (!st) {
        // The reason goes to the status bar; the box says what to do.
        if (!st.message().isEmpty())
            StatusHint->setText(st.message());
        Messages::show(this, QStringLiteral("Ошибка запуска режима обмена"),
                       QStringLiteral("Двоичный файл не сформирован. Сохраните каждый блнак файла печати \"") +
                           printFile + QStringLiteral("\" и попробуйте снова."),
                       app::MsgIcon::Error);
        return;
    }
    programmingWindow_->setImagePath(QDir(printFileFolder(printFile)).filePath(kImageFileName));
    programmingWindow_->exec();
}

// ------------------------------------------------------------------ editing

editor::Selection TmForm::selection() const
{
    const QRect r = mgrid->selectedCells();
    if (r.isEmpty())
        return {};
    return editor::Selection(store::Range{r.left(), r.top(), r.right(), r.bottom()});
}

editor::BlankState TmForm::blankState() const
{
    const QPoint at = mgrid->currentCell();
    return {blank_, params_, at.x(), at.y()};
}

void TmForm::blankChanged(bool gridLayoutChanged, editor::BlankCommand command, const editor::BlankState& before)
{
    if (gridLayoutChanged)
        mgrid->refresh();
    else
        mgrid->viewport()->update();
    // The preview may widen a mark column: that belongs to the step too.
    refreshPreview();
    recordStep(command, before);
}

void TmForm::recordStep(editor::BlankCommand command, const editor::BlankState& before, int mergeKey)
{
    if (blankOpen_)
        history_.record(command, before, blankState(), mergeKey);
    historyChanged();
}

void TmForm::historyChanged()
{
    setModified(blankOpen_ && history_.isModified());
    const bool on = blankOpen_ && !BlankArea->isHidden();
    ActUndo->setEnabled(on && history_.canUndo());
    ActRedo->setEnabled(on && history_.canRedo());
    for (auto [act, text] : {std::pair{ActUndo, history_.undoText()}, std::pair{ActRedo, history_.redoText()}}) {
        act->setText(text);
        act->setToolTip(text);
        act->setStatusTip(text);
    }
}

void TmForm::applyBlankState(const editor::BlankState& state)
{
    // Assigned in place, so the views keep pointing at the open blank.
    blank_ = state.blank;
    params_ = state.params;
    mgrid->refresh();
    pgrid->refresh();
    if (state.col > 0 && state.row > 0)
        mgrid->setCurrentCell(std::min(state.col, blank_.grid.colCount() - 1),
                              std::min(state.row, blank_.grid.rowCount() - 1));
    refreshPreview();
    historyChanged();
}

void TmForm::UndoClick()
{
    if (blankOpen_ && history_.canUndo())
        applyBlankState(history_.undo());
}

void TmForm::RedoClick()
{
    if (blankOpen_ && history_.canRedo())
        applyBlankState(history_.redo());
}

void TmForm::ColsRowsClick()
{
    if (!blankOpen_)
        return;
    const editor::GridSize size = editor::currentGridSize(blank_.grid);
    kForm_->execColsRowsPanel(size.columns, size.rows, size.width, [this](const TkForm::ColsRows& v) {
        const editor::GridSize wanted{v.columns, v.rows, v.width};
        if (const QString problem = editor::checkGridSize(wanted); !problem.isEmpty()) {
            Messages::error(kForm_, problem);
            return false;
        }
        const editor::BlankState before = blankState();
        editor::applyGridSize(blank_.grid, wanted, v.widthChanged);
        blankChanged(true, editor::BlankCommand::ColsRows, before);
        return true;
    });
}

void TmForm::MergeClick()
{
    if (!blankOpen_)
        return;
    const editor::BlankState before = blankState();
    if (editor::mergeCells(blank_.grid, selection()))
        blankChanged(true, editor::BlankCommand::Merge, before);
}

void TmForm::SplitClick()
{
    if (!blankOpen_)
        return;
    const editor::BlankState before = blankState();
    if (editor::splitCells(blank_.grid, selection()))
        blankChanged(true, editor::BlankCommand::Split, before);
}

void TmForm::EqualWidthsClick()
{
    if (!blankOpen_)
        return;
    const editor::BlankState before = blankState();
    if (editor::equalizeColumnWidths(blank_.grid, selection()))
        blankChanged(true, editor::BlankCommand::EqualWidths, before);
}

void TmForm::BorderClick(bool on)
{
    if (!blankOpen_)
        return;
    const editor::BlankState before = blankState();
    editor::setCellBorders(blank_.grid, selection(), on);
    blankChanged(false, on ? editor::BlankCommand::BorderOn : editor::BlankCommand::BorderOff, before);
}

void TmForm::AddColumnClick()
{
    if (!blankOpen_)
        return;
    const QPoint at = mgrid->currentCell();
    const editor::BlankState before = blankState();
    if (Status st = editor::insertColumn(blank_.grid, std::max(at.x(), 1)); !st) {
        Messages::error(this, st.message());
        return;
    }
    blankChanged(true, editor::BlankCommand::AddColumn, before);
}

void TmForm::AddRowClick()
{
    if (!blankOpen_)
        return;
    const QPoint at = mgrid->currentCell();
    const editor::BlankState before = blankState();
    if (Status st = editor::insertRow(blank_.grid, std::max(at.y(), 1)); !st) {
        Messages::error(this, st.message());
        return;
    }
    blankChanged(true, editor::BlankCommand::AddRow, before);
}

void TmForm::DeleteColumnClick()
{
    if (!blankOpen_)
        return;
    const editor::BlankState before = blankState();
    if (editor::deleteColumn(blank_.grid, mgrid->currentCell().x()))
        blankChanged(true, editor::BlankCommand::DeleteColumn, before);
}

void TmForm::DeleteRowClick()
{
    if (!blankOpen_)
        return;
    const editor::BlankState before = blankState();
    if (editor::deleteRow(blank_.grid, mgrid->currentCell().y()))
        blankChanged(true, editor::BlankCommand::DeleteRow, before);
}

void TmForm::CopyClick()
{
    if (!blankOpen_ || BlankArea->isHidden())
        return;
    const QPoint at = mgrid->currentCell();
    const editor::Selection source = editor::copySource(blank_.grid, selection(), at.x(), at.y());
    QApplication::clipboard()->setMimeData(editor::toMimeData(editor::copyCells(blank_.grid, source)));
    ActPaste->setEnabled(true);
}

void TmForm::CutClick()
{
    if (!blankOpen_ || BlankArea->isHidden())
        return;
    const QPoint at = mgrid->currentCell();
    const editor::Selection source = editor::copySource(blank_.grid, selection(), at.x(), at.y());
    const editor::BlankState before = blankState();
    QApplication::clipboard()->setMimeData(editor::toMimeData(editor::cutCells(blank_.grid, source)));
    ActPaste->setEnabled(true);
    blankChanged(false, editor::BlankCommand::Cut, before);
}

void TmForm::PasteClick()
{
    if (!blankOpen_ || BlankArea->isHidden())
        return;
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime || !editor::canPaste(mime))
        return;
    const QPoint at = mgrid->currentCell();
    const editor::BlankState before = blankState();
    if (Status st = editor::paste(blank_.grid, std::max(at.x(), 1), std::max(at.y(), 1), *mime); !st) {
        Messages::error(this, st.message());
        return;
    }
    // A paste empties the clipboard.
    QApplication::clipboard()->clear();
    ActPaste->setEnabled(false);
    blankChanged(true, editor::BlankCommand::Paste, before);
}

void TmForm::ClearClick()
{
    if (!blankOpen_)
        return;
    const editor::BlankState before = blankState();
    if (editor::clearCells(blank_.grid, selection()))
        blankChanged(false, editor::BlankCommand::Clear, before);
}

void TmForm::mgridClick()
{
    if (!blankOpen_)
        return;
    editor::normalizeBorders(blank_.grid);
    updatePasteEnabled();
}

void TmForm::mgridColumnMoved(int from, int to)
{
    const editor::BlankState before = blankState();
    if (blankOpen_ && editor::moveColumn(blank_.grid, from, to)) {
        blankChanged(true, editor::BlankCommand::MoveColumn, before);
        mgrid->setCurrentCell(to, std::max(mgrid->currentCell().y(), 1));
    }
}

void TmForm::mgridRowMoved(int from, int to)
{
    const editor::BlankState before = blankState();
    if (blankOpen_ && editor::moveRow(blank_.grid, from, to)) {
        blankChanged(true, editor::BlankCommand::MoveRow, before);
        mgrid->setCurrentCell(std::max(mgrid->currentCell().x(), 1), to);
    }
}

void TmForm::updatePasteEnabled()
{
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ActPaste->setEnabled(blankOpen_ && mime && editor::canPaste(mime));
}

namespace {
// The parameter list as the archive cell check reads it.
class ListCodes : public editor::ParameterCodeSource {
public:
    explicit ListCodes(const editor::ParameterList& list) : list_(list) {}
    int parameterCount() const override { return list_.archiveCheckCount(); }
    QString parameterCode(int n) const override { return list_.code(n); }

private:
    const editor::ParameterList& list_;
};
} // namespace

void TmForm::mgridCellEdited(int col, int row, const QString& oldText, const QString& newText)
{
    // The model has already written the new text: the step starts from the old one.
    editor::BlankState before = blankState();
    before.blank.grid.setText(col, row, oldText);
    before.col = col;
    before.row = row;
    // A cell of the archive start row must hold archive values of one kind.
    editor::CellEditTracker edit;
    edit.start(col, row, oldText);
    edit.changed(newText);
    const QString refusal = edit.finish(blank_.grid, ListCodes(params_));
    if (!refusal.isEmpty()) {
        Messages::show(this, app::kAppCaption, refusal, app::MsgIcon::Information);
        // The editor is still closing: show the old text once it has gone.
        QMetaObject::invokeMethod(mgrid, [this] { mgrid->refresh(); }, Qt::QueuedConnection);
        return;
    }
    if (oldText == newText)
        return; // an edit that changed nothing: checked, nothing to record
    refreshPreview();
    editor::BlankState after = blankState();
    after.col = col;
    after.row = row;
    history_.record(editor::BlankCommand::TypeText, before, after);
    historyChanged();
}

void TmForm::appendParameter(const QString& code, const QString& name)
{
    // The list shows each parameter as it is added, while the panel stays open.
    params_.append(code, name);
    pgrid->refresh();
}

bool TmForm::AddParamClick()
{
    if (!blankOpen_)
        return false;
    const editor::BlankState before = blankState();
    const int added = kForm_->execInsertParamPanel(
        blank_.settings.kind, blank_.settings.virelType, references_,
        [this](const QString& code, const QString& name) { appendParameter(code, name); });
    if (added == 0)
        return false;
    pgrid->refresh();
    refreshPreview();
    recordStep(editor::BlankCommand::AddParameter, before);
    return true;
}

void TmForm::InsertParamClick()
{
    if (!blankOpen_)
        return;
    const editor::BlankState before = blankState();
    const int added = kForm_->execInsertParamPanel(
        blank_.settings.kind, blank_.settings.virelType, references_,
        [this](const QString& code, const QString& name) { appendParameter(code, name); });
    if (added == 0)
        return;
    pgrid->refresh();
    const QPoint at = mgrid->currentCell();
    const editor::InsertResult result = editor::insertLastParameter(blank_.grid, at.x(), at.y(), params_);
    if (!result.message.isEmpty())
        Messages::error(this, result.message);
    blankChanged(false, result.inserted() ? editor::BlankCommand::InsertReference : editor::BlankCommand::AddParameter,
                 before);
}

void TmForm::InsertParamButtonClick()
{
    InsertParamClick();
    // A type "19" cell left empty gets the parameter selected in the list.
    if (!blankOpen_ || !store::isControllerType19(blank_.settings.virelType))
        return;
    const QPoint at = mgrid->currentCell();
    if (blank_.grid.text(at.x(), at.y()).isEmpty() && pgrid->selectedParameter() >= 1)
        InsertIntoBlankClick();
}

void TmForm::InsertIntoBlankClick()
{
    if (!blankOpen_)
        return;
    const QPoint at = mgrid->currentCell();
    const editor::BlankState before = blankState();
    if (editor::insertReference(blank_.grid, at.x(), at.y(), pgrid->selectedParameter()).inserted())
        blankChanged(false, editor::BlankCommand::InsertReference, before);
}

void TmForm::DeleteParamClick()
{
    if (!blankOpen_ || params_.count() == 0)
        return;
    const QString name = params_.name(params_.count());
    if (Messages::show(this, app::kQuestionCaption, editor::deleteParameterQuestion(name), app::MsgIcon::Question,
                       app::MsgYes | app::MsgNo) != app::MsgYes)
        return;
    const editor::BlankState before = blankState();
    editor::deleteLastParameter(params_, blank_.grid);
    pgrid->refresh();
    blankChanged(false, editor::BlankCommand::DeleteParameter, before);
}

void TmForm::SetArchiveRowClick()
{
    const QPoint at = mgrid->currentCell();
    if (!blankOpen_ || at.x() < 1 || at.y() < 1)
        return;
    if (Messages::show(this, app::kAppCaption, editor::setArchiveRowQuestion(at.y()), app::MsgIcon::Question,
                       app::MsgYes | app::MsgNo) != app::MsgYes)
        return;
    const std::optional<editor::ArchiveDepth> depth = kForm_->execDepthPanel(kForm_->depthMaximum());
    const editor::BlankState before = blankState();
    if (depth && editor::setArchiveMark(blank_.grid, at.x(), at.y(), *depth))
        blankChanged(true, editor::BlankCommand::SetArchiveMark, before); // the mark column may widen
}

void TmForm::ClearArchiveRowClick()
{
    const QPoint at = mgrid->currentCell();
    if (!blankOpen_ || !editor::canClearArchiveMark(blank_.grid, at.x(), at.y()))
        return;
    const editor::BlankState before = blankState();
    if (Messages::ask(this, editor::clearArchiveRowQuestion()) && editor::clearArchiveMark(blank_.grid, at.y()))
        blankChanged(false, editor::BlankCommand::ClearArchiveMark, before);
}

void TmForm::NewClick()
{
    switch (settings_.openAction) {
    case 1: ActNewArchive->trigger(); break;
    case 2: ActNewPrintFile->trigger(); break;
    default: ActNewHourly->trigger(); break;
    }
}

void TmForm::NewPrintFileClick()
{
    kForm_->execNamePanel(
        QStringLiteral("Создание нового файла печати"), QStringLiteral("Текущая папка с файлами печати:"),
        baseFolder_, QStringLiteral("Укажите имя нового файла печати:"), defaultPrintFileName(baseFolder_),
        [this](const QString& name) {
            Status st = createPrintFile(baseFolder_, name);
            if (!st) {
                Messages::warning(kForm_, st.message());
                return false;
            }
            if (!treeHasPrintFiles()) {
                const QSignalBlocker block(Tree);
                Tree->clear();
                currentNode_ = nullptr;
            }
            printFiles_ << name;
            QTreeWidgetItem* root = addPrintFileNode(name);
            root->setExpanded(true);
            Tree->setCurrentItem(root);
            return true;
        });
}

void TmForm::NewBlankClick(BlankKind kind)
{
    if (!treeHasPrintFiles() || currentPrintFile_.isEmpty())
        return;
    QString taskFile;
    int setn = 0;
    const int type = typeDialog_->choose(blank_.settings.taskFile, blank_.settings.setn, 0, taskFile, setn);
    if (type < 0)
        return;
    BlankSettings chosen;
    chosen.virelType = type;
    chosen.taskFile = taskFile;
    chosen.setn = setn;
    chosen.kind = kind;

    const QString printFile = currentPrintFile_;
    const QString folder = printFileFolder(printFile);
    PrintFileHeader header(folder);
    header.load();
    const bool archive = kind == BlankKind::Archive;
    kForm_->execNamePanel(
        QStringLiteral("Создание нового бланка"),
        archive ? QStringLiteral("Архивный бланк для файла печати:") : QStringLiteral("Почасовой бланк для файла печати:"),
        printFile, QStringLiteral("Укажите имя нового бланка:"), defaultBlankName(header.blankNames(), kind),
        [&](const QString& name) {
            NameProblem problem = NameProblem::None;
            Status st = createBlank(folder, name, kind, nullptr, &problem);
            if (!st) {
                if (problem == NameProblem::Taken)
                    Messages::warning(kForm_, archive ? QStringLiteral("Имя бланка должно быть уникальным в пределах "
                                                                       "файла печати.\rБудьте внимательны.")
                                                      : QStringLiteral("Имя бланка должно быть уникальным в пределах "
                                                                       "почасовых бланках файла печати.\rБудьте "
                                                                       "внимательны."));
                else
                    Messages::warning(kForm_, st.message());
                return false;
            }
            QTreeWidgetItem* group = groupNode(printFileNode(printFile), kind);
            if (!group)
                return true;
            QTreeWidgetItem* node = addSortedChild(group, name.trimmed());
            group->setExpanded(true);
            // The new blank is loaded with the settings chosen for it, its catalogue
            // included, and saved with them.
            newBlankSettings_ = chosen;
            Tree->setCurrentItem(node);
            newBlankSettings_.reset();
            if (blankOpen_ && currentNode_ == node)
                saveOpenBlank(true);
            return true;
        });
}

void TmForm::SaveClick()
{
    saveOpenBlank(true);
}

void TmForm::SaveAsClick()
{
    if (!blankOpen_)
        return;
    const QString initial = QDir(printFileFolder(currentPrintFile_)).filePath(currentBlank_ + QLatin1String(".ini"));
    QString chosen = app::FileChoosers::saveFile(
        this, QStringLiteral("Сохранить бланк \"") + currentBlank_ + QStringLiteral("\" как ..."), initial,
        QStringLiteral("бланк печати (*.ini *.INI)"));
    if (chosen.isEmpty())
        return;
    const QString fileName = saveAsFileName(chosen);
    if (isHeaderFileName(fileName)) {
        Messages::show(this, QStringLiteral("Ошибка записи"),
                       QStringLiteral("Файл печати не может иметь имя \"") + fileName + QStringLiteral("\".") + u'\n' +
                           QStringLiteral(" Будьте внимательны."),
                       app::MsgIcon::Error);
        return;
    }
    // The name becomes a key of that folder's header.
    if (const NameCheck check = checkHeaderName(QFileInfo(fileName).completeBaseName()); !check.ok()) {
        Messages::error(this, check.message);
        return;
    }
    if (!QFileInfo(fileName).absoluteDir().exists()) {
        Messages::error(this, QStringLiteral("Папка \"%1\" не существует.").arg(QFileInfo(fileName).absolutePath()));
        return;
    }
    const bool overwrite = QFileInfo::exists(fileName);
    if (overwrite && !Messages::ask(this, QStringLiteral("Файл с именем:\r\"") + fileName + QStringLiteral("\".") +
                                              u'\n' + QStringLiteral("уже есть, продолжить?")))
        return;

    if (Status st = editor::saveBlankAs(fileName, blank_, params_, EditLines->text(), CheckBoxFormFeed->isChecked()); !st) {
        Messages::error(this, st.message());
        return;
    }

    // A blank saved into a print file of the base folder joins the tree there;
    // elsewhere no image is made.
    const QString printFile = store::printFileUnderBase(baseFolder_, fileName);
    if (printFile.isEmpty())
        return;
    QTreeWidgetItem* group = groupNode(printFileNode(printFile), blank_.settings.kind);
    if (!group)
        return;
    const QString name = QFileInfo(fileName).completeBaseName();
    QTreeWidgetItem* node = nullptr;
    for (int i = 0; i < group->childCount() && !node; ++i)
        if (group->child(i)->text(0) == name)
            node = group->child(i);
    if (!node)
        node = addSortedChild(group, name);
    group->setExpanded(true);
    // Selecting the node saves the blank under its old name first; the checks of
    // that same grid are shown once, for the copy.
    suppressArchiveChecks_ = true;
    Tree->setCurrentItem(node);
    suppressArchiveChecks_ = false;
    SaveClick();
}

void TmForm::DeleteClick()
{
    QTreeWidgetItem* node = Tree->currentItem();
    if (!node || !treeHasPrintFiles())
        return;
    const QString nl = QStringLiteral("\n");
    switch (level(node)) {
    case BlankLevel: {
        const QString name = node->text(0);
        const QString printFile = node->parent()->parent()->text(0);
        const bool hourly = node->parent()->text(0) == kHourlyGroup;
        const QString text = QStringLiteral("Вы действительно хотите удалить ") +
                             (hourly ? QStringLiteral("почасовой бланк \"") : QStringLiteral("архивный бланк \"")) +
                             name + QStringLiteral("\"") + nl + QStringLiteral("из файла печати \"") + printFile +
                             QStringLiteral("\"?") + nl;
        if (!Messages::ask(this, text))
            return;
        const QString folder = printFileFolder(printFile);
        if (blankOpen_ && openBlankPath_ == blankFilePath(folder, name, BlankFile::Blank).chopped(4)) {
            blankOpen_ = false;
            mgrid->setGrid(nullptr);
            pgrid->setList(nullptr);
            history_.clear();
            historyChanged();
        }
        if (Status st = deleteBlank(folder, name); !st)
            Messages::error(this, st.message());
        delete node;
        break;
    }
    case PrintFileLevel: {
        const QString printFile = node->text(0);
        if (!Messages::ask(this, QStringLiteral("Вы действительно хотите удалить файл печати \"") + printFile +
                                     QStringLiteral("\" полностью?")))
            return;
        const QString folder = printFileFolder(printFile);
        if (blankOpen_ && QFileInfo(openBlankPath_).absolutePath() == QFileInfo(folder).absoluteFilePath()) {
            blankOpen_ = false;
            mgrid->setGrid(nullptr);
            pgrid->setList(nullptr);
            history_.clear();
            historyChanged();
        }
        if (Status st = deletePrintFile(folder); !st)
            Messages::error(this, st.message());
        printFiles_.removeAll(printFile);
        {
            const QSignalBlocker block(Tree);
            delete node;
            currentNode_ = nullptr;
        }
        if (Tree->topLevelItemCount() == 0) {
            const QSignalBlocker block(Tree);
            setNoPrintFiles();
        }
        TreeChange(Tree->currentItem() ? Tree->currentItem() : Tree->topLevelItem(0));
        break;
    }
    case GroupLevel: {
        if (node->childCount() == 0)
            return;
        const QString printFile = node->parent()->text(0);
        const bool hourly = node->text(0) == kHourlyGroup;
        const QString text = (hourly ? QStringLiteral("Вы действительно хотите удалить все почасовые бланки\rфайла "
                                                      "печати \"")
                                     : QStringLiteral("Вы действительно хотите удалить все архивные бланки\rфайла "
                                                      "печати \"")) +
                             printFile + QStringLiteral("\"?");
        if (!Messages::ask(this, text))
            return;
        const QString folder = printFileFolder(printFile);
        QStringList names;
        for (int i = 0; i < node->childCount(); ++i)
            names << node->child(i)->text(0);
        if (blankOpen_ && QFileInfo(openBlankPath_).absolutePath() == QFileInfo(folder).absoluteFilePath() &&
            names.contains(QFileInfo(openBlankPath_).fileName())) {
            blankOpen_ = false;
            mgrid->setGrid(nullptr);
            pgrid->setList(nullptr);
            history_.clear();
            historyChanged();
        }
        if (Status st = deleteBlanks(folder, names); !st)
            Messages::error(this, st.message());
        const QSignalBlocker block(Tree);
        qDeleteAll(node->takeChildren());
        break;
    }
    }
}

void TmForm::PropertiesClick()
{
    if (!blankOpen_)
        return;
    QString taskFile;
    int setn = 0;
    const int type = typeDialog_->choose(blank_.settings.taskFile, blank_.settings.setn, blank_.settings.virelType,
                                         taskFile, setn);
    if (type < 0)
        return;
    const editor::BlankState before = blankState();
    blank_.settings.virelType = type;
    blank_.settings.taskFile = taskFile;
    blank_.settings.setn = setn;
    recordStep(editor::BlankCommand::Properties, before);
    // Selecting the node again saves the blank with its new settings and reloads it;
    // the history goes on.
    keepHistory_ = true;
    TreeChange(Tree->currentItem());
    keepHistory_ = false;
}

void TmForm::SettingsClick()
{
    settings_ = readSettings(paths_.settingsSource, paths_.programFolder, baseFolder_);
    nForm_->showSettings(settings_);
    nForm_->exec();
    // Whatever way the dialog closed, the settings are written and the base folder scanned.
    settings_ = nForm_->settings();
    baseFolder_ = settings_.baseFolder.isEmpty() ? paths_.programFolder : settings_.baseFolder;
    if (databasePath_ != settings_.databasePath)
        catalogueLoaded_ = false; // another database: the next type "19" blank loads it
    databasePath_ = settings_.databasePath;
    typeDialog_->setDatabasePath(databasePath_);
    if (Status st = writeSettings(paths_.settingsFile, settings_); !st)
        Messages::error(this, st.message());
    else
        paths_.settingsSource = paths_.settingsFile;
    ScanBase();
}

void TmForm::AboutClick()
{
    Messages::show(this, app::kAppCaption,
                   QStringLiteral("Редактор бланков для адаптера принтера.\n"
                                  "Разработка: группа разработчиков Растровы.\n"
                                  "Версия " RASTROVA_VERSION));
}

void TmForm::HelpClick()
{
    if (!help_)
        help_ = new app::HelpViewer(QDir(store::dataFolderOf(paths_)).filePath(QStringLiteral("help")), this);
    help_->showTopic(9);
    help_->show();
    help_->raise();
}

// ------------------------------------------------------------------ panels

void TmForm::StdBarToggle(bool down)
{
    ToolBarStandard->setVisible(down);
    ActPanelStandard->setChecked(down);
}

void TmForm::BlankBarToggle(bool down)
{
    ToolBarBlank->setVisible(down);
    ActPanelBlank->setChecked(down);
}

void TmForm::TreeToggle(bool down)
{
    Tree->setVisible(down);
    if (down)
        LeftPanel->show();
    else if (ParamPanel->isHidden())
        LeftPanel->hide();
    ActPanelTree->setChecked(down);
}

void TmForm::ParamsToggle(bool down)
{
    if (down) {
        if (BlankArea->isHidden()) {
            const QSignalBlocker block(SpeedButtonParams);
            SpeedButtonParams->setChecked(false);
            ActPanelParams->setChecked(false);
            return;
        }
        LeftPanel->show();
        ParamPanel->show();
    } else {
        ParamPanel->hide();
        if (Tree->isHidden())
            LeftPanel->hide();
    }
    ActPanelParams->setChecked(down);
}

void TmForm::PreviewToggle(bool down)
{
    if (down && BlankArea->isHidden()) {
        const QSignalBlocker block(SpeedButtonPreview);
        SpeedButtonPreview->setChecked(false);
        ActPreview->setChecked(false);
        return;
    }
    Preview->setVisible(down);
    ActPreview->setChecked(down);
    if (down)
        refreshPreview();
}

void TmForm::showParameterListIfWanted()
{
    if (SpeedButtonParams->isChecked() || settings_.parameterList) {
        const QSignalBlocker block(SpeedButtonParams);
        SpeedButtonParams->setChecked(true);
        ParamsToggle(true);
    }
}

// ------------------------------------------------------------------ events

bool TmForm::event(QEvent* e)
{
    if (e->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(e)->tip();
        if (!tip.isEmpty())
            StatusHint->setText(tip);
        return true;
    }
    return QMainWindow::event(e);
}

bool TmForm::eventFilter(QObject* watched, QEvent* e)
{
    // A column drag is one step, however many widths it passed through.
    if (e->type() == QEvent::MouseButtonRelease &&
        (watched == mgrid->horizontalHeader()->viewport() || watched == pgrid->horizontalHeader()->viewport()))
        history_.endMerge();
    // Every hint the program shows is also copied into the status bar, and stays
    // on screen for 15 seconds.
    if (e->type() == QEvent::ToolTip) {
        if (auto* w = qobject_cast<QWidget*>(watched); w && !w->toolTip().isEmpty() && w->window() == this) {
            auto* help = static_cast<QHelpEvent*>(e);
            QToolTip::showText(help->globalPos(), w->toolTip(), w, {}, kHintMilliseconds);
            StatusHint->setText(w->toolTip());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void TmForm::closeEvent(QCloseEvent* e)
{
    if (blankOpen_ && isWindowModified()) {
        const auto answer = Messages::show(this, app::kAppCaption,
                                           QStringLiteral("Сохранить изменения в бланке \"%1\"?").arg(currentBlank_),
                                           app::MsgIcon::Question, app::MsgYes | app::MsgNo | app::MsgCancel);
        if (answer == app::MsgCancel || (answer == app::MsgYes && !saveOpenBlank(true))) {
            e->ignore();
            return;
        }
    }
    e->accept();
}
