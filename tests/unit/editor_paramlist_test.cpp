// The parameter list of a blank: its rows, its codes, the editing rules of p and q,
// and its ".par" file, on its own and as part of saving a blank.

#include "editor/paramlist.h"
#include "editor/saveblank.h"
#include "status.h"
#include "store/blank.h"
#include "store/grid.h"
#include "store/gridfile.h"
#include "store/manager.h"
#include "text/codepage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <optional>
#include <string>

using namespace rastrova;
using namespace rastrova::editor;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QByteArray rawFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<cannot read>");
}

// Writes a list file as another program left it: lines joined with CR LF, code page 1251.
void writeListFile(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    ASSERT_TRUE(text::toCp1251(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), bytes));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// One section as written, decoded: "[name]", its lines and the empty line; "" when missing.
std::string section(const QByteArray& file, const QString& name)
{
    const QString text = text::fromCp1251(file);
    const QString head = u'[' + name + QStringLiteral("]\r\n");
    qsizetype at = text.startsWith(head) ? 0 : text.indexOf(u'\n' + head);
    if (at < 0)
        return {};
    if (at > 0)
        ++at;
    const qsizetype end = text.indexOf(QStringLiteral("\r\n\r\n"), at);
    return (end < 0 ? text.mid(at) : text.mid(at, end + 4 - at)).toStdString();
}

// A list of parameters with the given codes, named after their numbers.
ParameterList listOf(std::initializer_list<const char*> codes)
{
    ParameterList list;
    for (const char* code : codes)
        list.append(QString::fromUtf8(code), QStringLiteral("Параметр %1").arg(list.count() + 1));
    return list;
}

} // namespace

// ---------------------------------------------------------------- rows

TEST(EditorParamList, FreshListIsEmptyWithOneHiddenPlaceholderRow)
{
    const ParameterList list;
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.archiveCheckCount(), 0);
    EXPECT_EQ(list.grid().colCount(), 6);
    EXPECT_EQ(list.grid().rowCount(), 2);
    EXPECT_TRUE(list.isRowHidden(1));
    EXPECT_EQ(list.code(1), "");
    EXPECT_FALSE(list.isInteger(1));
}

TEST(EditorParamList, FirstParameterFillsThePlaceholderRowLaterOnesAppend)
{
    ParameterList list;
    EXPECT_EQ(list.append(QStringLiteral("#4015"), QStringLiteral("Время")), 1);
    EXPECT_EQ(list.grid().rowCount(), 2);
    EXPECT_FALSE(list.isRowHidden(1));
    EXPECT_EQ(list.grid().rowHeight(1), list.grid().defaultRowHeight());
    EXPECT_EQ(list.grid().text(0, 1), "1");
    EXPECT_EQ(list.code(1), "#4015");
    EXPECT_EQ(list.name(1), "Время");

    EXPECT_EQ(list.append(QStringLiteral("~05"), QStringLiteral("Данные из часового архива № 5")), 2);
    EXPECT_EQ(list.grid().rowCount(), 3);
    EXPECT_EQ(list.grid().text(0, 2), "2");
    EXPECT_EQ(list.code(2), "~05");
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.archiveCheckCount(), 2);
    // Every parameter has its "Цел." box, unticked, at the left of the cell.
    for (int r : {1, 2}) {
        ASSERT_TRUE(list.grid().cell(ParameterList::IntegerColumn, r).checkBox.has_value()) << r;
        EXPECT_EQ(*list.grid().cell(ParameterList::IntegerColumn, r).checkBox,
                  (store::CheckBox{false, kAlignLeft}));
    }
    EXPECT_EQ(list.code(3), "");
    EXPECT_EQ(list.code(0), "");
}

