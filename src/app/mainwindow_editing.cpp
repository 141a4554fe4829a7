// The main window's commands on the open blank: undo, the grid's layout and
// cells, the clipboard, the parameter list and the archive start row.

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
