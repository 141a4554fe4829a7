// Blank files: the grid-table file of a blank with the controller settings last.

#include "status.h"
#include "store/blank.h"
#include "store/grid.h"

#include <gtest/gtest.h>

#include "filelimit.h"

#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <unistd.h>
#include <utility>

using namespace rastrova;
using namespace rastrova::store;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QByteArray rawFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<cannot read>");
}

bool putFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray bytesOf(const BlankDocument& blank)
{
    QByteArray out;
    const Status st = blankFileBytes(blank, out);
    EXPECT_TRUE(st) << st.message().toStdString();
    return out;
}

// "C:\БАЗА\TASK\0701.tsk" and its 1251 bytes.
const QString kTaskFile = QStringLiteral("C:\\БАЗА\\TASK\\0701.tsk");
const QByteArray kTaskFileBytes = "C:\\\xC1\xC0\xC7\xC0\\TASK\\0701.tsk";

// The "Grid" section of a new blank's grid of `cols` x `rows`.
QByteArray freshGridSection(int cols, int rows)
{
    return "[Grid]\r\nAbout=v2.26.23\r\nWidth=600\r\nHeight=300\r\nScrollBars=3\r\nBorderStyle=1\r\nHint=\r\n"
           "ShowHint=1\r\nTag=0\r\nDragKind=0\r\nDragMode=0\r\nDragCursor=-12\r\nCursor=0\r\n"
           "Constraints.MaxHeight=0\r\nConstraints.MaxWidth=0\r\nConstraints.MinHeight=0\r\n"
           "Constraints.MinWidth=0\r\nEnabled=1\r\nVisible=1\r\nTabStop=1\r\nDefaultColWidth=75\r\n"
           "DefaultRowHeight=21\r\nGridLineWidth=1\r\nBorderForText=2\r\nColCount=" +
           QByteArray::number(cols) + "\r\nRowCount=" + QByteArray::number(rows) +
           "\r\nFixedCols=1\r\nFixedRows=1\r\nWordWrap=0\r\nCtl3D=1\r\nColor=-2147483643\r\n"
           "FixedColor=-2147483633\r\nGridLineColor=8421504\r\nFixedGridLineColor=0\r\nOptions=0\r\n"
           "TabOptions=0\r\nEditorOptions=0\r\nEditControlOptions=0\r\nEditColor=-2147483643\r\n"
           "SelectionColor=-2147483635\r\nEditFontColor=-2147483640\r\nSelectionFontColor=-2147483634\r\n"
           "Font.Charset=204\r\nFont.Color=-2147483640\r\nFont.Name=MS Sans Serif\r\nFont.Pitch=2\r\n"
           "Font.Size=10\r\nFont.Style=0\r\nPrintMargins.Left=1\r\nPrintMargins.Top=1\r\n"
           "PrintMargins.Right=1\r\nPrintMargins.Bottom=1\r\nPrintOptions=0\r\nExportTag=ProfGridTag\r\n"
           "SortColumn=0\r\nSortDescending=0\r\nSortIndicator=0\r\nSortOnDblClick=0\r\nSortOnClick=0\r\n"
           "InplaceScrollBar=0\r\nSpreadsheetEnabled=0\r\nSpreadsheetHeaders=1\r\nHideSelection=0\r\n\r\n";
}

const QByteArray kBand = "Font.Charset=204\r\nFont.Color=-2147483640\r\nFont.Name=MS Sans Serif\r\n"
                         "Font.Pitch=2\r\nFont.Size=10\r\nFont.Style=0\r\nAlignment=0\r\nDistance=0\r\n\r\n";

// A blank file as the base folders hold them: a title over four columns and a framed row.
QByteArray sampleBlankFile()
{
    QByteArray inner = "[InnerBorders]\r\n";
    for (int c = 1; c <= 4; ++c)
        inner += QByteArray::number(c) + " 3=0 2\r\n";
    return "[1 1]\r\n0=  \xD1\xF3\xF2\xEE\xF7\xED\xFB\xE9 \xE0\xF0\xF5\xE8\xE2\r\n\r\n"
           "[1 3]\r\n0= \xC4\xE0\xF2\xE0\r\n1=\xE2\xF0\xE5\xEC\xFF\r\n\r\n"
           "[Col.Width]\r\n1=104\r\n2=96\r\n\r\n" +
           freshGridSection(5, 4) + inner + "\r\n" + "[PrintFooter]\r\n" + kBand + "[PrintHeader]\r\n" +
           kBand +
           "[Unions]\r\n1 1=4 1\r\n\r\n"
           "[NASTR]\r\nVIRELTYPE=1\r\nSETN=200\r\nTSKFILENAME=" +
           kTaskFileBytes + "\r\n";
}

