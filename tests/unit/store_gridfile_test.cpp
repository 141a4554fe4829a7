// Grid-table files: what a grid becomes on disk, and what a file gives back.

#include "status.h"
#include "store/grid.h"
#include "store/gridfile.h"

#include "gridtests.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace rastrova;
using namespace rastrova::store;

using gridtests::bytesOf;

namespace {

QByteArray rawFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<cannot read>");
}

// One section as written: "[name]", its lines and the empty line; "" when missing.
std::string section(const QByteArray& file, const QByteArray& name)
{
    const QByteArray head = '[' + name + "]\r\n";
    qsizetype at = file.startsWith(head) ? 0 : file.indexOf("\n" + head);
    if (at < 0)
        return {};
    if (at > 0)
        ++at;
    const qsizetype end = file.indexOf("\r\n\r\n", at);
    return (end < 0 ? file.mid(at) : file.mid(at, end + 4 - at)).toStdString();
}

std::vector<std::string> sectionNames(const QByteArray& file)
{
    std::vector<std::string> names;
    for (const QByteArray& line : file.split('\n'))
        if (line.startsWith('[') && line.endsWith("]\r"))
            names.push_back(line.mid(1, line.size() - 3).toStdString());
    return names;
}

// Where two grids first differ, for a readable failure.
std::string firstDifference(const Grid& a, const Grid& b)
{
    if (a.colCount() != b.colCount() || a.rowCount() != b.rowCount())
        return "size";
    for (int k = 0; k < kGridKeyCount; ++k)
        if (!(a.value(GridKey(k)) == b.value(GridKey(k))))
            return std::string("grid key ") + gridKeyInfo(GridKey(k)).name;
    for (int c = 0; c < a.colCount(); ++c)
        if (!(a.column(c) == b.column(c)))
            return "column " + std::to_string(c);
    for (int r = 0; r < a.rowCount(); ++r) {
        if (a.rowHeight(r) != b.rowHeight(r))
            return "row height " + std::to_string(r);
        for (int c = 0; c < a.colCount(); ++c)
            if (!(a.cell(c, r) == b.cell(c, r)))
                return "cell " + std::to_string(c) + " " + std::to_string(r);
    }
    if (a.ranges() != b.ranges())
        return "merged ranges";
    if (a.autoRowHeights() != b.autoRowHeights())
        return "automatic row heights";
    return a.printHeader == b.printHeader && a.printFooter == b.printFooter ? "none"
                                                                            : "print header or footer";
}

constexpr int kArchiveRow = 5;

// A grid that uses every kind of entry the file has.
Grid richGrid()
{
    Grid g;
    g.resize(6, 7);
    g.setRowHeight(2, 40);
    g.setColWidth(1, 104);
    g.setColWidth(4, 0);
    // Added in the order the writer meets them: column by column, top to bottom.
    EXPECT_TRUE(g.addRange({1, 1, 2, 2}));
    EXPECT_TRUE(g.addRange({3, 1, 5, 1}));
    g.setText(1, 1, QStringLiteral("ab\ncd"));
    g.cell(1, 1).hint = QStringLiteral("Подсказка: расход");
    g.setText(3, 1, QStringLiteral("Температура, °C"));
    g.setText(1, 3, QStringLiteral("a=b"));
    g.cell(1, 3).inner = {0, 2};
    g.setText(2, 3, QStringLiteral("==== "));
    g.cell(2, 3).inner = {0x00FF00, 3};
    g.cell(2, 3).outer = {255, 1};
    g.setText(3, 3, QStringLiteral("Отчёт №1\n\nитог"));
    g.cell(3, 3).font = Font{QStringLiteral("Arial"), 8, 0, 0, 1, 2};
    g.column(3).readOnly = true;
    g.cell(3, 4).readOnly = false;
    g.cell(4, 3).readOnly = true;
    g.cell(4, 3).checkBox = CheckBox{true, 0};
    g.cell(5, 3).wordWrap = true;
    g.cell(5, 3).textAlignment = 2;
    g.column(2).font = Font{QStringLiteral("Courier New"), 12, 0, 204, 1, 1};
    g.column(5).tabStop = false;
    for (int c = 0; c < g.colCount(); ++c)
        g.cell(c, kArchiveRow).colour = kArchiveRowColour;
    g.printHeader.lines = {QStringLiteral("Котельная \"Северная\""), QStringLiteral("x=y")};
    g.printHeader.distance = 1.5;
    g.printFooter.alignment = 2;
    return g;
}

} // namespace

