// The main window's actions, menus, toolbars and panels: how they are built.
// What they do is in mUnit.cpp and mainwindow_editing.cpp.

#include "mUnit.h"
#include "mainwindow_shared.h"

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
using namespace mainwindow;

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
    if (!openBlank_.isOpen())
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
    tree_ = app::PrintFileTree(Tree);
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
    pgrid->setList(&openBlank_.parameters());
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
        editor::BlankState before = openBlank_.state();
        before.params = openBlank_.history().present().params;
        const editor::BlankCommand command = editor::listChangeCommand(before.params, openBlank_.parameters());
        refreshPreview();
        openBlank_.record(command, before, command == editor::BlankCommand::ColumnWidth ? -1 : 0);
    });
    mgrid->horizontalHeader()->viewport()->installEventFilter(this);
    pgrid->horizontalHeader()->viewport()->installEventFilter(this);
    connect(pgrid->addParameterAction(), &QAction::triggered, this, &TmForm::AddParamClick);
    connect(pgrid->insertIntoBlankAction(), &QAction::triggered, this, &TmForm::InsertIntoBlankClick);
    connect(pgrid->deleteParameterAction(), &QAction::triggered, this, &TmForm::DeleteParamClick);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TmForm::updatePasteEnabled);
    connect(mgrid, &app::BlankGridView::columnResized, this, [this](int col, int) {
        // The grid already holds the new width; the step starts from the old one.
        editor::BlankState before = openBlank_.state();
        const store::Grid& was = openBlank_.history().present().blank.grid;
        if (col < was.colCount())
            before.blank.grid.setColWidth(col, was.colWidth(col));
        refreshPreview();
        openBlank_.record(editor::BlankCommand::ColumnWidth, before, col); // one step per drag
    });
    connect(mgrid, &app::BlankGridView::columnMoved, this, &TmForm::mgridColumnMoved);
    connect(mgrid, &app::BlankGridView::rowMoved, this, &TmForm::mgridRowMoved);
}