BlankDocument sampleBlank()
{
    BlankDocument doc;
    doc.grid.resize(5, 5);
    EXPECT_TRUE(doc.grid.addRange({1, 1, 4, 1}));
    doc.grid.setText(1, 1, QStringLiteral("Отчёт за сутки"));
    doc.grid.setText(1, 2, QStringLiteral("Тнв,\n°C"));
    doc.grid.setText(2, 2, QStringLiteral("=== итог"));
    for (int c = 1; c <= 4; ++c) {
        doc.grid.cell(c, 3).inner = {0, 2};
        doc.grid.cell(c, 4).colour = kArchiveRowColour;
    }
    doc.grid.setColWidth(1, 104);
    doc.settings = {1, 200, kTaskFile, BlankKind::Archive};
    return doc;
}

} // namespace

// ---------------------------------------------------------------- writing

TEST(BlankWrite, FreshBlankFileWithDisplayKeysAndSettingsLast)
{
    BlankDocument doc;
    doc.grid.setRowHeight(1, 60); // a blank sizes rows to their text: never stored
    doc.settings = {1, 200, kTaskFile, BlankKind::Hourly};
    const QByteArray b = bytesOf(doc);
    EXPECT_EQ(b.toStdString(),
              (freshGridSection(2, 2) + "[PrintFooter]\r\n" + kBand + "[PrintHeader]\r\n" + kBand +
               "[NASTR]\r\nVIRELTYPE=1\r\nSETN=200\r\nTSKFILENAME=" + kTaskFileBytes + "\r\n")
                  .toStdString());
    EXPECT_EQ(b.indexOf("RowHeights"), -1);
}

TEST(BlankWrite, SampleFileReadsAndWritesBackByteIdentical)
{
    const QByteArray file = sampleBlankFile();
    BlankDocument doc;
    const Status st = parseBlank(file, doc);
    ASSERT_TRUE(st) << st.message().toStdString();
    EXPECT_EQ(doc.grid.colCount(), 5);
    EXPECT_EQ(doc.grid.rowCount(), 4);
    EXPECT_EQ(doc.grid.text(1, 3), QStringLiteral(" Дата\nвремя"));
    EXPECT_EQ(doc.grid.regionAt(3, 1), (Range{1, 1, 4, 1}));
    EXPECT_EQ(doc.grid.cell(4, 3).inner, (Border{0, 2}));
    EXPECT_EQ(doc.grid.colWidth(2), 96);
    EXPECT_EQ(doc.settings, (BlankSettings{1, 200, kTaskFile, BlankKind::Hourly}));
    EXPECT_EQ(bytesOf(doc).toStdString(), file.toStdString());
}

TEST(BlankWrite, RoundTripKeepsGridAndSettingsButNotTheKind)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString base = dir.filePath(QStringLiteral("Суточный"));
    const BlankDocument doc = sampleBlank();
    ASSERT_TRUE(writeBlank(base, doc));
    const QByteArray first = rawFile(base + QStringLiteral(".ini"));
    EXPECT_NE(first.indexOf("[InnerBorders]\r\n1 3=0 2\r\n2 3=0 2\r\n"), -1);
    EXPECT_NE(first.indexOf("[Cell.Color]\r\n1 4=255\r\n2 4=255\r\n3 4=255\r\n4 4=255\r\n\r\n"), -1);

    BlankDocument back;
    const Status st = readBlank(base + QStringLiteral(".ini"), back);
    ASSERT_TRUE(st) << st.message().toStdString();
    EXPECT_TRUE(back.grid == doc.grid);
    // The kind is kept by the print file, not here.
    EXPECT_EQ(back.settings, (BlankSettings{1, 200, kTaskFile, BlankKind::Hourly}));

    ASSERT_TRUE(writeBlank(base, back));
    EXPECT_EQ(rawFile(base + QStringLiteral(".ini")).toStdString(), first.toStdString());
}

TEST(BlankWrite, FailedWritesLeaveTheOldFileWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(writeBlank(dir.filePath(QStringLiteral("no/such/folder/blank")), sampleBlank()).code(),
              Status::IoError);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("no/such/folder/blank.ini"))));

    const QString base = dir.filePath(QStringLiteral("blank"));
    ASSERT_TRUE(writeBlank(base, sampleBlank()));
    const QByteArray old = rawFile(base + QStringLiteral(".ini"));

    BlankDocument badTask = sampleBlank();
    badTask.settings.taskFile = QStringLiteral("C:\\中\\0701.tsk");
    BlankDocument badText = sampleBlank();
    badText.grid.setText(2, 3, QStringLiteral("Ω"));
    for (const BlankDocument* doc : {&badTask, &badText}) {
        QByteArray out = "untouched";
        EXPECT_EQ(blankFileBytes(*doc, out).code(), Status::Refused);
        EXPECT_EQ(out, QByteArray("untouched"));
        EXPECT_EQ(writeBlank(base, *doc).code(), Status::Refused);
        EXPECT_EQ(rawFile(base + QStringLiteral(".ini")), old);
    }
}