// ---------------------------------------------------------------- writing

TEST(GridFileRoundTrip, EveryKindOfEntryReadsBackEqualAndRewritesByteIdentical)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("grid.ini"));
    const Grid g = richGrid();
    ASSERT_TRUE(writeGridFile(path, g));
    const QByteArray first = rawFile(path);

    Grid back;
    const Status st = readGridFile(path, back);
    ASSERT_TRUE(st) << st.message().toStdString();
    EXPECT_TRUE(back == g) << "first difference: " << firstDifference(back, g);

    ASSERT_TRUE(writeGridFile(path, back));
    EXPECT_EQ(rawFile(path).toStdString(), first.toStdString());
}

TEST(GridFileRoundTrip, MergedRangesAddedInAnyOrderReadBackEqual)
{
    // A user merges cells in any order; the file lists them column by column.
    Grid g;
    g.resize(5, 5);
    ASSERT_TRUE(g.addRange({3, 1, 4, 1}));
    ASSERT_TRUE(g.addRange({1, 1, 2, 2}));
    Grid back;
    ASSERT_TRUE(parseGridTable(bytesOf(g), back));
    EXPECT_TRUE(back == g) << "first difference: " << firstDifference(back, g);
}

TEST(GridFileWrite, SectionsOfASmallGridByteForByte)
{
    Grid g;
    g.resize(4, 4);
    ASSERT_TRUE(g.addRange({1, 1, 2, 2}));
    g.setText(1, 1, QStringLiteral("Тест"));
    g.cell(1, 1).inner = {0, 2};
    g.setText(2, 2, QStringLiteral("covered")); // under the merge: written nowhere
    g.cell(2, 2).colour = 5;
    g.cell(2, 2).inner = {0, 2};
    for (int c = 1; c < 4; ++c)
        g.cell(c, 3).colour = kArchiveRowColour;
    g.setText(3, 1, QStringLiteral("ab\ncd"));
    const QByteArray b = bytesOf(g);

    EXPECT_EQ(section(b, "Unions"), "[Unions]\r\n1 1=2 2\r\n\r\n");
    EXPECT_EQ(section(b, "InnerBorders"), "[InnerBorders]\r\n1 1=0 2\r\n\r\n");
    EXPECT_EQ(section(b, "Cell.Color"), "[Cell.Color]\r\n1 3=255\r\n2 3=255\r\n3 3=255\r\n\r\n");
    EXPECT_EQ(section(b, "1 1"), "[1 1]\r\n0=\xD2\xE5\xF1\xF2\r\n\r\n");
    EXPECT_EQ(section(b, "3 1"), "[3 1]\r\n0=ab\r\n1=cd\r\n\r\n");
    EXPECT_EQ(b.indexOf("2 2="), -1);
    // Empty and covered cells write no section; default sizes write nothing either.
    const std::vector<std::string> expected = {"1 1",          "3 1",         "Cell.Color",  "Grid",
                                               "InnerBorders", "PrintFooter", "PrintHeader", "Unions"};
    EXPECT_EQ(sectionNames(b), expected);
    EXPECT_TRUE(b.endsWith("\r\n\r\n"));
    EXPECT_EQ(b.count('\n'), b.count("\r\n"));
}

