// Undo and redo of the open blank: every command taken back restores the blank and
// its parameter list byte for byte, and done again gives its result; the bound,
// the labels, joining steps, the modified mark and a fresh history.

#include "editor/clipboard.h"
#include "editor/gridops.h"
#include "editor/history.h"
#include "editor/paramlist.h"
#include "editor/references.h"
#include "store/blank.h"
#include "store/gridfile.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QPoint>

#include <functional>
#include <set>
#include <vector>

using namespace rastrova;
using namespace rastrova::editor;
using store::Grid;
using store::Range;

namespace {

// A blank of 5 x 5 data cells with texts, references, a framed cell, a merged
// range and columns of different widths; three parameters; settings of type "19".
BlankState sample()
{
    BlankState s;
    Grid& g = s.blank.grid;
    g.resize(6, 6);
    g.setText(1, 1, QStringLiteral("Отчёт"));
    g.setText(2, 2, QStringLiteral("Т1 = @1"));
    g.setText(3, 2, QStringLiteral("@2"));
    g.setText(4, 2, QStringLiteral("Время: @3"));
    g.setText(1, 4, QStringLiteral("Итого"));
    g.setText(1, 5, QStringLiteral("Подпись"));
    EXPECT_TRUE(g.addRange(Range{1, 5, 2, 5}));
    g.cell(3, 3).inner = store::Border{kFrameColour, kFrameWidth};
    g.setColWidth(1, 60);
    g.setColWidth(2, 90);
    g.setColWidth(3, 120);
    s.params.append(QStringLiteral("~05"), QStringLiteral("Т1"));
    s.params.append(QStringLiteral("~06"), QStringLiteral("Т2"));
    s.params.append(kCodeTime, fixedCodeName(kCodeTime));
    s.blank.settings = store::BlankSettings{1, 7, QStringLiteral("task.tsk"), store::BlankKind::Hourly};
    s.col = 2;
    s.row = 2;
    return s;
}

// The blank file (grid and settings) and the list file, as they would be written.
QByteArray bytesOf(const BlankState& s)
{
    QByteArray blank, list;
    EXPECT_TRUE(store::blankFileBytes(s.blank, blank));
    EXPECT_TRUE(store::gridTableBytes(s.params.grid(), list));
    return blank + "\n-- list --\n" + list;
}

struct Case {
    const char* name;
    BlankCommand command;
    // Runs the command on the blank grid `g` of `s`; false when the core function refused.
    std::function<bool(Grid& g, BlankState& s)> run;
};

// Every command of the editor as the window runs it, through the core functions.
const std::vector<Case>& commands()
{
    using C = BlankCommand;
    static const std::vector<Case> list = {
        {"typing", C::TypeText,
         [](Grid& g, BlankState&) { g.setText(4, 3, QStringLiteral("Итого за сутки")); return true; }},
        {"merge", C::Merge, [](Grid& g, BlankState&) { return mergeCells(g, Range{1, 1, 3, 2}); }},
        {"split", C::Split, [](Grid& g, BlankState&) { return splitCells(g, Range{2, 5, 2, 5}); }},
        {"border on", C::BorderOn,
         [](Grid& g, BlankState&) { setCellBorders(g, Range{1, 1, 2, 3}, true); return true; }},
        {"border off", C::BorderOff,
         [](Grid& g, BlankState&) { setCellBorders(g, Range{3, 3, 3, 3}, false); return true; }},
        {"columns and rows", C::ColsRows,
         [](Grid& g, BlankState&) { applyGridSize(g, GridSize{3, 8, 90}, true); return true; }},
        {"add column", C::AddColumn, [](Grid& g, BlankState&) { return bool(insertColumn(g, 2)); }},
        {"add row", C::AddRow, [](Grid& g, BlankState&) { return bool(insertRow(g, 3)); }},
        {"delete column", C::DeleteColumn, [](Grid& g, BlankState&) { return deleteColumn(g, 2); }},
        {"delete row", C::DeleteRow, [](Grid& g, BlankState&) { return deleteRow(g, 5); }},
        {"equal widths", C::EqualWidths,
         [](Grid& g, BlankState&) { return equalizeColumnWidths(g, Range{1, 1, 3, 1}); }},
        {"column width", C::ColumnWidth, [](Grid& g, BlankState&) { g.setColWidth(2, 140); return true; }},
        {"clear", C::Clear, [](Grid& g, BlankState&) { return clearCells(g, Range{1, 1, 3, 3}); }},
        {"cut", C::Cut, [](Grid& g, BlankState&) { return !cutCells(g, Range{1, 1, 2, 2}).isEmpty(); }},
        {"paste past the right edge", C::Paste,
         [](Grid& g, BlankState&) {
             const ClipboardContent copied = copyCells(g, Range{1, 1, 3, 2});
             return bool(pasteCells(g, 4, 4, copied.cells));
         }},
        {"add parameter", C::AddParameter,
         [](Grid&, BlankState& s) { return s.params.append(kCodeDate, fixedCodeName(kCodeDate)) == 4; }},
        {"delete parameter", C::DeleteParameter,
         [](Grid& g, BlankState& s) { return deleteLastParameter(s.params, g).changes.size() == 1; }},
        {"p", C::ParameterFormat,
         [](Grid&, BlankState& s) {
             return s.params.setText(ParameterList::PColumn, 1, QStringLiteral("07")) &&
                    s.params.normaliseFormat(1);
         }},
        {"q", C::ParameterFormat,
         [](Grid&, BlankState& s) {
             return s.params.setText(ParameterList::QColumn, 2, QStringLiteral("3"));
         }},
        {"integer", C::ParameterFormat, [](Grid&, BlankState& s) { return s.params.setInteger(1, true); }},
        {"list column width", C::ColumnWidth,
         [](Grid&, BlankState& s) { s.params.setColumnWidth(ParameterList::NameColumn, 200); return true; }},
        {"insert parameter", C::InsertReference,
         [](Grid& g, BlankState& s) {
             s.params.append(QStringLiteral("$0A12"), QStringLiteral("Т сут"));
             return insertLastParameter(g, 3, 3, s.params).inserted();
         }},
        {"insert into blank", C::InsertReference,
         [](Grid& g, BlankState&) { return insertReference(g, 5, 5, 2).inserted(); }},
        // The archive start mark as the window sets it: the row coloured, the mark
        // cell read-only with its text.
        {"set archive mark", C::SetArchiveMark,
         [](Grid& g, BlankState&) {
             for (int c = 1; c < g.colCount(); ++c)
                 g.cell(c, 3).colour = store::kArchiveRowColour;
             g.cell(1, 3).readOnly = true;
             g.setText(1, 3, QStringLiteral("Архив"));
             return true;
         }},
        {"properties", C::Properties,
         [](Grid&, BlankState& s) {
             s.blank.settings = store::BlankSettings{0, 12, {}, store::BlankKind::Hourly};
             return true;
         }},
    };
    return list;
}

// The open blank being edited and its history.
class EditorHistory : public ::testing::Test {
protected:
    void SetUp() override { history.reset(work); }