TEST(EditorParamList, RemovingTheOnlyParameterLeavesTheEmptyListNotAListWithoutRows)
{
    ParameterList list = listOf({"#8319"});
    ASSERT_TRUE(list.setText(ParameterList::PColumn, 1, QStringLiteral("5")));
    ASSERT_TRUE(list.setInteger(1, true));

    EXPECT_TRUE(list.removeLast());
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(list.archiveCheckCount(), 0);
    EXPECT_TRUE(list.grid() == ParameterList().grid());
    EXPECT_FALSE(list.removeLast());
    EXPECT_EQ(list.grid().rowCount(), 2);

    // The next parameter starts afresh, without the deleted one's format or box.
    list.append(QStringLiteral("~01"), QStringLiteral("Данные"));
    EXPECT_EQ(list.p(1), "");
    EXPECT_FALSE(list.isInteger(1));
}

TEST(EditorParamList, RemovingTheLastOfSeveralDropsOnlyItsRow)
{
    ParameterList list = listOf({"#4015", "~05", "$03"});
    list.setInteger(2, true);
    EXPECT_TRUE(list.removeLast());
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.grid().rowCount(), 3);
    EXPECT_EQ(list.code(2), "~05");
    EXPECT_TRUE(list.isInteger(2));
    EXPECT_EQ(list.code(3), "");
}

// ---------------------------------------------------------------- codes

TEST(EditorParamCodes, KindFromTheFirstCharacterFixedCodesByTheWholeCode)
{
    const std::pair<const char*, CodeKind> cases[] = {
        {"#4015", CodeKind::Time},          {"#4016", CodeKind::Date},
        {"#4017", CodeKind::Year},          {"#403C", CodeKind::SerialNumber},
        {"#403c", CodeKind::CurrentValue},  {"#8319", CodeKind::CurrentValue},
        {"#40150", CodeKind::Other},        {"#831", CodeKind::Other},
        {"#G319", CodeKind::Other},         {"~05", CodeKind::HourlyArchive},
        {"~00A0", CodeKind::HourlyArchive}, {"$0A12", CodeKind::DailyArchive},
        {"0A12", CodeKind::Other},          {"", CodeKind::Other},
    };
    for (const auto& [code, kind] : cases)
        EXPECT_EQ(codeKind(QString::fromUtf8(code)), kind) << code;

    EXPECT_EQ(fixedCodeName(QStringLiteral("#4015")), "Время");
    EXPECT_EQ(fixedCodeName(QStringLiteral("#4016")), "Дата");
    EXPECT_EQ(fixedCodeName(QStringLiteral("#4017")), "Год");
    EXPECT_EQ(fixedCodeName(QStringLiteral("#403C")), "Заводской номер");
    EXPECT_EQ(fixedCodeName(QStringLiteral("#8319")), "");
}

TEST(EditorParamCodes, AddressesAndArchiveNumbersByControllerType)
{
    EXPECT_EQ(currentValueAddress(QStringLiteral("#8319")), 0x8319);
    EXPECT_EQ(currentValueAddress(QStringLiteral("#0a17")), 0x0A17);
    EXPECT_EQ(currentValueAddress(QStringLiteral("~0519")), std::nullopt);
    EXPECT_EQ(currentValueAddress(QStringLiteral("#83")), std::nullopt);

    // Type "10": the archive number in decimal.
    EXPECT_EQ(archiveNumber(QStringLiteral("~05"), 0), 5);
    EXPECT_EQ(archiveNumber(QStringLiteral("$12"), 0), 12);
    EXPECT_EQ(archiveNumber(QStringLiteral("~0A"), 0), std::nullopt);
    EXPECT_EQ(archiveNumber(QStringLiteral("~"), 0), std::nullopt);
    // Type "19": four hexadecimal digits of the catalogue.
    EXPECT_EQ(archiveNumber(QStringLiteral("~00A0"), 1), 0xA0);
    EXPECT_EQ(archiveNumber(QStringLiteral("$1B2c"), 1), 0x1B2C);
    EXPECT_EQ(archiveNumber(QStringLiteral("~05"), 1), std::nullopt);
    EXPECT_EQ(archiveNumber(QStringLiteral("#4015"), 0), std::nullopt);
}

