// Cut, copy and paste of blank cells: the program's own form, plain text, growing
// the blank on paste and refusing damaged clipboard contents.

#include "editor/clipboard.h"
#include "editor/gridops.h"
#include "status.h"
#include "store/grid.h"
#include "store/gridfile.h"

#include "gridtests.h"

#include <gtest/gtest.h>

#include <QMimeData>
#include <memory>
#include <ostream>
#include <random>

using namespace rastrova;
using namespace rastrova::editor;
using store::Border;
using store::Grid;
using store::Range;

using namespace gridtests;

namespace {

// A 3 x 2 block with every kind of cell property, its top-left corner at (c, r):
//   merged "Итог" over two columns | framed "x" with a hint and a font
//   red "@1", read-only, centred    | empty, word wrap, a check box | outer border
void fillSample(Grid& g, int c, int r)
{
    g.setText(c, r, QStringLiteral("Итог"));
    g.cell(c, r).inner = Border{0, 2};
    g.cell(c, r).colour = 0x00FFFF;
    ASSERT_TRUE(g.addRange({c, r, c + 1, r}));

    store::Cell& x = g.cell(c + 2, r);
    x.text = QStringLiteral("x");
    x.inner = Border{0, 2};
    x.hint = QStringLiteral("подсказка");
    store::Font font;
    font.name = QStringLiteral("Courier New");
    font.size = 12;
    font.style = 1;
    x.font = font;

    store::Cell& y = g.cell(c, r + 1);
    y.text = QStringLiteral("@1");
    y.colour = store::kArchiveRowColour;
    y.readOnly = true;
    y.textAlignment = 2;
    y.textLayout = 1;

    store::Cell& z = g.cell(c + 1, r + 1);
    z.wordWrap = true;
    z.checkBox = store::CheckBox{true, 0};
    z.maxLength = 10;
    g.cell(c + 2, r + 1).outer = Border{0x0000FF, 3};
}

// ---------------------------------------------------------------- the program's own form

TEST(EditorClipboard, CopyAndPasteInTheSameGridReproduceEveryProperty)
{
    Grid g = blank(6, 5);
    fillSample(g, 1, 1);
    const ClipboardContent content = copyCells(g, Range{1, 1, 3, 2});
    ASSERT_FALSE(content.cells.isEmpty());

    Range filled;
    ASSERT_TRUE(pasteCells(g, 4, 3, content.cells, &filled));
    EXPECT_EQ(filled, (Range{4, 3, 6, 4}));

    Grid expected = blank(6, 5);
    fillSample(expected, 1, 1);
    fillSample(expected, 4, 3);
    EXPECT_EQ(bytesOf(g), bytesOf(expected));
}

TEST(EditorClipboard, PasteReplacesRangesItReachesAndLeavesUnselectedCellsAlone)
{
    Grid g = blank(4, 3);
    g.setText(1, 1, QStringLiteral("a"));
    g.setText(2, 1, QStringLiteral("skip"));
    g.setText(3, 1, QStringLiteral("c"));
    // Two pieces: (2, 1) lies between them and is not copied.
    const ClipboardContent content = copyCells(g, Selection{Range{1, 1, 1, 1}, Range{3, 1, 3, 1}});
    EXPECT_EQ(content.text, u"a\t\tc");

    g.setText(2, 3, QStringLiteral("stays"));
    ASSERT_TRUE(g.addRange({1, 2, 2, 3})); // reaches into the paste: split
    ASSERT_TRUE(pasteCells(g, 1, 3, content.cells));
    EXPECT_EQ(g.text(1, 3), u"a");
    EXPECT_EQ(g.text(2, 3), u"stays");
    EXPECT_EQ(g.text(3, 3), u"c");
    EXPECT_TRUE(g.ranges().isEmpty());
}

TEST(EditorClipboard, PasteLeavesReadOnlyCellsAlone)
{
    Grid g = blank(3, 2);
    g.setText(1, 1, QStringLiteral("ab"));
    ASSERT_TRUE(g.addRange({1, 1, 2, 1}));
    const ClipboardContent content = copyCells(g, Range{1, 1, 2, 1});

    g.setText(3, 2, QStringLiteral("!24"));
    g.cell(3, 2).readOnly = true;
    ASSERT_TRUE(pasteCells(g, 2, 2, content.cells));
    EXPECT_EQ(g.text(2, 2), u"ab");
    EXPECT_EQ(g.text(3, 2), u"!24");
    // The pasted range would cover the read-only cell: the cells come as single ones.
    EXPECT_EQ(g.ranges(), QList<Range>({Range{1, 1, 2, 1}}));
}

TEST(EditorClipboard, EmptySelectionCopiesTheCurrentCellsRegion)
{
    Grid g = blank(3, 2);
    g.setText(2, 1, QStringLiteral("wide"));
    ASSERT_TRUE(g.addRange({2, 1, 3, 2}));
    EXPECT_EQ(copyCells(g, copySource(g, Selection{}, 3, 2)).text, u"wide\t\r\n\t");
    // A selection on the headers alone offers nothing either.
    EXPECT_EQ(copySource(g, Range{0, 0, 0, 2}, 1, 1).bounds(), (Range{1, 1, 1, 1}));
}

TEST(EditorClipboard, CutClearsTextsButNotArchiveCells)
{
    Grid g = blank(2, 1);
    g.setText(1, 1, QStringLiteral("plain"));
    g.setText(2, 1, QStringLiteral("@3"));
    g.cell(2, 1).colour = store::kArchiveRowColour;
    const ClipboardContent content = cutCells(g, Range{1, 1, 2, 1});
    EXPECT_EQ(content.text, u"plain\t@3");
    EXPECT_EQ(g.text(1, 1), QString());
    EXPECT_EQ(g.text(2, 1), u"@3");
}

// ---------------------------------------------------------------- plain text

TEST(EditorClipboardText, MultiLineCellsAreQuotedWithLf)
{
    Grid g = blank(3, 2);
    g.setText(1, 1, QStringLiteral("one\ntwo"));
    g.setText(2, 1, QStringLiteral("say \"hi\"\r\nthen"));
    g.setText(3, 1, QStringLiteral("no \"break\""));
    g.setText(1, 2, QStringLiteral("wide"));
    ASSERT_TRUE(g.addRange({1, 2, 2, 2}));
    g.setText(3, 2, QStringLiteral("last"));
    EXPECT_EQ(selectionText(g, Range{1, 1, 3, 2}),
              u"\"one\ntwo\"\t\"say \"\"hi\"\"\nthen\"\tno \"break\"\r\nwide\t\tlast");
}

TEST(EditorClipboardText, CellsWithATabOrALeadingQuoteComeBackWhole)
{
    Grid g = blank(3, 1);
    g.setText(1, 1, QStringLiteral("a\tb"));
    g.setText(2, 1, QStringLiteral("\"x"));
    g.setText(3, 1, QStringLiteral("plain"));
    const QString text = selectionText(g, Range{1, 1, 3, 1});
    const auto rows = parseClipboardText(text, 100, 100);
    ASSERT_EQ(rows.size(), 1) << text.toStdString();
    EXPECT_EQ(rows[0], (QStringList{"a\tb", "\"x", "plain"}));
}

TEST(EditorClipboardText, ParsesQuotingAndEveryKindOfLineEnd)
{
    const auto rows = parseClipboardText(u"a\t\"b\r\nc\"\t\"q\"\"x\"\r\n\t\"\"\nlast\rend\r\n", 100, 100);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0], (QStringList{"a", "b c", "q\"x"}));
    EXPECT_EQ(rows[1], (QStringList{"", ""}));
    EXPECT_EQ(rows[2], QStringList{"last"});
    EXPECT_EQ(rows[3], QStringList{"end"});

    EXPECT_TRUE(parseClipboardText(u"", 10, 10).isEmpty());
    EXPECT_EQ(parseClipboardText(u"x\t", 10, 10), (QList<QStringList>{{"x", ""}}));
    EXPECT_EQ(parseClipboardText(u"\"open\nquote", 10, 10), (QList<QStringList>{{"open quote"}}));
    EXPECT_EQ(parseClipboardText(u"1\t2\t3\r\n4\r\n5\r\n", 2, 2), (QList<QStringList>{{"1", "2"}, {"4"}}));
}