    // Changes the open blank and records the change as a step.
    bool step(BlankCommand command, const std::function<void(BlankState&)>& change, int mergeKey = 0)
    {
        const BlankState before = work;
        change(work);
        return history.record(command, before, work, mergeKey);
    }
    bool type(int c, int r, const QString& text)
    {
        return step(BlankCommand::TypeText, [&](BlankState& s) { s.blank.grid.setText(c, r, text); });
    }
    bool drag(int col, int width)
    {
        const auto widen = [&](BlankState& s) { s.blank.grid.setColWidth(col, width); };
        return step(BlankCommand::ColumnWidth, widen, col);
    }

    BlankState work = sample();
    BlankHistory history;
};

} // namespace

TEST_F(EditorHistory, EachCommandUndoneRestoresTheBlankAndRedoneRepeatsIt)
{
    for (const Case& c : commands()) {
        SCOPED_TRACE(c.name);
        work = sample();
        history.reset(work);
        const QByteArray original = bytesOf(work);
        const BlankState before = work;
        ASSERT_TRUE(c.run(work.blank.grid, work));
        const QByteArray changed = bytesOf(work);
        ASSERT_NE(changed, original) << "the command changed nothing";

        ASSERT_TRUE(history.record(c.command, before, work));
        EXPECT_EQ(history.undoLabel(), commandLabel(c.command));
        EXPECT_TRUE(history.isModified());
        // The open blank goes on changing in place; the step keeps its own copy.
        work.blank.grid.setText(1, 2, QStringLiteral("позже"));
        work.params.append(kCodeYear, fixedCodeName(kCodeYear));

        work = history.undo();
        EXPECT_EQ(bytesOf(work), original);
        EXPECT_FALSE(history.canUndo());
        EXPECT_EQ(history.redoLabel(), commandLabel(c.command));
        EXPECT_FALSE(history.isModified());

        work = history.redo();
        EXPECT_EQ(bytesOf(work), changed);
        EXPECT_FALSE(history.canRedo());
        EXPECT_TRUE(history.isModified());
    }
}

