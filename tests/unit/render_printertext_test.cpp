// The printer text: what the adapter prints for a blank.

#include "render/printertext.h"
#include "text/codepage.h"

#include <gtest/gtest.h>

using namespace rastrova;
using store::Border;
using store::Grid;
using store::Range;

namespace {

Grid blank(int dataCols, int dataRows, int width = 80)
{
    Grid g = store::freshBlankGrid();
    g.resize(dataCols + 1, dataRows + 1);
    for (int c = 0; c <= dataCols; ++c)
        g.setColWidth(c, width);
    return g;
}

void frame(Grid& g, int c, int r)
{
    g.cell(c, r).inner = Border{0, 2};
}

// Printer lines shown as Unicode, for readable expectations.
QStringList shown(const render::PrinterText& t)
{
    QStringList lines;
    for (const QByteArray& line : t.lines)
        lines << text::fromCp866(line);
    return lines;
}

QString repeat(QChar c, int n)
{
    return QString(n, c);
}

} // namespace

TEST(RenderPrinterText, CellsWithoutFramesAreLaidEndToEnd)
{
    Grid g = blank(2, 2);
    g.setText(1, 1, "ab");
    g.setText(2, 1, "cd");
    g.setText(2, 2, "e");
    const auto t = render::renderPrinterText(g, false);
    ASSERT_TRUE(t.status.isOk());
    EXPECT_EQ(shown(t), QStringList({"ab        cd        ", repeat(' ', 10) + "e         "}));
}

TEST(RenderPrinterText, FramedCellsShareTheirLines)
{
    // One framed cell of 80 pixels: ten characters inside the frame.
    Grid one = blank(1, 1);
    one.setText(1, 1, "Дата");
    frame(one, 1, 1);
    EXPECT_EQ(shown(render::renderPrinterText(one, false)),
              QStringList({"┌" + repeat(u'─', 10) + "┐", "│Дата      │", "└" + repeat(u'─', 10) + "┘"}));

    // Two side by side meet in ┬ and ┴; a 2 x 2 block has ├ ┼ ┤ in its middle.
    Grid four = blank(2, 2, 16);
    for (int c = 1; c <= 2; ++c)
        for (int r = 1; r <= 2; ++r)
            frame(four, c, r);
    EXPECT_EQ(shown(render::renderPrinterText(four, false)),
              QStringList({"┌──┬──┐", "│  │  │", "├──┼──┤", "│  │  │", "└──┴──┘"}));
}

TEST(RenderPrinterText, MergedFramedRegionHasNoJunctionInside)
{
    Grid g = blank(3, 1);
    g.setColWidth(1, 40);
    g.setColWidth(2, 48);
    g.setColWidth(3, 16);
    ASSERT_TRUE(g.addRange(Range{1, 1, 2, 1}));
    g.setText(1, 1, "0123456789ABCDEF");
    frame(g, 1, 1);
    frame(g, 3, 1);
    // 40 + 48 pixels give 5 + 6 = 11 characters of text room.
    EXPECT_EQ(shown(render::renderPrinterText(g, false)),
              QStringList({"┌" + repeat(u'─', 11) + "┬──┐", "│0123456789A│  │", "└" + repeat(u'─', 11) + "┴──┘"}));
}

TEST(RenderPrinterText, UnframedNeighbourKeepsItsPlaceBesideAFrame)
{
    // A framed cell next to a plain one: the plain one's text row has a blank where
    // the used line position is, and the line rows only draw the frame.
    Grid g = blank(2, 1, 24);
    frame(g, 2, 1);
    g.setText(1, 1, "x");
    g.setText(2, 1, "y");
    EXPECT_EQ(shown(render::renderPrinterText(g, false)), QStringList({"   ┌───┐", "x  │y  │", "   └───┘"}));
}

TEST(RenderPrinterText, LinesAreCutAt72AndFormFeedEnds)
{
    Grid g = blank(2, 1, 400); // 50 characters each
    g.setText(1, 1, QString(50, 'a'));
    g.setText(2, 1, QString(50, 'b'));
    const auto t = render::renderPrinterText(g, true);
    ASSERT_EQ(t.lines.size(), 2);
    EXPECT_EQ(t.lines[0], QByteArray(50, 'a') + QByteArray(22, 'b'));
    EXPECT_EQ(t.lines[1], QByteArray(1, '\x0C'));
}

TEST(RenderPrinterText, LettersGoThroughThePrinterTable)
{
    Grid g = blank(1, 1, 24);
    g.setText(1, 1, QStringLiteral("Ёя№"));
    const auto t = render::renderPrinterText(g, false);
    ASSERT_EQ(t.lines.size(), 1);
    EXPECT_EQ(t.lines[0], QByteArray("\xF0\xEF\xB9"));
}

TEST(RenderPrinterText, MarkColumnIsWidenedToShowTheWholeMark)
{
    Grid g = blank(2, 1, 16);
    g.setText(1, 1, "!10,20");
    g.cell(1, 1).readOnly = true;
    // 6 characters need 8 * 6 + 3 pixels; the column becomes 8 * 6 + 4 = 52 (6 characters).
    EXPECT_EQ(render::widenedColumnWidths(g)[1], 52);
    EXPECT_EQ(shown(render::renderPrinterText(g, false)), QStringList({"!10,20  "}));
    EXPECT_EQ(g.colWidth(1), 16); // rendering leaves the blank alone
    EXPECT_TRUE(render::widenMarkColumns(g));
    EXPECT_EQ(g.colWidth(1), 52);
    EXPECT_FALSE(render::widenMarkColumns(g));
}

TEST(RenderPrinterText, LineBreakInACellPrintsItsFirstLineAndIsReported)
{
    Grid g = blank(1, 3);
    g.setText(1, 1, "ok");
    g.setText(1, 2, "a\r\nb");
    g.setText(1, 3, "c");
    const auto t = render::renderPrinterText(g, false);
    EXPECT_FALSE(t.status.isOk());
    EXPECT_TRUE(t.status.message().contains("A2")) << t.status.message().toStdString();
    EXPECT_EQ(shown(t), QStringList({"ok        ", "a         ", "c         "}));
}

TEST(RenderPrinterText, EveryJunctionHasTheCharacterOfItsArms)
{
    using namespace render::box;
    EXPECT_EQ(render::junction(false, false, false, false), 0);
    EXPECT_EQ(render::junction(false, false, true, false), Horizontal);
    EXPECT_EQ(render::junction(false, false, false, true), Horizontal);
    EXPECT_EQ(render::junction(true, false, false, false), Vertical);
    EXPECT_EQ(render::junction(false, true, false, false), Vertical);
    EXPECT_EQ(render::junction(false, true, false, true), DownRight);
    EXPECT_EQ(render::junction(false, true, true, false), DownLeft);
    EXPECT_EQ(render::junction(true, false, false, true), UpRight);
    EXPECT_EQ(render::junction(true, false, true, false), UpLeft);
    EXPECT_EQ(render::junction(true, true, false, true), VerticalRight);
    EXPECT_EQ(render::junction(true, true, true, false), VerticalLeft);
    EXPECT_EQ(render::junction(false, true, true, true), HorizontalDown);
    EXPECT_EQ(render::junction(true, false, true, true), HorizontalUp);
    EXPECT_EQ(render::junction(true, true, true, true), Cross);
}