TEST(EditorParamCodes, DecimalNumbersAreWholeTexts)
{
    EXPECT_EQ(parseDecimal(u"12"), 12);
    EXPECT_EQ(parseDecimal(u"-3"), -3);
    EXPECT_EQ(parseDecimal(u"+7"), 7);
    EXPECT_EQ(parseDecimal(u"2147483647"), 2147483647);
    EXPECT_EQ(parseDecimal(u"-2147483648"), INT32_MIN);
    for (const char16_t* bad :
         {u"", u"-", u" 1", u"1 ", u"1x", u"0x1F", u"2147483648", u"99999999999999999999"})
        EXPECT_EQ(parseDecimal(bad), std::nullopt) << QString::fromUtf16(bad).toStdString();
}

// ---------------------------------------------------------------- editing

TEST(EditorParamEditing, OnlyPAndQOfAParameterTakeTextAndOnlyDigits)
{
    ParameterList list = listOf({"#8319"});
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < ParameterList::kColumns; ++c) {
            const bool format = r == 1 && (c == ParameterList::PColumn || c == ParameterList::QColumn);
            EXPECT_EQ(list.isTextEditable(c, r), format) << c << ' ' << r;
            EXPECT_EQ(list.isCheckable(c, r), r == 1 && c == ParameterList::IntegerColumn) << c << ' ' << r;
        }

    EXPECT_TRUE(list.setText(ParameterList::PColumn, 1, QStringLiteral("12")));
    EXPECT_FALSE(list.setText(ParameterList::PColumn, 1, QStringLiteral("1a")));
    EXPECT_FALSE(list.setText(ParameterList::PColumn, 1, QStringLiteral("-1")));
    EXPECT_EQ(list.p(1), "12");
    EXPECT_TRUE(list.setText(ParameterList::QColumn, 1, QString()));
    EXPECT_FALSE(list.setText(ParameterList::NameColumn, 1, QStringLiteral("7")));
    EXPECT_FALSE(list.setText(ParameterList::NumberColumn, 1, QStringLiteral("7")));
    EXPECT_FALSE(list.setText(ParameterList::PColumn, 0, QStringLiteral("7")));
    EXPECT_EQ(list.name(1), "Параметр 1");
    EXPECT_FALSE(list.setInteger(2, true));

    // The placeholder row of an empty list is no parameter.
    ParameterList empty;
    EXPECT_FALSE(empty.isTextEditable(ParameterList::PColumn, 1));
    EXPECT_FALSE(empty.isCheckable(ParameterList::IntegerColumn, 1));
    EXPECT_FALSE(empty.setText(ParameterList::PColumn, 1, QStringLiteral("5")));
    EXPECT_FALSE(empty.setInteger(1, true));
}

TEST(EditorParamEditing, FixedCodesHaveNoFormatAfterLeavingTheRow)
{
    ParameterList list = listOf({"#4015", "#4016", "#4017", "#403C"});
    for (int n = 1; n <= 4; ++n) {
        ASSERT_TRUE(list.setText(ParameterList::PColumn, n, QStringLiteral("7")));
        ASSERT_TRUE(list.setText(ParameterList::QColumn, n, QStringLiteral("3")));
        EXPECT_TRUE(list.normaliseFormat(n)) << n;
        EXPECT_EQ(list.p(n), "") << n;
        EXPECT_EQ(list.q(n), "") << n;
        EXPECT_FALSE(list.normaliseFormat(n)) << n;
    }
}