TEST_F(EditorHistory, AChainOfCommandsUndoesAndRedoesStepByStep)
{
    std::vector<QByteArray> states{bytesOf(work)};
    for (const Case& c : commands()) {
        // Some refuse in what earlier commands left; they make no step.
        if (step(c.command, [&](BlankState& s) { c.run(s.blank.grid, s); }))
            states.push_back(bytesOf(work));
        else
            EXPECT_EQ(bytesOf(work), states.back()) << c.name;
    }
    ASSERT_GT(states.size(), commands().size() / 2);
    ASSERT_EQ(history.undoCount(), int(states.size()) - 1);

    for (size_t i = states.size() - 1; i > 0; --i)
        EXPECT_EQ(bytesOf(history.undo()), states[i - 1]) << "undo to state " << i - 1;
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.isModified());
    for (size_t i = 1; i < states.size(); ++i)
        EXPECT_EQ(bytesOf(history.redo()), states[i]) << "redo to state " << i;
    EXPECT_FALSE(history.canRedo());
}

TEST_F(EditorHistory, ACommandThatChangedNothingMakesNoStep)
{
    EXPECT_FALSE(step(BlankCommand::Merge, [](BlankState& s) {
        EXPECT_FALSE(mergeCells(s.blank.grid, Range{2, 2, 2, 2}));
        EXPECT_FALSE(clearCells(s.blank.grid, Range{5, 5, 5, 5}));
        s.col = 5; // moving the current cell alone is no change
    }));
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.isModified());
    EXPECT_EQ(history.undoText(), QStringLiteral("Отменить"));
    EXPECT_EQ(history.redoText(), QStringLiteral("Повторить"));
}

TEST_F(EditorHistory, UndoAndRedoShowTheCellWhereTheStepHappened)
{
    work.col = 4;
    work.row = 5;
    ASSERT_TRUE(step(BlankCommand::DeleteRow, [](BlankState& s) {
        ASSERT_TRUE(deleteRow(s.blank.grid, 5));
        s.row = 4; // the current cell moved up with the last row gone
    }));
    const BlankState undone = history.undo();
    EXPECT_EQ(QPoint(undone.col, undone.row), QPoint(4, 5));
    const BlankState redone = history.redo();
    EXPECT_EQ(QPoint(redone.col, redone.row), QPoint(4, 4));
}

TEST_F(EditorHistory, KeepsTheLast100StepsAndALostSavedPointStaysModified)
{
    EXPECT_EQ(history.limit(), 100);
    for (int i = 0; i < 105; ++i)
        ASSERT_TRUE(type(1, 1, QString::number(i)));
    EXPECT_EQ(history.undoCount(), 100);
    for (int i = 0; i < 100; ++i) {
        work = history.undo();
        EXPECT_TRUE(history.isModified()) << "undo " << i; // the opened state is gone
    }
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(work.blank.grid.text(1, 1), QStringLiteral("4")); // steps 0..4 were dropped
    EXPECT_EQ(bytesOf(history.undo()), bytesOf(work));           // nothing further back

    history.markSaved();
    EXPECT_FALSE(history.isModified());
    history.redo();
    EXPECT_TRUE(history.isModified());
}

TEST_F(EditorHistory, TheModifiedMarkFollowsTheSavedPosition)
{
    ASSERT_TRUE(type(2, 3, QStringLiteral("a")));
    ASSERT_TRUE(type(2, 3, QStringLiteral("b")));
    history.markSaved();
    EXPECT_FALSE(history.isModified());
    work = history.undo();
    EXPECT_TRUE(history.isModified()); // undo after a save
    work = history.redo();
    EXPECT_FALSE(history.isModified()); // back at the saved state

    // A new step after undo drops the redo branch, and with it the saved state.
    work = history.undo();
    ASSERT_TRUE(type(2, 3, QStringLiteral("c")));
    EXPECT_FALSE(history.canRedo());
    for (int undone = 0; history.canUndo(); ++undone) {
        EXPECT_TRUE(history.isModified()) << undone;
        history.undo();
    }
    EXPECT_TRUE(history.isModified());

    // A saved point below a new branch stays reachable.
    history.reset(work);
    ASSERT_TRUE(type(2, 3, QStringLiteral("d")));
    history.markSaved();
    ASSERT_TRUE(type(2, 3, QStringLiteral("e")));
    work = history.undo();
    ASSERT_TRUE(type(2, 3, QStringLiteral("f")));
    EXPECT_TRUE(history.isModified());
    work = history.undo();
    EXPECT_FALSE(history.isModified());
    EXPECT_EQ(work.blank.grid.text(2, 3), QStringLiteral("d"));
}

