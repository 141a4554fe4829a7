#include "openblank.h"

#include "PrmsTree.h"
#include "controls/blankgrid.h"
#include "controls/paramgrid.h"
#include "controls/previewtext.h"
#include "messages.h"

#include "catalogue/cache.h"
#include "editor/saveblank.h"
#include "render/printertext.h"
#include "store/manager.h"
#include "store/names.h"
#include "store/printfile.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace rastrova::app {

OpenBlank::OpenBlank(QWidget* window) : window_(window) {}

OpenBlank::~OpenBlank() = default;

void OpenBlank::setViews(const Views& views)
{
    views_ = views;
    views_.grid->setGrid(open_ ? &blank_.grid : nullptr);
    views_.params->setList(&params_);
}

bool OpenBlank::isIn(const QString& folder) const
{
    return open_ && QFileInfo(basePath_).absolutePath() == QFileInfo(folder).absoluteFilePath();
}

bool OpenBlank::isAmong(const QString& folder, const QStringList& names) const
{
    return isIn(folder) && names.contains(QFileInfo(basePath_).fileName());
}

// ------------------------------------------------------------------ opening and saving

OpenBlank::Opened OpenBlank::open(const QString& folder, const QString& name, store::BlankKind kind)
{
    const QString basePath = store::blankFilePath(folder, name, store::BlankFile::Blank).chopped(4);
    store::BlankDocument doc;
    doc.settings.kind = kind;
    const Status st = store::readBlank(basePath + QLatin1String(".ini"), doc);
    if (!st) {
        if (st.code() != Status::NotFound)
            Messages::error(window_, st.message());
        return Opened::BlankUnread;
    }
    if (newSettings_)
        doc.settings = *newSettings_;
    // A damaged list is not opened: saving would replace it with an empty one.
    editor::ParameterList list;
    if (Status listStatus = list.load(basePath + QLatin1String(".par")); !listStatus) {
        Messages::error(window_, listStatus.message());
        return Opened::ListUnread;
    }
    blank_ = std::move(doc);
    params_ = std::move(list);
    open_ = true;
    folder_ = folder;
    name_ = name;
    basePath_ = basePath;
    views_.grid->setGrid(&blank_.grid);
    views_.params->setList(&params_);

    // Page settings, shown without being written back.
    store::PrintFileHeader header(folder);
    header.load();
    if (const int n = header.blankNumber(name); n > 0) {
        loadingPage_ = true;
        views_.pageLines->setText(header.pageLength(n));
        views_.formFeed->setChecked(header.formFeed(n));
        loadingPage_ = false;
    }
    // A blank opened afresh starts its own history.
    if (!keepHistory_)
        history_.reset(state());
    loadCatalogueFor(blank_.settings);
    emit historyChanged();
    return Opened::Yes;
}

bool OpenBlank::save(bool reportErrors)
{
    if (!open_)
        return true;
    const editor::SaveBlankResult result = editor::saveBlank(
        basePath_, {blank_, params_, views_.pageLines->text(), views_.formFeed->isChecked(), archiveDays()});
    if (!result.files) {
        if (reportErrors)
            Messages::error(window_, result.files.message());
        return false;
    }
    history_.markSaved();
    emit historyChanged();
    // The blank and its list are on disk; an image that could not be made is
    // reported, and the previous image file stays.
    if (!result.image && reportErrors)
        Messages::error(
            window_,
            QStringLiteral("Двоичный образ бланка \"%1\" не сформирован, на диске остался прежний: %2")
                .arg(QFileInfo(basePath_).fileName(), result.image.message()));
    showArchiveChecks(result.archiveChecks);
    return true;
}

Status OpenBlank::saveAs(const QString& fileName) const
{
    return editor::saveBlankAs(fileName, blank_, params_, views_.pageLines->text(),
                               views_.formFeed->isChecked());
}

void OpenBlank::close()
{
    if (!open_)
        return;
    open_ = false;
    basePath_.clear();
    views_.grid->setGrid(nullptr);
    views_.params->setList(nullptr);
    if (!keepHistory_)
        history_.clear();
    emit historyChanged();
}