TEST(GridFileWrite, ColumnCellAndBorderEntries)
{
    const QByteArray b = bytesOf(richGrid());
    EXPECT_EQ(section(b, "Col.Width"), "[Col.Width]\r\n1=104\r\n4=0\r\n\r\n");
    EXPECT_EQ(section(b, "RowHeights"), "[RowHeights]\r\n2=40\r\n\r\n");
    EXPECT_EQ(section(b, "TabStops"), "[TabStops]\r\n5=0\r\n\r\n");
    // Only where the cell differs from its column.
    EXPECT_EQ(section(b, "Cell.ReadOnly"), "[Cell.ReadOnly]\r\n3 4=0\r\n4 3=1\r\n\r\n");
    EXPECT_EQ(section(b, "CheckBox"), "[CheckBox]\r\n4 3=10\r\n\r\n");
    EXPECT_EQ(section(b, "InnerBorders"), "[InnerBorders]\r\n1 3=0 2\r\n2 3=65280 3\r\n\r\n");
    EXPECT_EQ(section(b, "OuterBorders"), "[OuterBorders]\r\n2 3=255 1\r\n\r\n");
    EXPECT_EQ(section(b, "2 3"), "[2 3]\r\n0===== \r\n\r\n");
    EXPECT_EQ(section(b, "1 3"), "[1 3]\r\n0=a=b\r\n\r\n");
    EXPECT_EQ(section(b, "Unions"), "[Unions]\r\n1 1=2 2\r\n3 1=5 1\r\n\r\n");
}

TEST(GridFileWrite, SectionsSortedCaseInsensitivelyEntriesInWriteOrder)
{
    Grid g;
    g.resize(12, 12);
    for (auto [c, r] : std::initializer_list<std::pair<int, int>>{{2, 0}, {10, 0}, {1, 2}, {1, 10}})
        g.setText(c, r, QStringLiteral("x"));
    const std::vector<std::string> names = sectionNames(bytesOf(g));
    const std::vector<std::string> cells(names.begin(), names.begin() + 4);
    EXPECT_EQ(cells, (std::vector<std::string>{"1 10", "1 2", "10 0", "2 0"}));

    SectionFile f;
    f.append(QStringLiteral("b"), QStringLiteral("z"), QStringLiteral("1"));
    f.append(QStringLiteral("C"), QStringLiteral("k"), QStringLiteral("2"));
    f.append(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("3"));
    f.append(QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("4"));
    f.append(QStringLiteral("B"), QStringLiteral("m"), QStringLiteral("5")); // the same section
    EXPECT_EQ(f.text(),
              QStringLiteral("[A]\r\nk=3\r\n\r\n[b]\r\nz=1\r\na=4\r\nm=5\r\n\r\n[C]\r\nk=2\r\n\r\n"));
}

TEST(GridFileWrite, TextsCodePage1251CannotHoldAreRefusedAndNothingIsWritten)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("grid.ini"));
    ASSERT_TRUE(writeGridFile(path, richGrid()));
    const QByteArray old = rawFile(path);

    for (const QString& bad : {QStringLiteral("Ω"), QStringLiteral("расход 中")}) {
        SCOPED_TRACE(bad.toStdString());
        Grid text = richGrid();
        text.setText(1, 4, bad);
        Grid hint = richGrid();
        hint.cell(1, 4).hint = bad;
        for (const Grid* g : {&text, &hint}) {
            QByteArray out = "untouched";
            EXPECT_EQ(gridTableBytes(*g, out).code(), Status::Refused);
            EXPECT_EQ(out, QByteArray("untouched"));
            EXPECT_EQ(writeGridFile(path, *g).code(), Status::Refused);
            EXPECT_EQ(rawFile(path), old);
        }
    }
}

// ---------------------------------------------------------------- reading

TEST(GridFileRead, LinesKeysAndValues)
{
    const QByteArray file = "ColCount=9\r\n"
                            "; RowCount=8\r\n"
                            "[Grid]\r\n"
                            "About=v2.26.23\r\n"
                            ";RowCount=7\r\n"
                            "\r\n"
                            "RowCount=3\r\n"
                            "Frobnicate=1\r\n"
                            "[Whatever]\r\n"
                            "ColCount=5\r\n"
                            "[0 2]\r\n"
                            "0=a=b\r\n"
                            "1=====\r\n"
                            "2=\r\n"
                            "3=\xC8\xF2\xEE\xE3\r\n";
    Grid g;
    const Status st = parseGridTable(file, g);
    ASSERT_TRUE(st) << st.message().toStdString();
    EXPECT_EQ(g.colCount(), 1); // no ColCount in "Grid"
    EXPECT_EQ(g.rowCount(), 3);
    EXPECT_EQ(g.text(0, 2), QStringLiteral("a=b\n====\n\nИтог"));
}