TEST_F(EditorHistory, ResetAndClearStartAFreshHistory)
{
    ASSERT_TRUE(type(2, 3, QStringLiteral("x")));
    ASSERT_TRUE(type(2, 4, QStringLiteral("y")));
    history.undo();
    ASSERT_TRUE(history.canUndo() && history.canRedo() && history.isModified());

    BlankState other; // another blank selected
    other.blank.grid.setText(1, 1, QStringLiteral("другой"));
    history.reset(other);
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.canRedo());
    EXPECT_TRUE(history.undoLabel().isEmpty());
    EXPECT_TRUE(history.redoLabel().isEmpty());
    EXPECT_FALSE(history.isModified());
    EXPECT_TRUE(history.present().sameContent(other));
    EXPECT_EQ(bytesOf(history.undo()), bytesOf(other));

    ASSERT_TRUE(type(2, 3, QStringLiteral("z")));
    history.clear(); // no blank open
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.isModified());
    EXPECT_TRUE(history.present().sameContent(BlankState{}));
}

TEST_F(EditorHistory, AColumnDragBecomesOneStep)
{
    const QByteArray original = bytesOf(work);
    for (int w : {92, 95, 101})
        EXPECT_TRUE(drag(2, w));
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(history.present().blank.grid.colWidth(2), 101);
    EXPECT_TRUE(drag(3, 130)); // another column: a step of its own
    EXPECT_EQ(history.undoCount(), 2);
    const auto typeZ = [](BlankState& s) { s.blank.grid.setText(3, 4, QStringLiteral("z")); };
    EXPECT_TRUE(step(BlankCommand::TypeText, typeZ, 3)); // another command with the same key
    EXPECT_EQ(history.undoCount(), 3);
    work = history.undo();
    history.endMerge();
    EXPECT_TRUE(drag(3, 131)); // the next drag of the same column
    EXPECT_EQ(history.undoCount(), 3);

    history.undo();
    history.undo();
    EXPECT_EQ(history.undo().blank.grid.colWidth(2), 90);
    work = history.redo();
    EXPECT_TRUE(drag(2, 70)); // after undo and redo no step is joined
    EXPECT_EQ(history.undoCount(), 2);
    EXPECT_FALSE(history.canRedo());

    // A save ends a run; a drag that ends where it began leaves no step.
    history.markSaved();
    EXPECT_TRUE(drag(2, 71));
    EXPECT_EQ(history.undoCount(), 3);
    EXPECT_TRUE(drag(1, 61));
    EXPECT_TRUE(drag(1, 60));
    EXPECT_EQ(history.undoCount(), 3);
    EXPECT_FALSE(history.canRedo());
    work = history.undo();
    EXPECT_EQ(work.blank.grid.colWidth(2), 70);
    EXPECT_FALSE(history.isModified());
    history.undo();
    history.undo();
    EXPECT_EQ(bytesOf(history.present()), original);
}

TEST_F(EditorHistory, LabelsNameTheCommands)
{
    std::set<QString> seen;
    for (int i = 0; i < kBlankCommandCount; ++i) {
        const QString label = commandLabel(BlankCommand(i));
        EXPECT_FALSE(label.isEmpty()) << i;
        EXPECT_TRUE(seen.insert(label).second) << "repeated label " << label.toStdString();
    }
    EXPECT_EQ(commandLabel(BlankCommand::TypeText), QStringLiteral("Ввод текста"));
    EXPECT_EQ(commandLabel(BlankCommand::Merge), QStringLiteral("Объединение ячеек"));
    EXPECT_EQ(commandLabel(BlankCommand::EqualWidths), QStringLiteral("Выравнивание ширины столбцов"));
    EXPECT_EQ(commandLabel(BlankCommand::ParameterFormat), QStringLiteral("Изменение формата параметра"));
    EXPECT_EQ(commandLabel(BlankCommand::InsertReference), QStringLiteral("Вставка ссылки на параметр"));
    EXPECT_EQ(commandLabel(BlankCommand::Properties), QStringLiteral("Свойства бланка"));

    const auto merge = [](BlankState& s) { mergeCells(s.blank.grid, Range{1, 1, 2, 2}); };
    ASSERT_TRUE(step(BlankCommand::Merge, merge));
    EXPECT_EQ(history.undoText(), QStringLiteral("Отменить: Объединение ячеек"));
    history.undo();
    EXPECT_EQ(history.redoText(), QStringLiteral("Повторить: Объединение ячеек"));
    EXPECT_EQ(history.undoText(), QStringLiteral("Отменить"));

    // The parameter panel reports any change; a width alone is a column resize.
    const ParameterList list = sample().params;
    ParameterList widened = list, formatted = list;
    widened.setColumnWidth(ParameterList::NameColumn, 150);
    formatted.setInteger(2, true);
    EXPECT_EQ(listChangeCommand(list, widened), BlankCommand::ColumnWidth);
    EXPECT_EQ(listChangeCommand(list, formatted), BlankCommand::ParameterFormat);
    formatted.setColumnWidth(ParameterList::NameColumn, 150);
    EXPECT_EQ(listChangeCommand(list, formatted), BlankCommand::ParameterFormat);
}
