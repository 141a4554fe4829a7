// The main window's commands on the open blank: undo, the grid's layout and
// cells, the clipboard, the parameter list and the archive start row.

#include "mUnit.h"
#include "mainwindow_shared.h"

#include "controls/blankgrid.h"
#include "controls/paramgrid.h"
#include "kUnit.h"
#include "messages.h"

#include "editor/archiverow.h"
#include "editor/cellcheck.h"
#include "editor/clipboard.h"
#include "editor/paramcode.h"
#include "editor/references.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMetaObject>
#include <QMimeData>
#include <QWidget>

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

void TmForm::historyChanged()
{
    const editor::BlankHistory& history = openBlank_.history();
    setModified(openBlank_.isModified());
    const bool on = openBlank_.isOpen() && !BlankArea->isHidden();
    ActUndo->setEnabled(on && history.canUndo());
    ActRedo->setEnabled(on && history.canRedo());
    for (auto [act, text] :
         {std::pair{ActUndo, history.undoText()}, std::pair{ActRedo, history.redoText()}}) {
        act->setText(text);
        act->setToolTip(text);
        act->setStatusTip(text);
    }
}

void TmForm::UndoClick()
{
    openBlank_.undo();
}

void TmForm::RedoClick()
{
    openBlank_.redo();
}

void TmForm::ColsRowsClick()
{
    if (!openBlank_.isOpen())
        return;
    const editor::GridSize size = editor::currentGridSize(openBlank_.document().grid);
    kForm_->execColsRowsPanel(size.columns, size.rows, size.width, [this](const TkForm::ColsRows& v) {
        const editor::GridSize wanted{v.columns, v.rows, v.width};
        if (const QString problem = editor::checkGridSize(wanted); !problem.isEmpty()) {
            Messages::error(kForm_, problem);
            return false;
        }
        const editor::BlankState before = openBlank_.state();
        editor::applyGridSize(openBlank_.document().grid, wanted, v.widthChanged);
        openBlank_.changed(true, editor::BlankCommand::ColsRows, before);
        return true;
    });
}

void TmForm::MergeClick()
{
    if (!openBlank_.isOpen())
        return;
    const editor::BlankState before = openBlank_.state();
    if (editor::mergeCells(openBlank_.document().grid, selection()))
        openBlank_.changed(true, editor::BlankCommand::Merge, before);
}

void TmForm::SplitClick()
{
    if (!openBlank_.isOpen())
        return;
    const editor::BlankState before = openBlank_.state();
    if (editor::splitCells(openBlank_.document().grid, selection()))
        openBlank_.changed(true, editor::BlankCommand::Split, before);
}

void TmForm::EqualWidthsClick()
{
    if (!openBlank_.isOpen())
        return;
    const editor::BlankState before = openBlank_.state();
    if (editor::equalizeColumnWidths(openBlank_.document().grid, selection()))
        openBlank_.changed(true, editor::BlankCommand::EqualWidths, before);
}

void TmForm::BorderClick(bool on)
{
    if (!openBlank_.isOpen())
        return;
    const editor::BlankState before = openBlank_.state();
    editor::setCellBorders(openBlank_.document().grid, selection(), on);
    openBlank_.changed(false, on ? editor::BlankCommand::BorderOn : editor::BlankCommand::BorderOff, before);
}

void TmForm::AddColumnClick()
{
    if (!openBlank_.isOpen())
        return;
    const QPoint at = mgrid->currentCell();
    const editor::BlankState before = openBlank_.state();
    if (Status st = editor::insertColumn(openBlank_.document().grid, std::max(at.x(), 1)); !st) {
        Messages::error(this, st.message());
        return;
    }
    openBlank_.changed(true, editor::BlankCommand::AddColumn, before);
}

void TmForm::AddRowClick()
{
    if (!openBlank_.isOpen())
        return;
    const QPoint at = mgrid->currentCell();
    const editor::BlankState before = openBlank_.state();
    if (Status st = editor::insertRow(openBlank_.document().grid, std::max(at.y(), 1)); !st) {
        Messages::error(this, st.message());
        return;
    }
    openBlank_.changed(true, editor::BlankCommand::AddRow, before);
}

void TmForm::DeleteColumnClick()
{
    if (!openBlank_.isOpen())
        return;
    const editor::BlankState before = openBlank_.state();
    if (editor::deleteColumn(openBlank_.document().grid, mgrid->currentCell().x()))
        openBlank_.changed(true, editor::BlankCommand::DeleteColumn, before);
}