TEST(EditorParamEditing, LeavingTheRowPutsPAndQIntoTheirRanges)
{
    struct Case {
        const char *p, *q, *pAfter, *qAfter;
    };
    const Case cases[] = {
        {"10", "7", "9", "2"},          {"9", "6", "9", "6"}, {"0", "0", "0", "0"},
        {"", "", "", ""},               {"05", "006", "5", "6"},
        {"99999999999999", "1", "9", "1"}, // beyond int: still above 9
    };
    for (const Case& c : cases) {
        ParameterList list = listOf({"#8319"});
        ASSERT_TRUE(list.setText(ParameterList::PColumn, 1, QString::fromUtf8(c.p)));
        ASSERT_TRUE(list.setText(ParameterList::QColumn, 1, QString::fromUtf8(c.q)));
        list.normaliseFormat(1);
        EXPECT_EQ(list.p(1), QString::fromUtf8(c.pAfter)) << c.p;
        EXPECT_EQ(list.q(1), QString::fromUtf8(c.qAfter)) << c.q;
    }

    // A file may hold what the keyboard cannot type.
    ParameterList list = listOf({"~05"});
    store::Grid g = list.grid();
    g.setText(ParameterList::PColumn, 1, QStringLiteral("-1"));
    g.setText(ParameterList::QColumn, 1, QStringLiteral("x"));
    list.setGrid(g);
    EXPECT_TRUE(list.normaliseFormat(1));
    EXPECT_EQ(list.p(1), "9");
    EXPECT_EQ(list.q(1), "2");

    // Nothing to leave in the placeholder row.
    ParameterList empty;
    EXPECT_FALSE(empty.normaliseFormat(1));
}

// ---------------------------------------------------------------- the ".par" file

TEST(EditorParamFile, EmptyListRoundTripsWithItsHiddenRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Бланк.par"));
    const ParameterList fresh;
    ASSERT_TRUE(fresh.save(path));
    const QByteArray file = rawFile(path);
    EXPECT_EQ(section(file, QStringLiteral("RowHeights")), "[RowHeights]\r\n1=0\r\n\r\n");
    EXPECT_EQ(section(file, QStringLiteral("Col.Width")),
              "[Col.Width]\r\n0=25\r\n1=0\r\n2=120\r\n3=20\r\n4=20\r\n5=40\r\n\r\n");
    EXPECT_EQ(section(file, QStringLiteral("0 0")), "[0 0]\r\n0=№\r\n\r\n");
    EXPECT_EQ(section(file, QStringLiteral("0 1")), "");

    ParameterList back = listOf({"~05"});
    ASSERT_TRUE(back.load(path));
    EXPECT_TRUE(back.isEmpty());
    EXPECT_TRUE(back.isRowHidden(1));
    EXPECT_TRUE(back.grid() == fresh.grid());
}

TEST(EditorParamFile, ParametersFormatsAndCheckBoxesRoundTrip)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Бланк.par"));
    ParameterList list = listOf({"#4015", "~05", "$0A12"});
    list.setText(ParameterList::PColumn, 2, QStringLiteral("6"));
    list.setText(ParameterList::QColumn, 2, QStringLiteral("1"));
    list.setInteger(3, true);
    ASSERT_TRUE(list.save(path));
    const QByteArray first = rawFile(path);
    EXPECT_EQ(section(first, QStringLiteral("CheckBox")), "[CheckBox]\r\n5 1=00\r\n5 2=00\r\n5 3=10\r\n\r\n");
    EXPECT_EQ(section(first, QStringLiteral("RowHeights")), "");

    ParameterList back;
    ASSERT_TRUE(back.load(path));
    EXPECT_TRUE(back.grid() == list.grid());
    EXPECT_EQ(back.count(), 3);
    EXPECT_EQ(back.code(3), "$0A12");
    EXPECT_EQ(back.p(2), "6");
    EXPECT_TRUE(back.isInteger(3));
    EXPECT_FALSE(back.isInteger(2));

    ASSERT_TRUE(back.save(path));
    EXPECT_EQ(rawFile(path).toStdString(), first.toStdString());
}

