#include "mUnit.h"
#include "mainwindow_shared.h"
#include "printfiletree.h"

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
    printFiles_.clear();
    for (const ScannedPrintFile& file : scan.printFiles)
        printFiles_ << file.name;
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
    ActUndo->setEnabled(on && history_.canUndo());
    ActRedo->setEnabled(on && history_.canRedo());
    if (!on)
        ParamPanel->hide();
    ActDelete->setEnabled(tree_.hasPrintFiles());
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
            ActNewHourly->setEnabled(tree_.hasPrintFiles());
            ActNewArchive->setEnabled(tree_.hasPrintFiles());
            ActExchange->setEnabled(tree_.hasPrintFiles());
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

    const bool enableNew = tree_.hasPrintFiles() && (Tree->topLevelItemCount() > 1 || Tree->topLevelItem(0)->childCount() > 0);
    ActNewHourly->setEnabled(enableNew);
    ActNewArchive->setEnabled(enableNew);
    ActExchange->setEnabled(enableNew);

    if (app::PrintFileTree::level(node) < BlankLevel) {
        currentPrintFile_ = app::PrintFileTree::level(node) == PrintFileLevel ? node->text(0) : node->parent()->text(0);
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