void TmForm::DeleteRowClick()
{
    if (!openBlank_.isOpen())
        return;
    const editor::BlankState before = openBlank_.state();
    if (editor::deleteRow(openBlank_.document().grid, mgrid->currentCell().y()))
        openBlank_.changed(true, editor::BlankCommand::DeleteRow, before);
}

void TmForm::CopyClick()
{
    if (!openBlank_.isOpen() || BlankArea->isHidden())
        return;
    const QPoint at = mgrid->currentCell();
    const editor::Selection source =
        editor::copySource(openBlank_.document().grid, selection(), at.x(), at.y());
    QApplication::clipboard()->setMimeData(
        editor::toMimeData(editor::copyCells(openBlank_.document().grid, source)));
    ActPaste->setEnabled(true);
}

void TmForm::CutClick()
{
    if (!openBlank_.isOpen() || BlankArea->isHidden())
        return;
    const QPoint at = mgrid->currentCell();
    const editor::Selection source =
        editor::copySource(openBlank_.document().grid, selection(), at.x(), at.y());
    const editor::BlankState before = openBlank_.state();
    QApplication::clipboard()->setMimeData(
        editor::toMimeData(editor::cutCells(openBlank_.document().grid, source)));
    ActPaste->setEnabled(true);
    openBlank_.changed(false, editor::BlankCommand::Cut, before);
}

void TmForm::PasteClick()
{
    if (!openBlank_.isOpen() || BlankArea->isHidden())
        return;
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime || !editor::canPaste(mime))
        return;
    const QPoint at = mgrid->currentCell();
    const editor::BlankState before = openBlank_.state();
    if (Status st =
            editor::paste(openBlank_.document().grid, std::max(at.x(), 1), std::max(at.y(), 1), *mime);
        !st) {
        Messages::error(this, st.message());
        return;
    }
    // A paste empties the clipboard.
    QApplication::clipboard()->clear();
    ActPaste->setEnabled(false);
    openBlank_.changed(true, editor::BlankCommand::Paste, before);
}

void TmForm::ClearClick()
{
    if (!openBlank_.isOpen())
        return;
    const editor::BlankState before = openBlank_.state();
    if (editor::clearCells(openBlank_.document().grid, selection()))
        openBlank_.changed(false, editor::BlankCommand::Clear, before);
}

void TmForm::mgridClick()
{
    if (!openBlank_.isOpen())
        return;
    editor::normalizeBorders(openBlank_.document().grid);
    updatePasteEnabled();
}

void TmForm::mgridColumnMoved(int from, int to)
{
    const editor::BlankState before = openBlank_.state();
    if (openBlank_.isOpen() && editor::moveColumn(openBlank_.document().grid, from, to)) {
        openBlank_.changed(true, editor::BlankCommand::MoveColumn, before);
        mgrid->setCurrentCell(to, std::max(mgrid->currentCell().y(), 1));
    }
}

void TmForm::mgridRowMoved(int from, int to)
{
    const editor::BlankState before = openBlank_.state();
    if (openBlank_.isOpen() && editor::moveRow(openBlank_.document().grid, from, to)) {
        openBlank_.changed(true, editor::BlankCommand::MoveRow, before);
        mgrid->setCurrentCell(std::max(mgrid->currentCell().x(), 1), to);
    }
}

void TmForm::updatePasteEnabled()
{
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ActPaste->setEnabled(openBlank_.isOpen() && mime && editor::canPaste(mime));
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
    editor::BlankState before = openBlank_.state();
    before.blank.grid.setText(col, row, oldText);
    before.col = col;
    before.row = row;
    // A cell of the archive start row must hold archive values of one kind.
    editor::CellEditTracker edit;
    edit.start(col, row, oldText);
    edit.changed(newText);
    const QString refusal = edit.finish(openBlank_.document().grid, ListCodes(openBlank_.parameters()));
    if (!refusal.isEmpty()) {
        Messages::show(this, app::kAppCaption, refusal, app::MsgIcon::Information);
        // The editor is still closing: show the old text once it has gone.
        QMetaObject::invokeMethod(
            mgrid, [this] { mgrid->refresh(); }, Qt::QueuedConnection);
        return;
    }
    if (oldText == newText)
        return; // an edit that changed nothing: checked, nothing to record
    refreshPreview();
    editor::BlankState after = openBlank_.state();
    after.col = col;
    after.row = row;
    openBlank_.record(editor::BlankCommand::TypeText, before, after);
}