TEST(BlankWrite, FullDiskLeavesTheOldFileWholeAndReportsIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString base = dir.filePath(QStringLiteral("blank"));
    ASSERT_TRUE(writeBlank(base, sampleBlank()));
    const QByteArray old = rawFile(base + QStringLiteral(".ini"));
    ASSERT_GT(old.size(), 200);

    BlankDocument changed = sampleBlank();
    changed.grid.setText(1, 1, QStringLiteral("другой"));
    Status st;
    {
        testfiles::FileSizeLimit full(100); // room for the first 100 bytes only
        ASSERT_TRUE(full.active());
        st = writeBlank(base, changed);
    }
    EXPECT_EQ(st.code(), Status::IoError);
    EXPECT_TRUE(st.message().contains(QStringLiteral("blank.ini"))) << st.message().toStdString();
    EXPECT_EQ(rawFile(base + QStringLiteral(".ini")), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("blank.ini")}); // no leftovers
}

// ---------------------------------------------------------------- reading

TEST(BlankRead, MissingEmptyAndTooLargeFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const BlankDocument before = sampleBlank();

    BlankDocument doc = before;
    EXPECT_EQ(readBlank(dir.filePath(QStringLiteral("missing.ini")), doc).code(), Status::NotFound);
    EXPECT_TRUE(doc.grid == before.grid);
    EXPECT_EQ(doc.settings, before.settings);

    const QString empty = dir.filePath(QStringLiteral("empty.ini"));
    ASSERT_TRUE(putFile(empty, {}));
    ASSERT_TRUE(readBlank(empty, doc));
    EXPECT_EQ(doc.grid.colCount(), 2);
    EXPECT_EQ(doc.grid.rowCount(), 2);
    EXPECT_TRUE(doc.grid.ranges().isEmpty());
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            EXPECT_TRUE(doc.grid.cell(c, r) == Cell{}) << c << " " << r;
    EXPECT_EQ(doc.settings, (BlankSettings{0, 0, QString(), BlankKind::Archive}));

    const QString large = dir.filePath(QStringLiteral("large.ini"));
    for (const char* size : {"ColCount=42\r\nRowCount=10", "ColCount=10\r\nRowCount=257",
                             "ColCount=1000000000\r\nRowCount=1000000000"}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(putFile(large, QByteArray("[Grid]\r\nAbout=v2.26.23\r\n") + size + "\r\n"));
        doc = before;
        EXPECT_EQ(readBlank(large, doc).code(), Status::Damaged);
        EXPECT_TRUE(doc.grid == before.grid);
        EXPECT_EQ(doc.settings, before.settings);
    }
    ASSERT_TRUE(putFile(large, "[Grid]\r\nAbout=v2.26.23\r\nColCount=41\r\nRowCount=256\r\n"));
    ASSERT_TRUE(readBlank(large, doc));
    EXPECT_EQ(doc.grid.colCount(), 41);
    EXPECT_EQ(doc.grid.rowCount(), 256);
}

TEST(BlankRead, SettingsFromTheLastSection)
{
    const QByteArray head = "[Grid]\r\nAbout=v2.26.23\r\nColCount=3\r\nRowCount=3\r\n\r\n[NASTR]\r\n";
    // The stored value is kept as it stands: the image takes its low 8 bits.
    const std::pair<QByteArray, int> cases[] = {{"SETN=300", 300}, {"SETN=-1", -1}, {"SETN=0x10", 16},
                                                {"SETN=255", 255}, {"SETN=abc", 0},  {"", 0}};
    for (const auto& [line, setn] : cases) {
        SCOPED_TRACE(line.toStdString());
        BlankDocument doc;
        ASSERT_TRUE(
            parseBlank(head + "VIRELTYPE=1\r\n" + line + "\r\nTSKFILENAME=" + kTaskFileBytes + "\r\n", doc));
        EXPECT_EQ(doc.settings.setn, setn);
        EXPECT_EQ(doc.settings.virelType, 1);
        EXPECT_EQ(doc.settings.taskFile, kTaskFile);
    }
}
