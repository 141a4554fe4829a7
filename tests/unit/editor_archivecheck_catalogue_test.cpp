// The archive checks after a save, with the archive lengths of the example
// database's catalogue (task SEVER.tsk): 1005 "Расход за час" is an hourly
// archive parameter, 1008 "Тепло котельной за сутки" a daily one, 1001 "Расход"
// no archive at all.

#include "catalogue/moduletsk.h"
#include "catalogue/records.h"
#include "editor/archiverow.h"
#include "editor/paramcode.h"
#include "editor/paramlist.h"
#include "store/grid.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace rastrova;
using namespace rastrova::editor;
using namespace Qt::StringLiterals;

namespace {

class CollectedMessages : public catalogue::MessageSink {
public:
    void message(const QString& caption, const QString& text) override { texts << caption + u": "_s + text; }
    QStringList texts;
};

class EditorArchiveCatalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        module.setMessageSink(&sink);
        module.setDatabasePath(QStringLiteral(RASTROVA_EXAMPLES_DIR "/database"));
        module.LoadTask(u"SEVER.tsk"_s);
        ASSERT_TRUE(sink.texts.isEmpty()) << sink.texts.join(u'\n').toStdString();
        ASSERT_GT(module.groupCount(), 0);
        lookup = [this](uint16_t n) {
            asked << n;
            return module.archiveLengthOfParameter(n);
        };
        list.append(u"~1005"_s, u"Расход за час"_s);            // @1
        list.append(u"$1008"_s, u"Тепло котельной за сутки"_s); // @2
        list.append(u"#1001"_s, u"Расход"_s);                   // @3
        hourlyDays = module.archiveLengthOfParameter(0x1005);
    }

    // A blank of 4 data columns and 3 data rows; row 2 is the archive row with the
    // mark `mark` in column 1 and `cells` right of it.
    store::Grid archiveRow(const QString& mark, const QStringList& cells) const
    {
        store::Grid g = store::freshBlankGrid();
        g.resize(5, 4);
        g.setText(1, 1, u"Сутки"_s);
        g.setText(2, 1, u"@3"_s);
        EXPECT_TRUE(setArchiveMark(g, 1, 2, {1, 0}));
        g.setText(1, 2, mark);
        for (int i = 0; i < cells.size(); ++i)
            g.setText(2 + i, 2, cells[i]);
        return g;
    }

    QStringList check(const QString& mark, const QStringList& cells)
    {
        return archiveCheckMessages(archiveRow(mark, cells), list, kControllerType19, lookup);
    }

    CollectedMessages sink;
    catalogue::ModuleTSK module;
    ParameterList list;
    ArchiveLengthLookup lookup;
    QList<uint16_t> asked;
    uint16_t hourlyDays = 0;
};

TEST_F(EditorArchiveCatalogue, CatalogueGivesTheArchiveLengths)
{
    // The hourly archive: hours / 24 of its algorithm record.
    const catalogue::TaskParamRecord* record = module.FindRecordByNumber(0x1005);
    ASSERT_NE(record, nullptr);
    const catalogue::CatalogueEntry* entry =
        catalogue::ModuleTSK::EntryOfRecord(module.GroupOfRecord(record), record);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->name(), u"Расход за час"_s);
    EXPECT_EQ(entry->algorithm.archiveKind(), 1);
    ASSERT_GE(entry->algorithm.archiveHours(), 24);
    EXPECT_EQ(hourlyDays, uint16_t((entry->algorithm.archiveHours() / 24) & 0xFF));
    EXPECT_TRUE(hourlyDays == 16 || hourlyDays == 32 || hourlyDays == 64) << hourlyDays;
    EXPECT_EQ(module.archiveLengthOfParameter(0x1008), kDailyArchiveLength);
    EXPECT_EQ(module.archiveLengthOfParameter(0x1001), 0);
    EXPECT_EQ(module.archiveLengthOfParameter(0x7777), 0);
}