TEST(EditorParamFile, MissingFileGivesTheEmptyList)
{
    QTemporaryDir dir;
    ParameterList list = listOf({"#4015"});
    const Status st = list.load(dir.filePath(QStringLiteral("нет.par")));
    EXPECT_TRUE(st) << st.message().toStdString();
    EXPECT_TRUE(list.grid() == ParameterList().grid());
}

TEST(EditorParamFile, DamagedFileGivesTheEmptyListAndTheReason)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Бланк.par"));
    writeListFile(path, {QStringLiteral("это не таблица")});
    ParameterList list = listOf({"#4015"});
    const Status st = list.load(path);
    EXPECT_EQ(st.code(), Status::Damaged);
    EXPECT_FALSE(st.message().isEmpty());
    EXPECT_TRUE(list.isEmpty());
}

TEST(EditorParamFile, FiveColumnFileGetsTheIntegerColumnWithUncheckedBoxes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Старый.par"));
    writeListFile(path, {QStringLiteral("[0 0]"), QStringLiteral("0=№"), QString(),
                         QStringLiteral("[0 1]"), QStringLiteral("0=1"), QString(),
                         QStringLiteral("[0 2]"), QStringLiteral("0=2"), QString(),
                         QStringLiteral("[1 1]"), QStringLiteral("0=#4015"), QString(),
                         QStringLiteral("[1 2]"), QStringLiteral("0=~05"), QString(),
                         QStringLiteral("[2 1]"), QStringLiteral("0=Время"), QString(),
                         QStringLiteral("[2 2]"), QStringLiteral("0=Данные"), QString(),
                         QStringLiteral("[3 2]"), QStringLiteral("0=7"), QString(),
                         QStringLiteral("[Col.Width]"), QStringLiteral("0=25"), QStringLiteral("1=0"),
                         QStringLiteral("2=120"), QStringLiteral("3=20"), QStringLiteral("4=20"), QString(),
                         QStringLiteral("[Grid]"), QStringLiteral("About=v2.26.23"),
                         QStringLiteral("ColCount=5"), QStringLiteral("RowCount=3"),
                         QStringLiteral("FixedCols=1"), QStringLiteral("FixedRows=1"), QString()});
    ParameterList list;
    const Status st = list.load(path);
    ASSERT_TRUE(st) << st.message().toStdString();
    const store::Grid& g = list.grid();
    EXPECT_EQ(g.colCount(), 6);
    EXPECT_EQ(g.text(5, 0), "Цел.");
    EXPECT_EQ(g.cell(5, 0).hint, "Целочисленное число");
    EXPECT_EQ(g.colWidth(5), 30);
    EXPECT_EQ(g.colWidth(2), 120);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.code(2), "~05");
    EXPECT_EQ(list.p(2), "7");
    for (int r : {1, 2}) {
        EXPECT_FALSE(list.isInteger(r)) << r;
        EXPECT_EQ(g.cell(5, r).checkBox, (store::CheckBox{false, kAlignLeft})) << r;
    }
    EXPECT_FALSE(g.cell(5, 0).checkBox.has_value());
}

TEST(EditorParamFile, StoredCheckStatesAreKeptWithTheBoxAtTheLeft)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Бланк.par"));
    ParameterList list = listOf({"#8319", "#8419"});
    store::Grid g = list.grid();
    g.cell(5, 1).checkBox = store::CheckBox{true, kAlignCentre};
    g.cell(5, 2).checkBox.reset();
    ASSERT_TRUE(store::writeGridFile(path, g));

    ParameterList back;
    ASSERT_TRUE(back.load(path));
    EXPECT_EQ(back.grid().cell(5, 1).checkBox, (store::CheckBox{true, kAlignLeft}));
    EXPECT_EQ(back.grid().cell(5, 2).checkBox, (store::CheckBox{false, kAlignLeft}));
}