void OpenBlank::discard()
{
    if (!open_)
        return;
    const bool keep = keepHistory_;
    keepHistory_ = false;
    close();
    keepHistory_ = keep;
}

void OpenBlank::showArchiveChecks(const QStringList& findings)
{
    // What the adapter could not print as the archive rows ask.
    if (!showArchiveChecks_)
        return;
    for (const QString& finding : findings)
        Messages::show(window_, kAppCaption, finding, MsgIcon::Information);
}

// ------------------------------------------------------------------ history

editor::BlankState OpenBlank::state() const
{
    const QPoint at = views_.grid->currentCell();
    return {blank_, params_, at.x(), at.y()};
}

void OpenBlank::record(editor::BlankCommand command, const editor::BlankState& before, int mergeKey)
{
    if (open_)
        history_.record(command, before, state(), mergeKey);
    emit historyChanged();
}

void OpenBlank::record(editor::BlankCommand command, const editor::BlankState& before,
                       const editor::BlankState& after)
{
    if (open_)
        history_.record(command, before, after);
    emit historyChanged();
}

void OpenBlank::changed(bool gridLayoutChanged, editor::BlankCommand command,
                        const editor::BlankState& before)
{
    if (gridLayoutChanged)
        views_.grid->refresh();
    else
        views_.grid->viewport()->update();
    // The preview may widen a mark column: that belongs to the step too.
    refreshPreview();
    record(command, before);
}

void OpenBlank::apply(const editor::BlankState& state)
{
    // Assigned in place, so the views keep pointing at the open blank.
    blank_ = state.blank;
    params_ = state.params;
    views_.grid->refresh();
    views_.params->refresh();
    if (state.col > 0 && state.row > 0)
        views_.grid->setCurrentCell(std::min(state.col, blank_.grid.colCount() - 1),
                                    std::min(state.row, blank_.grid.rowCount() - 1));
    refreshPreview();
    emit historyChanged();
}

void OpenBlank::undo()
{
    if (open_ && history_.canUndo())
        apply(history_.undo());
}

void OpenBlank::redo()
{
    if (open_ && history_.canRedo())
        apply(history_.redo());
}

// ------------------------------------------------------------------ preview and page

void OpenBlank::refreshPreview()
{
    if (!open_) {
        views_.preview->clear();
        return;
    }
    // A mark column is widened so that the whole mark shows; the blank keeps it.
    if (render::widenMarkColumns(blank_.grid))
        views_.grid->refresh();
    const render::PrinterText text = render::renderPrinterText(blank_.grid, views_.formFeed->isChecked());
    showPreviewText(views_.preview, render::previewText(text));
    QTextCursor caret = views_.preview->textCursor();
    caret.movePosition(QTextCursor::Start);
    caret.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor);
    views_.preview->setTextCursor(caret);
    if (!text.status)
        views_.hint->setText(text.status.message());
}

void OpenBlank::pageSettingsChanged()
{
    if (loadingPage_ || !open_)
        return;
    if (Status st =
            store::writePageSettings(folder_, name_, views_.pageLines->text(), views_.formFeed->isChecked());
        !st)
        Messages::error(window_, st.message());
    refreshPreview();
}

// ------------------------------------------------------------------ catalogue

void OpenBlank::loadCatalogueFor(const store::BlankSettings& settings)
{
    // Type "19" blanks name their parameters through the controller's catalogue.
    if (!views_.catalogue || !store::isControllerType19(settings.virelType))
        return;
    if (!catalogue::treeNeedsLoading(catalogueLoaded_, catalogueTask_, settings.taskFile,
                                     views_.catalogue->holdsAtMostOneNode()))
        return;
    catalogueTask_ = settings.taskFile;
    catalogueLoaded_ = true;
    views_.catalogue->loadTask(databasePath_, settings.taskFile);
}

std::function<int(uint32_t)> OpenBlank::archiveDays() const
{
    if (!views_.catalogue || !store::isControllerType19(blank_.settings.virelType))
        return {};
    const catalogue::ModuleTSK* module = &views_.catalogue->catalogue();
    return [module](uint32_t number) { return int(module->archiveLengthOfParameter(uint16_t(number))); };
}

} // namespace rastrova::app