TEST(EditorClipboardText, PlainTextChangesOnlyTexts)
{
    Grid g = blank(3, 1);
    g.cell(1, 1).inner = Border{0, 2};
    g.cell(1, 1).text = QStringLiteral("old");
    g.setText(2, 1, QStringLiteral("merged"));
    ASSERT_TRUE(g.addRange({2, 1, 3, 1}));
    ASSERT_TRUE(pasteText(g, 1, 1, u"new\tA\tB"));
    EXPECT_EQ(g.text(1, 1), u"new");
    EXPECT_EQ(g.cell(1, 1).inner, (Border{0, 2}));
    EXPECT_EQ(g.text(2, 1), u"A");
    EXPECT_EQ(g.text(3, 1), QString()); // covered: dropped
    EXPECT_EQ(g.colCount(), 4);
}

TEST(EditorClipboardText, CharactersOutsideCp1251AreRefused)
{
    Grid g = blank(2, 1);
    g.setText(1, 1, QStringLiteral("keep"));
    const QByteArray before = bytesOf(g);
    const Status st = pasteText(g, 1, 1, u"ok\tsnow \u2603");
    EXPECT_EQ(st.code(), Status::Refused);
    EXPECT_TRUE(st.message().contains(u"\u2603")) << st.message().toStdString();
    EXPECT_EQ(bytesOf(g), before);

    // A character outside the basic plane is named whole.
    const Status emoji = pasteText(g, 1, 1, QStringLiteral("a\U0001F600"));
    EXPECT_EQ(emoji.code(), Status::Refused);
    EXPECT_TRUE(emoji.message().contains(QStringLiteral("\U0001F600")));
    // Cyrillic, "№" and the like are what a blank holds.
    EXPECT_TRUE(pasteText(g, 1, 1, u"Тепло № 1 ±"));
}