TEST(GridFileRead, HexValuesAndNonNumbersKeepThePriorValue)
{
    Grid g;
    g.setDefaultColWidth(60);
    g.setNumber(GridKey::FixedColor, 5);
    g.setDefaultRowHeight(30);
    const QByteArray file = "[Grid]\r\nAbout=x\r\nColCount=3\r\nRowCount=2\r\n"
                            "Color=0x80000005\r\nGridLineColor=0XFF\r\nDefaultColWidth=0x\r\n"
                            "DefaultRowHeight=abc\r\nFixedColor=12abc\r\nFont.Size=0x0C\r\n"
                            "[Col.Width]\r\n1=wide\r\n2=0x64\r\n"
                            "[Cell.Color]\r\n1 1=0x10\r\n2 1=red\r\n"
                            "[InnerBorders]\r\n1 1=0 2\r\n2 1=0 thick\r\n";
    ASSERT_TRUE(parseGridTable(file, g));
    EXPECT_EQ(g.colour(), kWindowColour);
    EXPECT_EQ(g.value(GridKey::GridLineColor).number, 255);
    EXPECT_EQ(g.font().size, 12);
    EXPECT_EQ(g.defaultColWidth(), 60);
    EXPECT_EQ(g.defaultRowHeight(), 30);
    EXPECT_EQ(g.fixedColour(), 5);
    EXPECT_EQ(g.colWidth(1), 60);
    EXPECT_EQ(g.colWidth(2), 100);
    EXPECT_EQ(g.cell(1, 1).colour, 16);
    EXPECT_EQ(g.cell(2, 1).colour, kNoColour);
    EXPECT_EQ(g.cell(1, 1).inner, (Border{0, 2}));
    EXPECT_EQ(g.cell(2, 1).inner, Border{});
}

TEST(GridFileRead, ABorderOfWidthZeroIsNoBorderAndTheGridWritesBackAsRead)
{
    const QByteArray file = "[Grid]\r\nAbout=v2.0\r\nColCount=3\r\nRowCount=2\r\n"
                            "[InnerBorders]\r\n1 1=255 0\r\n2 1=0 2\r\n"
                            "[OuterBorders]\r\n1 1=8421504 0\r\n2 1=65280 -4\r\n";
    Grid g;
    ASSERT_TRUE(parseGridTable(file, g));
    EXPECT_EQ(g.cell(1, 1).inner, Border{});
    EXPECT_EQ(g.cell(1, 1).outer, Border{});
    EXPECT_EQ(g.cell(2, 1).outer, Border{});
    EXPECT_EQ(g.cell(2, 1).inner, (Border{0, 2}));

    QByteArray written;
    ASSERT_TRUE(gridTableBytes(g, written));
    Grid back;
    ASSERT_TRUE(parseGridTable(written, back));
    EXPECT_EQ(back, g);
}

TEST(GridFileRead, AutomaticRowHeightsWhenAboutIsMissing)
{
    const QByteArray heights = "[RowHeights]\r\n1=50\r\n";
    Grid without;
    ASSERT_FALSE(without.autoRowHeights());
    ASSERT_TRUE(parseGridTable("[Grid]\r\nColCount=2\r\nRowCount=2\r\n" + heights, without));
    EXPECT_TRUE(without.autoRowHeights());
    EXPECT_EQ(without.rowHeight(1), 21);

    Grid with;
    ASSERT_TRUE(parseGridTable("[Grid]\r\nAbout=v2.26.23\r\nColCount=2\r\nRowCount=2\r\n" + heights, with));
    EXPECT_FALSE(with.autoRowHeights());
    EXPECT_EQ(with.rowHeight(1), 50);
}

TEST(GridFileRead, UnionsAreFourNumbersEachEndedByOneCharacter)
{
    const QByteArray head = "[Grid]\r\nColCount=4\r\nRowCount=4\r\n[Unions]\r\n";
    Grid g;
    ASSERT_TRUE(parseGridTable(head + "1,1=2;2\r\n3x0=3y3\r\n", g));
    EXPECT_EQ(g.ranges(), (QList<Range>{{1, 1, 2, 2}, {3, 0, 3, 3}}));
    EXPECT_EQ(g.regionAt(2, 2), (Range{1, 1, 2, 2}));

    for (const char* bad : {"1 1=2", "1  1=2 2", "1 1=x 2", "1 1=", "99999999999 1=1 1"}) {
        SCOPED_TRACE(bad);
        Grid target;
        EXPECT_EQ(parseGridTable(head + bad + "\r\n", target).code(), Status::Damaged);
    }
}