void TmForm::appendParameter(const QString& code, const QString& name)
{
    // The list shows each parameter as it is added, while the panel stays open.
    openBlank_.parameters().append(code, name);
    pgrid->refresh();
}

bool TmForm::AddParamClick()
{
    if (!openBlank_.isOpen())
        return false;
    const editor::BlankState before = openBlank_.state();
    const int added = kForm_->execInsertParamPanel(
        openBlank_.document().settings.kind, openBlank_.document().settings.virelType, references_,
        [this](const QString& code, const QString& name) { appendParameter(code, name); });
    if (added == 0)
        return false;
    pgrid->refresh();
    refreshPreview();
    openBlank_.record(editor::BlankCommand::AddParameter, before);
    return true;
}

void TmForm::InsertParamClick()
{
    if (!openBlank_.isOpen())
        return;
    const editor::BlankState before = openBlank_.state();
    const int added = kForm_->execInsertParamPanel(
        openBlank_.document().settings.kind, openBlank_.document().settings.virelType, references_,
        [this](const QString& code, const QString& name) { appendParameter(code, name); });
    if (added == 0)
        return;
    pgrid->refresh();
    const QPoint at = mgrid->currentCell();
    const editor::InsertResult result =
        editor::insertLastParameter(openBlank_.document().grid, at.x(), at.y(), openBlank_.parameters());
    if (!result.message.isEmpty())
        Messages::error(this, result.message);
    openBlank_.changed(
        false, result.inserted() ? editor::BlankCommand::InsertReference : editor::BlankCommand::AddParameter,
        before);
}

void TmForm::InsertParamButtonClick()
{
    InsertParamClick();
    // A type "19" cell left empty gets the parameter selected in the list.
    if (!openBlank_.isOpen() || !store::isControllerType19(openBlank_.document().settings.virelType))
        return;
    const QPoint at = mgrid->currentCell();
    if (openBlank_.document().grid.text(at.x(), at.y()).isEmpty() && pgrid->selectedParameter() >= 1)
        InsertIntoBlankClick();
}

void TmForm::InsertIntoBlankClick()
{
    if (!openBlank_.isOpen())
        return;
    const QPoint at = mgrid->currentCell();
    const editor::BlankState before = openBlank_.state();
    if (editor::insertReference(openBlank_.document().grid, at.x(), at.y(), pgrid->selectedParameter())
            .inserted())
        openBlank_.changed(false, editor::BlankCommand::InsertReference, before);
}

void TmForm::DeleteParamClick()
{
    if (!openBlank_.isOpen() || openBlank_.parameters().count() == 0)
        return;
    const QString name = openBlank_.parameters().name(openBlank_.parameters().count());
    if (Messages::show(this, app::kQuestionCaption, editor::deleteParameterQuestion(name),
                       app::MsgIcon::Question, app::MsgYes | app::MsgNo) != app::MsgYes)
        return;
    const editor::BlankState before = openBlank_.state();
    editor::deleteLastParameter(openBlank_.parameters(), openBlank_.document().grid);
    pgrid->refresh();
    openBlank_.changed(false, editor::BlankCommand::DeleteParameter, before);
}

void TmForm::SetArchiveRowClick()
{
    const QPoint at = mgrid->currentCell();
    if (!openBlank_.isOpen() || at.x() < 1 || at.y() < 1)
        return;
    if (Messages::show(this, app::kAppCaption, editor::setArchiveRowQuestion(at.y()), app::MsgIcon::Question,
                       app::MsgYes | app::MsgNo) != app::MsgYes)
        return;
    const std::optional<editor::ArchiveDepth> depth = kForm_->execDepthPanel(kForm_->depthMaximum());
    const editor::BlankState before = openBlank_.state();
    if (depth && editor::setArchiveMark(openBlank_.document().grid, at.x(), at.y(), *depth))
        openBlank_.changed(true, editor::BlankCommand::SetArchiveMark, before); // the mark column may widen
}

void TmForm::ClearArchiveRowClick()
{
    const QPoint at = mgrid->currentCell();
    if (!openBlank_.isOpen() || !editor::canClearArchiveMark(openBlank_.document().grid, at.x(), at.y()))
        return;
    const editor::BlankState before = openBlank_.state();
    if (Messages::ask(this, editor::clearArchiveRowQuestion()) &&
        editor::clearArchiveMark(openBlank_.document().grid, at.y()))
        openBlank_.changed(false, editor::BlankCommand::ClearArchiveMark, before);
}