// ---------------------------------------------------------------- growing on paste

TEST(EditorClipboardPaste, WiderPasteAddsColumnsAtTheRight)
{
    Grid g = blank(3, 3);
    for (int c = 1; c <= 3; ++c)
        g.cell(c, 3).colour = store::kArchiveRowColour;
    Range filled;
    ASSERT_TRUE(pasteText(g, 2, 1, u"a\tb\tc\td", &filled));
    EXPECT_EQ(g.colCount(), 6);
    EXPECT_EQ(g.rowCount(), 4);
    EXPECT_EQ(filled, (Range{2, 1, 5, 1}));
    EXPECT_EQ(g.text(5, 1), u"d");
    // The new columns continue the archive row.
    EXPECT_EQ(g.cell(4, 3).colour, store::kArchiveRowColour);
    EXPECT_EQ(g.cell(5, 3).colour, store::kArchiveRowColour);
}

TEST(EditorClipboardPaste, StopsAtFortyColumnsAndTwoHundredRows)
{
    Grid g = blank(38, 198);
    Range filled;
    ASSERT_TRUE(pasteText(g, 37, 197, u"1\t2\t3\t4\t5\r\n6\r\n7\r\n8\t\t\t\t9\r\n9\r\n", &filled));
    EXPECT_EQ(g.colCount(), 41);
    EXPECT_EQ(g.rowCount(), 201);
    EXPECT_EQ(filled, (Range{37, 197, 40, 200}));
    EXPECT_EQ(g.text(40, 197), u"4");
    EXPECT_EQ(g.text(37, 200), u"8");
    EXPECT_EQ(g.text(40, 200), QString());

    // The cells form is cut the same way; a range crossing the edge keeps its part.
    Grid src = blank(3, 2);
    src.setText(1, 1, QStringLiteral("m"));
    ASSERT_TRUE(src.addRange({1, 1, 3, 2}));
    const ClipboardContent content = copyCells(src, Range{1, 1, 3, 2});
    Grid dst = blank(40, 200);
    ASSERT_TRUE(pasteCells(dst, 39, 200, content.cells, &filled));
    EXPECT_EQ(filled, (Range{39, 200, 40, 200}));
    EXPECT_EQ(dst.colCount(), 41);
    EXPECT_EQ(dst.rowCount(), 201);
    EXPECT_EQ(dst.ranges(), QList<Range>({Range{39, 200, 40, 200}}));
    EXPECT_EQ(dst.text(39, 200), u"m");
}