TEST(EditorParamFile, HiddenRowFollowsTheNumberOfTheFirstRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Бланк.par"));

    // A list whose first row is numbered is shown, whatever height the file gives it.
    ParameterList one = listOf({"#8319"});
    store::Grid g = one.grid();
    g.setRowHeight(1, 0);
    ASSERT_TRUE(store::writeGridFile(path, g));
    ASSERT_TRUE(one.load(path));
    EXPECT_FALSE(one.isRowHidden(1));
    EXPECT_EQ(one.count(), 1);
    EXPECT_EQ(one.archiveCheckCount(), 1);

    // A list file without a data row gets the hidden placeholder.
    store::Grid header = ParameterList().grid();
    header.resize(6, 1);
    ASSERT_TRUE(store::writeGridFile(path, header));
    ParameterList empty;
    ASSERT_TRUE(empty.load(path));
    EXPECT_EQ(empty.grid().rowCount(), 2);
    EXPECT_TRUE(empty.isRowHidden(1));
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(empty.archiveCheckCount(), 0);
    EXPECT_TRUE(empty.grid().cell(5, 1).checkBox.has_value());
}

TEST(EditorParamFile, RowsShowWhenTheFileGivesADefaultHeightOfZero)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Бланк.par"));
    for (const bool withParameter : {true, false}) {
        SCOPED_TRACE(withParameter);
        store::Grid g = (withParameter ? listOf({"#8319"}) : ParameterList()).grid();
        g.setDefaultRowHeight(0);
        ASSERT_TRUE(store::writeGridFile(path, g));
        ParameterList list;
        ASSERT_TRUE(list.load(path));
        EXPECT_EQ(list.count(), withParameter ? 1 : 0);
        EXPECT_EQ(list.isRowHidden(1), !withParameter);
        // Parameters added to it show too.
        const int first = list.append(QStringLiteral("#4015"), QStringLiteral("Время"));
        const int second = list.append(QStringLiteral("#4016"), QStringLiteral("Дата"));
        EXPECT_FALSE(list.isRowHidden(first));
        EXPECT_GT(list.grid().rowHeight(second), 0);
    }
}

// ---------------------------------------------------------------- saving a blank

TEST(EditorParamSave, SavingABlankWritesTheListBesideIt)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("Бланк 1"));
    store::BlankDocument blank;
    blank.grid.setText(1, 1, QStringLiteral("T=@1"));
    const ParameterList list = listOf({"#4015"});
    const Status st = editor::saveBlankFiles(base, blank, list);
    ASSERT_TRUE(st) << st.message().toStdString();
    EXPECT_TRUE(QFileInfo::exists(base + QStringLiteral(".ini")));
    ParameterList back;
    ASSERT_TRUE(back.load(base + QStringLiteral(".par")));
    EXPECT_TRUE(back.grid() == list.grid());
}

TEST(EditorParamSave, NoListIsWrittenWhenTheBlankCannotBe)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("Бланк 1"));
    store::BlankDocument blank;
    blank.grid.setText(1, 1, QStringLiteral("Ω"));
    EXPECT_FALSE(editor::saveBlankFiles(base, blank, listOf({"#4015"})));
    EXPECT_FALSE(QFileInfo::exists(base + QStringLiteral(".par")));
}

TEST(EditorParamSave, SaveAsWritesTheListUnderTheNewName)
{
    QTemporaryDir dir;
    store::BlankDocument blank;
    const ParameterList list = listOf({"~05", "$03"});
    int number = 0;
    const QString iniPath = dir.filePath(QStringLiteral("Копия.ini"));
    const Status st = editor::saveBlankAs(iniPath, blank, list, QStringLiteral("60"), true, &number);
    ASSERT_TRUE(st) << st.message().toStdString();
    EXPECT_GT(number, 0);
    ParameterList back;
    ASSERT_TRUE(back.load(dir.filePath(QStringLiteral("Копия.par"))));
    EXPECT_TRUE(back.grid() == list.grid());
}
