#include "mUnit.h"
#include "mainwindow_shared.h"
#include "printfiletree.h"

#include "PrmsTree.h"
#include "Ustr.h"
#include "controls/blankgrid.h"
#include "controls/paramgrid.h"
#include "helpviewer.h"
#include "kUnit.h"
#include "messages.h"
#include "nUnit.h"
#include "tekchDialog.h"

#include "catalogue/moduletsk.h"
#include "render/printfileimage.h"
#include "store/installation.h"
#include "store/printfile.h"
#include "store/scan.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolTip>
#include <QTreeWidget>

using namespace rastrova;
using namespace rastrova::store;
using rastrova::app::Messages;
using namespace mainwindow;

TmForm::TmForm(ProgramPaths paths, Tnform* nForm, TkForm* kForm, TVirelTypeDialog* typeDialog,
               TAUstr* programmingWindow, QWidget* parent)
    : QMainWindow(parent), paths_(std::move(paths)), nForm_(nForm), kForm_(kForm), typeDialog_(typeDialog),
      programmingWindow_(programmingWindow)
{
    setObjectName(QStringLiteral("mForm"));
    setWindowTitle(QStringLiteral("Растрова - Диалог[*]"));
    resize(1100, 720);

    // The base folder is the program folder until the settings say otherwise.
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
    treeFrame_->setChangeHandler([this](const catalogue::CatalogueEntry* entry) {
        kForm_->catalogueNodeChosen(chosenParameter(entry));
    });
    openBlank_.setViews({mgrid, pgrid, Preview, EditLines, CheckBoxFormFeed, StatusHint, treeFrame_});
    app::PrintFileManager::Window& managerWindow = *this;
    manager_ = std::make_unique<app::PrintFileManager>(
        managerWindow, app::PrintFileManager::Parts{this, kForm_, typeDialog_, Tree, &tree_, &openBlank_});
    connect(&openBlank_, &app::OpenBlank::historyChanged, this, &TmForm::historyChanged);

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

// ------------------------------------------------------------------ start-up

void TmForm::FormShow()
{
    StatusBlank->clear();
    settings_ = readSettings(paths_.settingsSource, paths_.programFolder, baseFolder_);
    baseFolder_ = settings_.baseFolder;
    databasePath_ = settings_.databasePath;
    openBlank_.setDatabasePath(databasePath_);
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
    setWindowModified(on && openBlank_.isOpen());
    updateSelectionStatus();
}

QString TmForm::printFileFolder(const QString& printFile) const
{
    return QDir(baseFolder_).filePath(printFile);
}

// ------------------------------------------------------------------ the tree

void TmForm::setNoPrintFiles()
{
    tree_.showNone();
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
    const ScanResult scan = scanBaseFolder(baseFolder_);
    tree_.fill(scan);
    {
        const QSignalBlocker block(Tree);
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
    ActUndo->setEnabled(on && openBlank_.history().canUndo());
    ActRedo->setEnabled(on && openBlank_.history().canRedo());
    if (!on)
        ParamPanel->hide();
    ActDelete->setEnabled(tree_.hasPrintFiles());
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
    if (openBlank_.isOpen()) {
        if (!openBlank_.save(true)) {
            currentNode_ = previous;
            if (previous) {
                const QSignalBlocker block(Tree);
                Tree->setCurrentItem(previous);
            }
            ActNewHourly->setEnabled(tree_.hasPrintFiles());
            ActNewArchive->setEnabled(tree_.hasPrintFiles());
            ActExchange->setEnabled(tree_.hasPrintFiles());
            return;
        }
        openBlank_.close();
    }

    const bool enableNew =
        tree_.hasPrintFiles() && (Tree->topLevelItemCount() > 1 || Tree->topLevelItem(0)->childCount() > 0);
    ActNewHourly->setEnabled(enableNew);
    ActNewArchive->setEnabled(enableNew);
    ActExchange->setEnabled(enableNew);

    if (app::PrintFileTree::level(node) < BlankLevel) {
        currentPrintFile_ =
            app::PrintFileTree::level(node) == PrintFileLevel ? node->text(0) : node->parent()->text(0);
        currentBlank_.clear();
        showEditing(false);
        updateSelectionStatus();
        refreshPreview();
        return;
    }
    loadBlank(node);
    refreshPreview();
}

void TmForm::loadBlank(QTreeWidgetItem* node)
{
    currentBlank_ = node->text(0);
    currentPrintFile_ = node->parent()->parent()->text(0);
    const BlankKind kind = node->parent()->text(0) == kHourlyGroup ? BlankKind::Hourly : BlankKind::Archive;
    ActSetArchiveRow->setVisible(kind == BlankKind::Archive);
    ActClearArchiveRow->setVisible(kind == BlankKind::Archive);

    const app::OpenBlank::Opened opened =
        openBlank_.open(printFileFolder(currentPrintFile_), currentBlank_, kind);
    if (opened != app::OpenBlank::Opened::Yes) {
        showEditing(false);
        updateSelectionStatus();
        if (opened == app::OpenBlank::Opened::BlankUnread)
            StatusBlank->setText(kFileNotFound);
        return;
    }
    showEditing(true);
    if (SpeedButtonPreview->isChecked())
        Preview->show();
    showParameterListIfWanted();
    historyChanged();
}

void TmForm::updateSelectionStatus()
{
    StatusPrintFile->setText(currentPrintFile_);
    StatusBlank->setText(isWindowModified() ? currentBlank_ + QStringLiteral(" *") : currentBlank_);
}

void TmForm::refreshPreview()
{
    openBlank_.refreshPreview();
}

void TmForm::PageSettingsChange()
{
    openBlank_.pageSettingsChanged();
}

// ------------------------------------------------------------------ commands

void TmForm::NewClick()
{
    switch (settings_.openAction) {
    case 1:
        ActNewArchive->trigger();
        break;
    case 2:
        ActNewPrintFile->trigger();
        break;
    default:
        ActNewHourly->trigger();
        break;
    }
}

void TmForm::NewPrintFileClick()
{
    manager_->newPrintFile();
}

void TmForm::NewBlankClick(BlankKind kind)
{
    manager_->newBlank(kind);
}

void TmForm::SaveClick()
{
    openBlank_.save(true);
}

void TmForm::SaveAsClick()
{
    manager_->saveAs();
}

void TmForm::DeleteClick()
{
    manager_->deleteSelected();
}

void TmForm::PropertiesClick()
{
    manager_->properties();
}

Status TmForm::BuildImageClick(bool reportErrors)
{
    // The print file shown in the status bar, with its blanks in tree order, read
    // as the tree and the command line read it.
    QTreeWidgetItem* printFile = tree_.printFile(currentPrintFile_);
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
    Status st = openBlank_.save(false) ? BuildImageClick(false) : Status::ioError(QString());
    if (!st) {
        // The reason goes to the status bar; the box says what to do.
        if (!st.message().isEmpty())
            StatusHint->setText(st.message());
        Messages::show(
            this, QStringLiteral("Ошибка запуска режима обмена"),
            QStringLiteral("Двоичный файл не сформирован. Сохраните каждый блнак файла печати \"") +
                printFile + QStringLiteral("\" и попробуйте снова."),
            app::MsgIcon::Error);
        return;
    }
    programmingWindow_->setImagePath(QDir(printFileFolder(printFile)).filePath(kImageFileName));
    programmingWindow_->exec();
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
        openBlank_.forgetCatalogue(); // another database: the next type "19" blank loads it
    databasePath_ = settings_.databasePath;
    openBlank_.setDatabasePath(databasePath_);
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
    if (e->type() == QEvent::MouseButtonRelease && (watched == mgrid->horizontalHeader()->viewport() ||
                                                    watched == pgrid->horizontalHeader()->viewport()))
        openBlank_.history().endMerge();
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
    if (openBlank_.isOpen() && isWindowModified()) {
        const auto answer = Messages::show(
            this, app::kAppCaption, QStringLiteral("Сохранить изменения в бланке \"%1\"?").arg(currentBlank_),
            app::MsgIcon::Question, app::MsgYes | app::MsgNo | app::MsgCancel);
        if (answer == app::MsgCancel || (answer == app::MsgYes && !openBlank_.save(true))) {
            e->ignore();
            return;
        }
    }
    e->accept();
}