TEST(EditorClipboardPaste, MimeDataPrefersTheCellsForm)
{
    Grid g = blank(2, 2);
    g.setText(1, 1, QStringLiteral("x"));
    g.cell(1, 1).inner = Border{0, 2};
    std::unique_ptr<QMimeData> mime(toMimeData(copyCells(g, Range{1, 1, 1, 1})));
    EXPECT_TRUE(canPaste(mime.get()));
    EXPECT_EQ(mime->text(), u"x");
    ASSERT_TRUE(paste(g, 2, 2, *mime));
    EXPECT_EQ(g.cell(2, 2).inner, (Border{0, 2}));

    QMimeData plain;
    plain.setText(QStringLiteral("y"));
    ASSERT_TRUE(paste(g, 1, 2, plain));
    EXPECT_EQ(g.text(1, 2), u"y");
    EXPECT_EQ(g.cell(1, 2).inner, Border{});
}

// ---------------------------------------------------------------- damaged cells form

TEST(EditorClipboardDamaged, EveryTruncationIsRefusedAndChangesNothing)
{
    Grid src = blank(6, 5);
    fillSample(src, 1, 1);
    const QByteArray form = copyCells(src, Range{1, 1, 3, 2}).cells;

    Grid g = blank(4, 4);
    const QByteArray before = bytesOf(g);
    for (qsizetype n = 0; n < form.size(); ++n) {
        const Status st = pasteCells(g, 1, 1, form.left(n));
        ASSERT_EQ(st.code(), Status::Damaged) << "prefix of " << n << " bytes";
    }
    EXPECT_EQ(pasteCells(g, 1, 1, form + '\0').code(), Status::Damaged); // a byte too many
    EXPECT_EQ(bytesOf(g), before);
}

// A cells form put together by hand: header, ranges, then the given cell bytes.
QByteArray handForm(int width, int height, const QList<Range>& ranges, const QByteArray& cells)
{
    QByteArray b("RCEL\x01", 5);
    auto u16 = [&](int v) { b.append(char(v >> 8)).append(char(v & 0xFF)); };
    u16(width);
    u16(height);
    b.append(QByteArray("\0\0", 2));
    u16(int(ranges.size()));
    for (const Range& g : ranges) {
        u16(g.left);
        u16(g.top);
        u16(g.right);
        u16(g.bottom);
    }
    return b + cells;
}

// An empty cell: text, hint, colour, inner and outer border, mask, graphic.
const QByteArray kEmptyCell = QByteArray("\x01" "\0\0\0\0" "\0\0\0\0" "\0\0\0\0" "\0\0\0\0\0"
                                         "\0\0\0\0\0" "\0\0" "\0\0\0\0",
                                         29);