TEST_F(EditorArchiveCatalogue, HourlyArchiveParameterFitsUpToItsLength)
{
    ASSERT_GT(hourlyDays, 1);
    EXPECT_EQ(check(u"!%1"_s.arg(hourlyDays), {u"@1"_s}), QStringList());
    EXPECT_EQ(check(u"!%1,2"_s.arg(hourlyDays), {u"@1"_s, u"@1"_s}), QStringList());
    EXPECT_EQ(check(u"!1"_s, {u"@1"_s}), QStringList());
    EXPECT_TRUE(asked.contains(0x1005));
}

TEST_F(EditorArchiveCatalogue, HourlyArchiveParameterDeeperThanItsLength)
{
    EXPECT_EQ(check(u"!%1"_s.arg(hourlyDays + 1), {u"@1"_s}),
              QStringList{u"Глубина часового архива 1005 в строке 2\r не соответсвует описателю! "_s});
    // One finding per reference.
    EXPECT_EQ(check(u"!%1,3"_s.arg(hourlyDays + 5), {u"@1"_s, u"@1"_s}),
              (QStringList{u"Глубина часового архива 1005 в строке 2\r не соответсвует описателю! "_s,
                           u"Глубина часового архива 1005 в строке 2\r не соответсвует описателю! "_s}));
}

TEST_F(EditorArchiveCatalogue, DailyArchiveParameterFits)
{
    EXPECT_EQ(check(u"!255,1"_s, {u"@2"_s}), QStringList());
    EXPECT_EQ(check(u"!30,29"_s, {u"@2"_s, u"@2"_s}), QStringList());
    // A daily archive is not held to the hourly archive's length.
    EXPECT_EQ(check(u"!%1,1"_s.arg(hourlyDays + 1), {u"@2"_s}), QStringList());
    EXPECT_TRUE(asked.contains(0x1008));
}

TEST_F(EditorArchiveCatalogue, DailyArchiveParameterDoesNotFit)
{
    EXPECT_EQ(check(u"!10"_s, {u"@2"_s}),
              QStringList{u"Конечная глубина суточного архива 1008 в строке 2\r меньше 1! "_s});
    EXPECT_EQ(check(u"!256,1"_s, {u"@2"_s}),
              QStringList{u"Начальная глубина суточного архива 1008 в строке 2\r больше 255! "_s});
    EXPECT_EQ(check(u"!300"_s, {u"@2"_s}),
              (QStringList{u"Конечная глубина суточного архива 1008 в строке 2\r меньше 1! "_s,
                           u"Начальная глубина суточного архива 1008 в строке 2\r больше 255! "_s}));
}

TEST_F(EditorArchiveCatalogue, MixedArchivesAndPlainValues)
{
    // A value without an archive is not checked at all.
    EXPECT_EQ(check(u"!%1"_s.arg(hourlyDays + 1), {u"@3"_s}), QStringList());
    // Hourly then daily in one row: the kinds differ, and each is checked.
    EXPECT_EQ(check(u"!%1"_s.arg(hourlyDays + 1), {u"@1"_s, u"@2"_s}),
              (QStringList{u"Глубина часового архива 1005 в строке 2\r не соответсвует описателю! "_s,
                           u"Типы архивов в строке 2 не совпадают!"_s,
                           u"Конечная глубина суточного архива 1008 в строке 2\r меньше 1! "_s}));
    // An end depth not below the start depth comes first, from the mark's cell.
    EXPECT_EQ(check(u"!2,2"_s, {u"@1"_s}), QStringList{u"Ошибка! В строке 2 неправильно задана глубина архива."_s});
}

TEST_F(EditorArchiveCatalogue, Type10BlanksDoNotAskTheCatalogue)
{
    const store::Grid g = archiveRow(u"!%1"_s.arg(hourlyDays + 1), {u"@1"_s, u"@2"_s});
    EXPECT_EQ(archiveCheckMessages(g, list, kControllerType10, lookup), QStringList());
    EXPECT_TRUE(asked.isEmpty());
    // Without a look-up only the depths are checked.
    EXPECT_EQ(archiveCheckMessages(g, list, kControllerType19, {}), QStringList());
}

} // namespace