TEST(GridFileRead, DamagedInputLeavesTheTargetAsItWas)
{
    std::mt19937 random(1251);
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char(random() & 0xFF);
    garbage[100] = '\0';

    const std::pair<const char*, QByteArray> cases[] = {
        {"a billion columns", "[Grid]\r\nColCount=1000000000\r\nRowCount=2\r\n"},
        {"a billion rows", "[Grid]\r\nColCount=2\r\nRowCount=1000000000\r\n"},
        {"too many cells", "[Grid]\r\nColCount=1000\r\nRowCount=60000\r\n"},
        {"negative size", "[Grid]\r\nColCount=-3\r\nRowCount=2\r\n"},
        {"merge outside", "[Grid]\r\nColCount=3\r\nRowCount=3\r\n[Unions]\r\n1 1=3 1\r\n"},
        {"merge reversed", "[Grid]\r\nColCount=3\r\nRowCount=3\r\n[Unions]\r\n2 2=1 1\r\n"},
        {"merges overlap", "[Grid]\r\nColCount=4\r\nRowCount=4\r\n[Unions]\r\n1 1=2 2\r\n2 2=3 3\r\n"},
        {"text outside", "[Grid]\r\nColCount=2\r\nRowCount=2\r\n[1 1]\r\n0=in\r\n[5 1]\r\n0=out\r\n"},
        {"binary garbage", garbage},
    };
    const Grid before = richGrid();
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        Grid target = before;
        const Status st = parseGridTable(bytes, target);
        EXPECT_EQ(st.code(), Status::Damaged);
        EXPECT_FALSE(st.message().isEmpty());
        EXPECT_TRUE(target == before) << "first difference: " << firstDifference(target, before);
    }
}

TEST(GridFileRead, CutAndCorruptedFilesNeverCrashOrHalfChangeTheTarget)
{
    const Grid before = richGrid();
    const QByteArray good = bytesOf(before);
    std::mt19937 random(866);
    std::vector<QByteArray> inputs;
    for (qsizetype n = 0; n < good.size(); n += 13)
        inputs.push_back(good.left(n));
    for (int i = 0; i < 300; ++i) {
        QByteArray bad = good;
        for (int k = 0; k < 4; ++k)
            bad[qsizetype(random() % bad.size())] = char(random() & 0xFF);
        inputs.push_back(bad);
    }
    int damaged = 0;
    for (const QByteArray& input : inputs) {
        Grid target = before;
        const Status st = parseGridTable(input, target);
        ASSERT_TRUE(st.code() == Status::Ok || st.code() == Status::Damaged) << st.message().toStdString();
        if (!st) {
            ++damaged;
            ASSERT_TRUE(target == before) << firstDifference(target, before);
        } else {
            ASSERT_LE(qsizetype(target.colCount()) * target.rowCount(), kAnyGridLimits.maxCells);
        }
    }
    EXPECT_GT(damaged, 0); // the cuts through "Unions" lines at least
}

TEST(GridFileRead, ManyTinyEntriesAreRefusedRatherThanCostingGigabytes)
{
    // Under the file's size bound, millions of empty sections or entries: held as
    // they stand they would take gigabytes.
    for (const QByteArray& line : {QByteArray("[a]\n"), QByteArray("a=\n")}) {
        QByteArray bytes = "[Grid]\nColCount=2\nRowCount=2\n";
        bytes.reserve(kMaxGridFileBytes);
        while (bytes.size() + line.size() <= kMaxGridFileBytes)
            bytes += line;
        Grid target = richGrid();
        const Status st = parseGridTable(bytes, target);
        EXPECT_EQ(st.code(), Status::Damaged);
        EXPECT_TRUE(st.message().contains(QStringLiteral("слишком много записей"))) << st.message().toStdString();
        EXPECT_TRUE(target == richGrid());
    }
}