TEST(EditorClipboardDamaged, HandMadeFormsAreCheckedPieceByPiece)
{
    Grid g = blank(3, 3);
    const QByteArray before = bytesOf(g);

    // An empty cell with `text` as its UTF-8 text bytes, or with `mask` and what
    // follows the mask.
    auto cellWithText = [](const QByteArray& utf8) {
        QByteArray length(4, '\0');
        length[3] = char(utf8.size());
        return kEmptyCell.left(1) + length + utf8 + kEmptyCell.mid(5);
    };
    auto cellWithMask = [](const QByteArray& mask, const QByteArray& values) {
        return kEmptyCell.left(23) + mask + values + kEmptyCell.mid(25);
    };
    const QByteArray one = handForm(1, 1, {}, kEmptyCell);
    const QList<QByteArray> damaged = {
        QByteArray(one).replace(0, 4, "RCEX"),                              // not the cells form
        QByteArray(one).replace(4, 1, "\x02"),                              // unknown version
        handForm(0, 1, {}, {}),                                             // no columns
        handForm(41, 1, {}, kEmptyCell.repeated(41)),                       // wider than a blank
        handForm(1, 256, {}, kEmptyCell.repeated(256)),                     // taller than a blank
        handForm(2, 1, {{0, 0, 2, 0}}, kEmptyCell.repeated(2)),             // a range beyond the block
        handForm(2, 1, {{0, 0, 1, 0}}, QByteArray(2, '\0')),                // a range's cells left out
        handForm(2, 2, {{0, 0, 1, 0}, {1, 0, 1, 1}}, kEmptyCell.repeated(4)), // overlapping ranges
        handForm(2, 1, {{0, 0, 0, 0}}, QByteArray(2, '\0')),                // a range of one cell
        handForm(1, 1, {}, QByteArray(1, '\x02')),                          // neither 0 nor 1
        handForm(1, 1, {}, kEmptyCell.left(1) + "\xFF\xFF\xFF\xFF" + kEmptyCell.mid(5)), // text too long
        handForm(1, 1, {}, cellWithText("\xC3\x28")),                       // not UTF-8
        handForm(1, 1, {}, cellWithMask(QByteArray("\x02\x00", 2), {})),     // unknown property
        handForm(1, 1, {}, cellWithMask(QByteArray("\x00\x40", 2), "\x07")), // read-only flag 7
    };
    // The same pieces made well are read: the cases below fail for their damage alone.
    ASSERT_TRUE(pasteCells(g, 1, 1, handForm(2, 1, {{0, 0, 1, 0}}, kEmptyCell.repeated(2))));
    EXPECT_EQ(g.ranges(), QList<Range>({Range{1, 1, 2, 1}}));
    ASSERT_TRUE(pasteCells(g, 1, 1, handForm(1, 1, {}, cellWithText("ok"))));
    EXPECT_EQ(g.text(1, 1), u"ok");
    ASSERT_TRUE(pasteCells(g, 1, 1, handForm(1, 1, {}, cellWithMask(QByteArray("\x00\x40", 2), "\x01"))));
    EXPECT_TRUE(g.isReadOnly(1, 1));
    g = blank(3, 3);

    for (qsizetype i = 0; i < damaged.size(); ++i) {
        const Status st = pasteCells(g, 1, 1, damaged[i]);
        EXPECT_EQ(st.code(), Status::Damaged) << "case " << i;
        EXPECT_FALSE(st.message().isEmpty());
    }
    EXPECT_EQ(bytesOf(g), before);

    // Text a blank cannot hold is refused as such, not as damage.
    const QByteArray snow = cellWithText("\xE2\x98\x83");
    EXPECT_EQ(pasteCells(g, 1, 1, handForm(1, 1, {}, snow)).code(), Status::Refused);
}

TEST(EditorClipboardDamaged, RandomDamageNeverCrashes)
{
    Grid src = blank(6, 5);
    fillSample(src, 1, 1);
    fillSample(src, 4, 3);
    const QByteArray form = copyCells(src, Range{1, 1, 6, 5}).cells;
    std::mt19937 random(1251);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<qsizetype> place(0, form.size() - 1);
    int refused = 0;
    for (int round = 0; round < 2000; ++round) {
        QByteArray damaged = form;
        for (int k = 0; k < 1 + round % 4; ++k)
            damaged[place(random)] = char(byte(random));
        Grid g = blank(6, 5);
        const QByteArray before = bytesOf(g);
        const Status st = pasteCells(g, 1, 1, damaged);
        if (!st) {
            ++refused;
            EXPECT_EQ(bytesOf(g), before) << "round " << round;
        }
    }
    EXPECT_GT(refused, 0);
}

} // namespace
