// Blank grid commands: columns and rows, merging and splitting, widths, borders,
// inserting and deleting columns and rows, clearing.

#include "editor/gridops.h"
#include "status.h"
#include "store/grid.h"
#include "store/gridfile.h"

#include "gridtests.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>

using namespace rastrova;
using namespace rastrova::editor;
using store::Border;
using store::Grid;
using store::Range;

using namespace gridtests;

namespace {

QList<Range> rangesOf(std::initializer_list<Range> list)
{
    return QList<Range>(list);
}

// Every data cell of `row` gets the archive row colour.
void markArchiveRow(Grid& g, int row)
{
    for (int c = 1; c < g.colCount(); ++c)
        g.cell(c, row).colour = store::kArchiveRowColour;
}

const QString kTooManyColumns = QStringLiteral("Число столбцов не может превышать 40. Будьте внимательны.");
const QString kTooManyRows = QStringLiteral("Число строк не может превышать 200. Будьте внимательны.");
const QString kTooWide = QStringLiteral("Ширина столбца не может превышать 400. Будьте внимательны.");

// ---------------------------------------------------------------- columns and rows dialog

TEST(EditorGridSize, ReportsTheFirstFieldAboveItsMaximum)
{
    EXPECT_EQ(checkGridSize({41, 201, 401}), kTooManyColumns);
    EXPECT_EQ(checkGridSize({40, 201, 401}), kTooManyRows);
    EXPECT_EQ(checkGridSize({40, 200, 401}), kTooWide);
    EXPECT_EQ(checkGridSize({40, 200, 400}), QString());
}

TEST(EditorGridSize, WidthFieldSetsEveryColumnHeaderIncluded)
{
    Grid g = blank(3, 2);
    g.setColWidth(2, 140);
    applyGridSize(g, {5, 2, 90}, true);
    EXPECT_EQ(g.colCount(), 6);
    EXPECT_EQ(g.defaultColWidth(), 90);
    for (int c = 0; c < g.colCount(); ++c)
        EXPECT_EQ(g.colWidth(c), 90) << "column " << c;
}

TEST(EditorGridSize, ShrinkingKeepsTextsAndTrimsRangesAtTheEdge)
{
    Grid g = blank(5, 5);
    g.setText(1, 1, QStringLiteral("keep"));
    g.setText(3, 3, QStringLiteral("wide"));
    ASSERT_TRUE(g.addRange({3, 3, 5, 4})); // trimmed
    ASSERT_TRUE(g.addRange({1, 4, 1, 5})); // left with one cell: no range any more
    ASSERT_TRUE(g.addRange({2, 5, 3, 5})); // gone with its row
    applyGridSize(g, {4, 4, 75}, false);
    EXPECT_EQ(g.colCount(), 5);
    EXPECT_EQ(g.rowCount(), 5);
    EXPECT_EQ(g.text(1, 1), u"keep");
    EXPECT_EQ(g.text(3, 3), u"wide");
    EXPECT_EQ(g.ranges(), rangesOf({{3, 3, 4, 4}}));

    applyGridSize(g, {0, 0, 75}, false); // below 1: one data column and row
    EXPECT_EQ(g.colCount(), 2);
    EXPECT_EQ(g.rowCount(), 2);
}

TEST(EditorGridSize, ColumnsAddedAtTheRightJoinTheArchiveRow)
{
    Grid g = blank(2, 3);
    markArchiveRow(g, 2);
    applyGridSize(g, {4, 3, 75}, false);
    EXPECT_EQ(g.cell(3, 2).colour, store::kArchiveRowColour);
    EXPECT_EQ(g.cell(4, 2).colour, store::kArchiveRowColour);
    EXPECT_EQ(g.cell(4, 1).colour, store::kNoColour);
}

// ---------------------------------------------------------------- merge and split

TEST(EditorMerge, TwoCellsJoinTheirTexts)
{
    Grid g = blank(3, 2);
    g.setText(1, 1, QStringLiteral("x"));
    g.setText(2, 1, QStringLiteral("y"));
    EXPECT_TRUE(mergeCells(g, Range{1, 1, 2, 1}));
    EXPECT_EQ(g.ranges(), rangesOf({{1, 1, 2, 1}}));
    EXPECT_EQ(g.text(1, 1), u"xy");
    EXPECT_EQ(g.text(2, 1), QString());
}

TEST(EditorMerge, PartlyOverlappedRangeWidensToTheUnion)
{
    // The texts join row by row: "ACB" would be column by column.
    Grid g = blank(4, 4);
    g.setText(1, 1, QStringLiteral("A"));
    g.setText(2, 1, QStringLiteral("B"));
    g.setText(1, 2, QStringLiteral("C"));
    ASSERT_TRUE(g.addRange({2, 1, 3, 2}));
    EXPECT_TRUE(mergeCells(g, Range{1, 1, 2, 1}));
    EXPECT_EQ(g.ranges(), rangesOf({{1, 1, 3, 2}}));
    EXPECT_EQ(g.text(1, 1), u"ABC");
}

TEST(EditorMerge, WideningFollowsRangesReachedOnlyAfterAnEarlierWidening)
{
    Grid g = blank(4, 5);
    ASSERT_TRUE(g.addRange({2, 1, 2, 3}));
    ASSERT_TRUE(g.addRange({1, 3, 1, 4}));
    ASSERT_TRUE(g.addRange({3, 5, 4, 5})); // not touched
    EXPECT_TRUE(mergeCells(g, Range{1, 1, 2, 1}));
    EXPECT_EQ(g.ranges(), rangesOf({{1, 1, 2, 4}, {3, 5, 4, 5}}));
}

TEST(EditorMerge, SingleCellsAndHeadersAreLeftAlone)
{
    Grid g = blank(3, 3);
    g.setText(1, 1, QStringLiteral("a"));
    g.setText(2, 1, QStringLiteral("b"));
    ASSERT_TRUE(g.addRange({2, 2, 3, 3}));
    const QByteArray before = bytesOf(g);
    EXPECT_FALSE(mergeCells(g, Range{1, 1, 1, 1}));
    EXPECT_FALSE(mergeCells(g, Range{3, 3, 3, 3})); // a cell inside a range is still one cell
    EXPECT_FALSE(mergeCells(g, Range{0, 1, 2, 1}));
    EXPECT_FALSE(mergeCells(g, Range{1, 0, 1, 2}));
    EXPECT_FALSE(mergeCells(g, Selection{}));
    EXPECT_EQ(bytesOf(g), before);
}

TEST(EditorSplit, TopLeftKeepsEverythingOthersBecomeNewCells)
{
    Grid g = blank(4, 3);
    g.setText(1, 1, QStringLiteral("head"));
    g.cell(1, 1).colour = store::kArchiveRowColour;
    g.cell(1, 1).inner = Border{0, 2};
    g.cell(2, 1).text = QStringLiteral("hidden");
    g.cell(2, 1).colour = 0x00FF00;
    g.cell(1, 2).inner = Border{0, 2};
    ASSERT_TRUE(g.addRange({1, 1, 2, 2}));
    ASSERT_TRUE(g.addRange({3, 1, 4, 1}));
    const store::Cell topLeft = g.cell(1, 1);

    // A covered cell of the first range is selected; the second range is not.
    EXPECT_TRUE(splitCells(g, Range{2, 2, 2, 2}));
    EXPECT_EQ(g.ranges(), rangesOf({{3, 1, 4, 1}}));
    EXPECT_EQ(g.cell(1, 1), topLeft);
    EXPECT_EQ(g.cell(2, 1), store::Cell{});
    EXPECT_EQ(g.cell(1, 2), store::Cell{});
    EXPECT_FALSE(splitCells(g, Range{1, 1, 2, 2}));
}

// ---------------------------------------------------------------- widths and borders

TEST(EditorWidths, SelectedColumnsTakeTheWidestWidth)
{
    Grid g = blank(4, 2);
    g.setColWidth(1, 50);
    g.setColWidth(2, 120);
    g.setColWidth(3, 80);
    g.setColWidth(4, 200);
    EXPECT_TRUE(equalizeColumnWidths(g, Selection{Range{1, 1, 1, 1}, Range{3, 2, 3, 2}}));
    EXPECT_EQ(g.colWidth(1), 80);
    EXPECT_EQ(g.colWidth(2), 120); // between the pieces, not selected
    EXPECT_EQ(g.colWidth(3), 80);
    EXPECT_EQ(g.colWidth(4), 200);
    EXPECT_FALSE(equalizeColumnWidths(g, Range{1, 1, 1, 2}));
}

TEST(EditorBorders, OnAndOffSetTheBlankBorderConvention)
{
    Grid g = blank(3, 3);
    ASSERT_TRUE(g.addRange({2, 2, 3, 3}));
    setCellBorders(g, Range{1, 1, 1, 2}, true);
    EXPECT_EQ(g.cell(1, 1).inner, (Border{0, 2}));
    EXPECT_EQ(g.cell(1, 2).inner, (Border{0, 2}));
    EXPECT_EQ(g.cell(1, 3).inner, Border{});

    // Selecting a covered cell frames its range.
    setCellBorders(g, Range{3, 3, 3, 3}, true);
    EXPECT_EQ(g.cell(2, 2).inner, (Border{0, 2}));

    setCellBorders(g, Range{1, 1, 3, 1}, false);
    EXPECT_EQ(g.cell(1, 1).inner, (Border{store::kWindowColour, 0}));
    EXPECT_EQ(g.cell(1, 2).inner, (Border{0, 2}));
}

TEST(EditorBorders, NormalisingClearsEveryDataBorderThatIsNotAFrame)
{
    Grid g = blank(3, 1);
    g.cell(1, 1).inner = Border{0x123456, 2};
    g.cell(2, 1).inner = Border{0, 1};
    g.cell(3, 1).inner = Border{0, 3};
    g.cell(0, 1).inner = Border{0, 1}; // header cell: not touched
    normalizeBorders(g);
    EXPECT_EQ(g.cell(1, 1).inner, (Border{0x123456, 2}));
    EXPECT_EQ(g.cell(2, 1).inner, (Border{store::kWindowColour, 0}));
    EXPECT_EQ(g.cell(3, 1).inner, (Border{store::kWindowColour, 0}));
    EXPECT_EQ(g.cell(0, 1).inner, (Border{0, 1}));
}

// ---------------------------------------------------------------- inserting and deleting

TEST(EditorInsert, ColumnAtColumnOneShiftsEverythingRight)
{
    Grid g = blank(2, 2);
    g.setText(1, 1, QStringLiteral("a"));
    g.setText(2, 2, QStringLiteral("b"));
    g.setColWidth(1, 120);
    g.cell(1, 2).inner = Border{0, 2};
    ASSERT_TRUE(insertColumn(g, 1));

    Grid expected = blank(3, 2);
    expected.setText(2, 1, QStringLiteral("a"));
    expected.setText(3, 2, QStringLiteral("b"));
    expected.setColWidth(2, 120);
    expected.cell(2, 2).inner = Border{0, 2};
    EXPECT_EQ(bytesOf(g), bytesOf(expected));
}

TEST(EditorInsert, RangeAcrossTheInsertionPointGrows)
{
    Grid g = blank(4, 4);
    ASSERT_TRUE(g.addRange({1, 1, 3, 1})); // spans column 2
    ASSERT_TRUE(g.addRange({2, 2, 3, 2})); // starts at column 2: moves
    ASSERT_TRUE(g.addRange({1, 3, 2, 3})); // ends at column 2: grows
    ASSERT_TRUE(g.addRange({3, 4, 4, 4})); // right of it: moves
    ASSERT_TRUE(insertColumn(g, 2));
    EXPECT_EQ(g.ranges(), rangesOf({{1, 1, 4, 1}, {1, 3, 3, 3}, {3, 2, 4, 2}, {4, 4, 5, 4}}));

    Grid h = blank(3, 4);
    ASSERT_TRUE(h.addRange({1, 1, 2, 3})); // spans row 2
    ASSERT_TRUE(h.addRange({3, 1, 3, 2})); // ends at row 2
    ASSERT_TRUE(h.addRange({3, 3, 3, 4})); // below it
    ASSERT_TRUE(insertRow(h, 2));
    EXPECT_EQ(h.ranges(), rangesOf({{1, 1, 2, 4}, {3, 1, 3, 3}, {3, 4, 3, 5}}));
    EXPECT_EQ(h.rowCount(), 6);
}

TEST(EditorInsert, NewColumnJoinsTheFirstArchiveRow)
{
    Grid g = blank(3, 4);
    markArchiveRow(g, 2);
    markArchiveRow(g, 4); // only the first archive row counts
    g.cell(2, 3).colour = store::kArchiveRowColour; // not in column 1: no archive row
    ASSERT_TRUE(insertColumn(g, 2));
    EXPECT_EQ(g.cell(2, 2).colour, store::kArchiveRowColour);
    EXPECT_EQ(g.cell(2, 1).colour, store::kNoColour);
    EXPECT_EQ(g.cell(2, 3).colour, store::kNoColour);
    EXPECT_EQ(g.cell(2, 4).colour, store::kNoColour);
    EXPECT_EQ(g.cell(3, 3).colour, store::kArchiveRowColour); // moved right
}

TEST(EditorInsert, RefusedAtTheLimitsWithTheDialogsMessages)
{
    Grid g = blank(40, 200);
    const QByteArray before = bytesOf(g);
    const Status col = insertColumn(g, 1);
    EXPECT_EQ(col.code(), Status::Refused);
    EXPECT_EQ(col.message(), kTooManyColumns);
    const Status row = insertRow(g, 1);
    EXPECT_EQ(row.code(), Status::Refused);
    EXPECT_EQ(row.message(), kTooManyRows);
    EXPECT_EQ(bytesOf(g), before);

    Grid h = blank(39, 199);
    EXPECT_TRUE(insertColumn(h, 39));
    EXPECT_TRUE(insertRow(h, 199));
    EXPECT_EQ(h.colCount(), 41);
    EXPECT_EQ(h.rowCount(), 201);
}

TEST(EditorDelete, TheOnlyDataColumnOrRowStays)
{
    Grid g = blank(1, 1);
    g.setText(1, 1, QStringLiteral("x"));
    const QByteArray before = bytesOf(g);
    EXPECT_FALSE(deleteColumn(g, 1));
    EXPECT_FALSE(deleteRow(g, 1));
    EXPECT_EQ(bytesOf(g), before);
}

TEST(EditorDelete, ColumnShiftsTheRestLeftAndShrinksRanges)
{
    Grid g = blank(4, 2);
    g.setText(1, 1, QStringLiteral("a"));
    g.setText(3, 1, QStringLiteral("c"));
    g.setColWidth(3, 130);
    ASSERT_TRUE(g.addRange({1, 2, 3, 2}));
    EXPECT_TRUE(deleteColumn(g, 2));
    EXPECT_EQ(g.colCount(), 4);
    EXPECT_EQ(g.text(2, 1), u"c");
    EXPECT_EQ(g.colWidth(2), 130);
    EXPECT_EQ(g.ranges(), rangesOf({{1, 2, 2, 2}}));
}

TEST(EditorDelete, RangeLosingItsTopLeftKeepsItsContent)
{
    Grid g = blank(3, 3);
    g.setText(1, 1, QStringLiteral("title"));
    g.cell(1, 1).inner = Border{0, 2};
    ASSERT_TRUE(g.addRange({1, 1, 3, 1}));
    ASSERT_TRUE(g.addRange({1, 2, 2, 2}));
    EXPECT_TRUE(deleteColumn(g, 1));
    // The first range keeps two columns, the second is one cell now.
    EXPECT_EQ(g.ranges(), rangesOf({{1, 1, 2, 1}}));
    EXPECT_EQ(g.text(1, 1), u"title");
    EXPECT_EQ(g.cell(1, 1).inner, (Border{0, 2}));

    Grid h = blank(2, 3);
    h.setText(2, 1, QStringLiteral("side"));
    ASSERT_TRUE(h.addRange({2, 1, 2, 3}));
    EXPECT_TRUE(deleteRow(h, 1));
    EXPECT_EQ(h.ranges(), rangesOf({{2, 1, 2, 2}}));
    EXPECT_EQ(h.text(2, 1), u"side");
}

// ---------------------------------------------------------------- clearing

TEST(EditorMove, ColumnTakesItsCellsWidthAndRangesAlong)
{
    Grid g = blank(4, 3);
    for (int c = 1; c <= 4; ++c)
        g.setText(c, 1, QString(QChar(u'a' + c - 1)));
    g.setColWidth(1, 120);
    g.cell(1, 2).inner = Border{0, 2};
    ASSERT_TRUE(g.addRange({2, 3, 3, 3}));        // moves left as one block
    ASSERT_TRUE(moveColumn(g, 1, 4));              // "a" goes to the right edge
    EXPECT_EQ(g.text(1, 1) + g.text(2, 1) + g.text(3, 1) + g.text(4, 1), QStringLiteral("bcda"));
    EXPECT_EQ(g.colWidth(4), 120);
    EXPECT_EQ(g.cell(4, 2).inner, (Border{0, 2}));
    EXPECT_EQ(g.ranges(), rangesOf({{1, 3, 2, 3}}));
    // And back: the grid is what it was.
    ASSERT_TRUE(moveColumn(g, 4, 1));
    Grid h = blank(4, 3);
    for (int c = 1; c <= 4; ++c)
        h.setText(c, 1, QString(QChar(u'a' + c - 1)));
    h.setColWidth(1, 120);
    h.cell(1, 2).inner = Border{0, 2};
    ASSERT_TRUE(h.addRange({2, 3, 3, 3}));
    EXPECT_EQ(bytesOf(g), bytesOf(h));
}

TEST(EditorMove, RowTakesItsHeightAndTheHeaderColumnStays)
{
    Grid g = blank(2, 3);
    g.setAutoRowHeights(false);
    g.setText(0, 1, QStringLiteral("1"));
    g.setText(1, 1, QStringLiteral("first"));
    g.setText(1, 3, QStringLiteral("third"));
    g.setRowHeight(1, 30);
    ASSERT_TRUE(moveRow(g, 1, 3));
    EXPECT_EQ(g.text(1, 3), QStringLiteral("first"));
    EXPECT_EQ(g.text(1, 2), QStringLiteral("third"));
    EXPECT_EQ(g.rowHeight(3), 30);
    EXPECT_EQ(g.text(0, 1), QStringLiteral("1")); // the header labels the place
    EXPECT_TRUE(g.text(0, 3).isEmpty());
}

TEST(EditorMove, RefusedWhenARangeWouldTearOrTheLineIsNoDataLine)
{
    Grid g = blank(4, 4);
    ASSERT_TRUE(g.addRange({2, 1, 3, 1}));
    const QByteArray before = bytesOf(g);
    EXPECT_FALSE(moveColumn(g, 2, 4)); // out of its range
    EXPECT_FALSE(moveColumn(g, 4, 3)); // into the middle of it
    EXPECT_FALSE(moveColumn(g, 0, 2)); // the header column
    EXPECT_FALSE(moveColumn(g, 1, 5)); // beyond the grid
    EXPECT_FALSE(moveColumn(g, 2, 2));
    EXPECT_FALSE(moveRow(g, 1, 0));
    EXPECT_EQ(bytesOf(g), before);
    // A range moved whole, or passed by, stays one block.
    EXPECT_TRUE(moveColumn(g, 4, 1));
    EXPECT_EQ(g.ranges(), rangesOf({{3, 1, 4, 1}}));
    EXPECT_TRUE(moveRow(g, 1, 4));
    EXPECT_EQ(g.ranges(), rangesOf({{3, 4, 4, 4}}));
}

TEST(EditorClear, ArchiveCellsRefuseOthersLoseTheirText)
{
    Grid g = blank(3, 2);
    for (int c = 1; c <= 3; ++c) {
        g.setText(c, 1, QStringLiteral("t%1").arg(c));
        g.setText(c, 2, QStringLiteral("a%1").arg(c));
    }
    markArchiveRow(g, 2);
    g.cell(2, 1).inner = Border{0, 2};
    EXPECT_TRUE(clearCells(g, Range{1, 1, 3, 2}));
    EXPECT_EQ(g.text(1, 1), QString());
    EXPECT_EQ(g.text(2, 1), QString());
    EXPECT_EQ(g.cell(2, 1).inner, (Border{0, 2})); // only texts go
    EXPECT_EQ(g.text(1, 2), u"a1");
    EXPECT_EQ(g.text(3, 2), u"a3");
    EXPECT_FALSE(clearCells(g, Range{1, 1, 3, 2}));
}

} // namespace
