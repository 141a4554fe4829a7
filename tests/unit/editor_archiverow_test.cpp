// The archive start row: the depth panel's checks, setting and removing the mark,
// and the archive checks after a save.

#include "editor/archiverow.h"
#include "editor/cellcheck.h"
#include "editor/gridops.h"
#include "editor/paramcode.h"
#include "editor/paramlist.h"
#include "editor/references.h"
#include "store/grid.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <QHash>

using namespace rastrova;
using namespace rastrova::editor;
using namespace Qt::StringLiterals;
using store::Grid;

namespace {

const QString kStartTooDeep =
    u"Начальная глубина печати архивов не может превышать 42 суток. Будьте внимательны."_s;
const QString kEndTooDeep =
    u"Конечная глубина печати архивов не может превышать 40 суток. Будьте внимательны."_s;
const QString kEndNotBelowStart =
    u"Конечная глубина печати архивов должна быть строго меньше начальной глубины "
    u"печати (KK<НН). Будьте внимательны."_s;

// A blank of `cols` x `rows` data cells, each holding "c,r".
Grid blank(int cols, int rows)
{
    Grid g = store::freshBlankGrid();
    g.resize(cols + 1, rows + 1);
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c)
            g.setText(c, r, u"%1,%2"_s.arg(c).arg(r));
    return g;
}

QStringList rowTexts(const Grid& g, int row)
{
    QStringList texts;
    for (int c = 1; c < g.colCount(); ++c)
        texts << g.text(c, row);
    return texts;
}

// ------------------------------------------------------------ depths

TEST(EditorArchiveRow, DepthChecksInOrder)
{
    EXPECT_EQ(checkArchiveDepth({24, 0}, 42), QString());
    EXPECT_EQ(checkArchiveDepth({42, 40}, 42), QString());
    EXPECT_EQ(checkArchiveDepth({1, 0}, 42), QString());
    EXPECT_EQ(checkArchiveDepth({43, 0}, 42), kStartTooDeep);
    EXPECT_EQ(checkArchiveDepth({24, 41}, 42), kEndTooDeep);
    EXPECT_EQ(checkArchiveDepth({5, 5}, 42), kEndNotBelowStart);
    EXPECT_EQ(checkArchiveDepth({5, 6}, 42), kEndNotBelowStart);
    // НН = 0 can have no КК below it.
    EXPECT_EQ(checkArchiveDepth({0, 0}, 42), kEndNotBelowStart);
    // When several fail, the first in order speaks.
    EXPECT_EQ(checkArchiveDepth({99, 99}, 42), kStartTooDeep);
    EXPECT_EQ(checkArchiveDepth({10, 50}, 42), kEndTooDeep);
}

TEST(EditorArchiveRow, DepthMaximumComesFromTheCaller)
{
    EXPECT_EQ(checkArchiveDepth({255, 0}, kDailyStartDepthMaximum), QString());
    EXPECT_EQ(checkArchiveDepth({17, 0}, 16),
              u"Начальная глубина печати архивов не может превышать 16 суток. Будьте внимательны."_s);
    EXPECT_EQ(checkArchiveDepth({10, 3}, 42, 2),
              u"Конечная глубина печати архивов не может превышать 2 суток. Будьте внимательны."_s);
}

TEST(EditorArchiveRow, MarkTextHasTheEndDepthOnlyAboveZero)
{
    EXPECT_EQ(archiveMarkText({24, 0}), u"!24"_s);
    EXPECT_EQ(archiveMarkText({24, 3}), u"!24,3"_s);
    EXPECT_EQ(archiveMarkText({255, 40}), u"!255,40"_s);
}

TEST(EditorArchiveRow, Questions)
{
    EXPECT_EQ(setArchiveRowQuestion(3),
              u"Вы действительно хотите строку № 3 сделать стартовой для печати архивных данных? "_s);
    EXPECT_EQ(clearArchiveRowQuestion(),
              u"Вы действительно хотите удалить признак строки начала печати архивов ?"_s);
}

// ------------------------------------------------------------ setting the mark

TEST(EditorArchiveRow, SettingTheMarkClearsFromItsColumnAndColoursTheRow)
{
    Grid g = blank(6, 3);
    ASSERT_TRUE(setArchiveMark(g, 3, 2, {24, 3}));
    EXPECT_EQ(rowTexts(g, 2), (QStringList{u"1,2"_s, u"2,2"_s, u"!24,3"_s, {}, {}, {}}));
    for (int c = 1; c <= 6; ++c) {
        EXPECT_EQ(g.cell(c, 2).colour, store::kArchiveRowColour) << c;
        EXPECT_EQ(g.isReadOnly(c, 2), c == 3) << c;
        EXPECT_EQ(g.cell(c, 1).colour, store::kNoColour) << c;
    }
    // The rows around it are untouched.
    EXPECT_EQ(rowTexts(g, 1), (QStringList{u"1,1"_s, u"2,1"_s, u"3,1"_s, u"4,1"_s, u"5,1"_s, u"6,1"_s}));
    EXPECT_EQ(rowTexts(g, 3).last(), u"6,3"_s);
    // What the rest of the editor reads from it.
    EXPECT_EQ(archiveMarkColumn(g, 2), 3);
    EXPECT_EQ(archiveStartRowByColour(g), 2);
}

TEST(EditorArchiveRow, MarkColumnWidensToItsText)
{
    // "!24,3" has 5 characters: a column narrower than 43 pixels becomes 44.
    for (auto [before, after] : {std::pair{20, 44}, {42, 44}, {43, 43}, {75, 75}}) {
        Grid g = blank(2, 2);
        g.setColWidth(1, before);
        setArchiveMark(g, 1, 1, {24, 3});
        EXPECT_EQ(g.colWidth(1), after) << before;
        EXPECT_EQ(g.colWidth(2), 75);
    }
    Grid g = blank(2, 2);
    g.setColWidth(2, 10);
    setArchiveMark(g, 2, 1, {5, 0}); // "!5": 8 * 2 + 4
    EXPECT_EQ(g.colWidth(2), 20);
}

TEST(EditorArchiveRow, MarkGoesOnlyIntoDataCells)
{
    for (auto [col, row] : {std::pair{0, 1}, {1, 0}, {3, 1}, {1, 3}, {-1, 1}}) {
        Grid g = blank(2, 2);
        const Grid before = g;
        EXPECT_FALSE(setArchiveMark(g, col, row, {24, 0})) << col << ',' << row;
        EXPECT_EQ(g, before);
    }
}

TEST(EditorArchiveRow, ARowHasOneMark)
{
    Grid g = blank(5, 2);
    setArchiveMark(g, 2, 1, {24, 0});
    g.setText(1, 1, u"Итого"_s);
    g.setText(3, 1, u"@1"_s);
    // Moving the mark to the right takes the former one away.
    setArchiveMark(g, 4, 1, {10, 2});
    EXPECT_EQ(rowTexts(g, 1), (QStringList{u"Итого"_s, {}, u"@1"_s, u"!10,2"_s, {}}));
    for (int c = 1; c <= 5; ++c)
        EXPECT_EQ(g.isReadOnly(c, 1), c == 4) << c;
    // Moving it to the left clears it with the rest.
    setArchiveMark(g, 1, 1, {7, 0});
    EXPECT_EQ(rowTexts(g, 1), (QStringList{u"!7"_s, {}, {}, {}, {}}));
    for (int c = 1; c <= 5; ++c)
        EXPECT_EQ(g.isReadOnly(c, 1), c == 1) << c;
}

// ------------------------------------------------------------ removing the mark

TEST(EditorArchiveRow, RemovingTheMarkOnlyFromTheArchiveRow)
{
    Grid g = blank(4, 3);
    setArchiveMark(g, 2, 2, {24, 0});
    EXPECT_TRUE(canClearArchiveMark(g, 1, 2));
    EXPECT_TRUE(canClearArchiveMark(g, 4, 2));
    EXPECT_FALSE(canClearArchiveMark(g, 1, 1));
    EXPECT_FALSE(canClearArchiveMark(g, 0, 2));
    EXPECT_FALSE(canClearArchiveMark(g, 5, 2));
    const Grid before = g;
    EXPECT_FALSE(clearArchiveMark(g, 1));
    EXPECT_FALSE(clearArchiveMark(g, 0));
    EXPECT_FALSE(clearArchiveMark(g, 9));
    EXPECT_EQ(g, before);
}

TEST(EditorArchiveRow, RemovingTheMarkKeepsTextsLeftOfIt)
{
    Grid g = blank(5, 2);
    g.setText(1, 2, u"Сутки"_s);
    setArchiveMark(g, 2, 2, {24, 1});
    g.setText(3, 2, u"@1"_s);
    g.setText(4, 2, u"@2"_s);
    ASSERT_TRUE(clearArchiveMark(g, 2));
    EXPECT_EQ(rowTexts(g, 2), (QStringList{u"Сутки"_s, {}, {}, {}, {}}));
    for (int c = 1; c <= 5; ++c) {
        EXPECT_EQ(g.cell(c, 2).colour, 0xFFFFFF) << c;
        EXPECT_FALSE(g.isReadOnly(c, 2)) << c;
    }
    EXPECT_EQ(archiveStartRowByColour(g), 0);
    EXPECT_EQ(rowTexts(g, 1).first(), u"1,1"_s);
}

TEST(EditorArchiveRow, MarkWithoutReadOnlyFlagIsFoundByItsText)
{
    Grid g = blank(4, 1);
    setArchiveMark(g, 3, 1, {24, 0});
    g.cell(3, 1).readOnly.reset();
    ASSERT_TRUE(clearArchiveMark(g, 1));
    EXPECT_EQ(rowTexts(g, 1), (QStringList{u"1,1"_s, u"2,1"_s, {}, {}}));

    // Without any mark the texts stay; only the colour goes.
    Grid h = blank(2, 1);
    h.cell(1, 1).colour = store::kArchiveRowColour;
    ASSERT_TRUE(clearArchiveMark(h, 1));
    EXPECT_EQ(rowTexts(h, 1), (QStringList{u"1,1"_s, u"2,1"_s}));
    EXPECT_EQ(h.cell(1, 1).colour, 0xFFFFFF);
}

// ------------------------------------------------------------ the checks after a save

// Catalogue numbers: 0x0001 hourly of 16 days, 0x0002 daily, 0x0003 hourly of 32
// days, 0x0004 no archive; any other number is unknown.
const QHash<uint16_t, uint16_t> kLengths{{1, 16}, {2, kDailyArchiveLength}, {3, 32}, {4, 0}};

class EditorArchiveChecks : public ::testing::Test {
protected:
    EditorArchiveChecks()
    {
        list.append(u"~0001"_s, u"Часовой 16"_s);
        list.append(u"$0002"_s, u"Суточный"_s);
        list.append(u"~0003"_s, u"Часовой 32"_s);
        list.append(u"#0004"_s, u"Текущий"_s);
        list.append(u"~0999"_s, u"Неизвестный"_s);
    }

    // Row 1 of the blank holds `cells` from column 1 on.
    QStringList check(const QStringList& cells, int controllerType = kControllerType19)
    {
        Grid g = blank(std::max<int>(int(cells.size()), 1), 2);
        for (int c = 1; c < g.colCount(); ++c) {
            g.setText(c, 1, cells.value(c - 1));
            g.setText(c, 2, {});
        }
        return archiveCheckMessages(g, list, controllerType, lookup);
    }

    ParameterList list;
    QList<uint16_t> asked;
    ArchiveLengthLookup lookup = [this](uint16_t number) {
        asked << number;
        return kLengths.value(number, 0);
    };
};

TEST_F(EditorArchiveChecks, HourlyArchiveWithinItsLength)
{
    EXPECT_EQ(check({u"!10"_s, u"@1"_s}), QStringList());
    EXPECT_EQ(check({u"!16,3"_s, u"@1"_s, u"@1"_s}), QStringList());
    EXPECT_EQ(asked, (QList<uint16_t>{1, 1, 1}));
}

TEST_F(EditorArchiveChecks, HourlyArchiveShorterThanTheStartDepth)
{
    EXPECT_EQ(check({u"!20"_s, u"@1"_s}),
              QStringList{u"Глубина часового архива 0001 в строке 1\r не соответсвует описателю! "_s});
    // A longer archive holds the same depth.
    EXPECT_EQ(check({u"!20"_s, u"@3"_s}), QStringList());
}

TEST_F(EditorArchiveChecks, ArchivesOfOneRowMustAgree)
{
    EXPECT_EQ(check({u"!10,2"_s, u"@1"_s, u"@2"_s}), QStringList{u"Типы архивов в строке 1 не совпадают!"_s});
    EXPECT_EQ(check({u"!10"_s, u"@1"_s, u"@3"_s}), QStringList{u"Типы архивов в строке 1 не совпадают!"_s});
    // Values without an archive take no part.
    EXPECT_EQ(check({u"!10"_s, u"@1"_s, u"@4"_s, u"@1"_s}), QStringList());
}

TEST_F(EditorArchiveChecks, DailyArchiveDepths)
{
    EXPECT_EQ(check({u"!10,1"_s, u"@2"_s}), QStringList());
    EXPECT_EQ(check({u"!10"_s, u"@2"_s}),
              QStringList{u"Конечная глубина суточного архива 0002 в строке 1\r меньше 1! "_s});
    EXPECT_EQ(check({u"!300,1"_s, u"@2"_s}),
              QStringList{u"Начальная глубина суточного архива 0002 в строке 1\r больше 255! "_s});
    EXPECT_EQ(check({u"!255,1"_s, u"@2"_s}), QStringList());
}

TEST_F(EditorArchiveChecks, MarkWithTheEndDepthNotBelowTheStart)
{
    const QString wrong = u"Ошибка! В строке 1 неправильно задана глубина архива."_s;
    EXPECT_EQ(check({u"!5,7"_s}), QStringList{wrong});
    EXPECT_EQ(check({u"!5,5"_s}), QStringList{wrong});
    EXPECT_EQ(check({u"!0"_s}), QStringList{wrong});
    EXPECT_EQ(check({u"!5,4"_s}), QStringList());
    // A text beginning with "!" and no digit is ordinary text.
    EXPECT_EQ(check({u"!Внимание"_s, u"!"_s}), QStringList());
}

TEST_F(EditorArchiveChecks, MessagesOfOneRowInOrder)
{
    EXPECT_EQ(check({u"!5,7"_s, u"@2"_s, u"@1"_s}),
              (QStringList{u"Ошибка! В строке 1 неправильно задана глубина архива."_s,
                           u"Типы архивов в строке 1 не совпадают!"_s}));
    EXPECT_EQ(check({u"!40"_s, u"@1"_s, u"@2"_s}),
              (QStringList{u"Глубина часового архива 0001 в строке 1\r не соответсвует описателю! "_s,
                           u"Типы архивов в строке 1 не совпадают!"_s,
                           u"Конечная глубина суточного архива 0002 в строке 1\r меньше 1! "_s}));
}

TEST_F(EditorArchiveChecks, RowsFromTheTopEachWithItsOwnDepths)
{
    Grid g = blank(3, 3);
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c)
            g.setText(c, r, {});
    g.setText(1, 1, u"!20"_s);
    g.setText(2, 1, u"@1"_s);
    g.setText(1, 2, u"!10"_s);
    g.setText(2, 2, u"@1"_s);
    g.setText(1, 3, u"!30"_s);
    g.setText(3, 3, u"@1"_s);
    g.setText(2, 3, u"@3"_s);
    EXPECT_EQ(archiveCheckMessages(g, list, kControllerType19, lookup),
              (QStringList{u"Глубина часового архива 0001 в строке 1\r не соответсвует описателю! "_s,
                           u"Типы архивов в строке 3 не совпадают!"_s,
                           u"Глубина часового архива 0001 в строке 3\r не соответсвует описателю! "_s}));
}

TEST_F(EditorArchiveChecks, OnlyCellsBeginningWithAKnownReference)
{
    // After other text, beyond the list, unknown to the catalogue, or no reference.
    EXPECT_EQ(check({u"!40"_s, u"x@1"_s, u"@9"_s, u"@0"_s, u"@5"_s, u"@"_s, u"@x"_s}), QStringList());
    EXPECT_EQ(asked, (QList<uint16_t>{0x0999}));
    // The reference ends at its last decimal digit.
    asked.clear();
    EXPECT_EQ(check({u"!40"_s, u"@1A"_s, u"@01 т"_s}).size(), 2);
    EXPECT_EQ(asked, (QList<uint16_t>{1, 1}));
}

TEST_F(EditorArchiveChecks, TypeTenBlanksAskNoCatalogue)
{
    list.clear();
    list.append(u"~05"_s, u"Часовой"_s);
    EXPECT_EQ(check({u"!40"_s, u"@1"_s}, kControllerType10), QStringList());
    EXPECT_TRUE(asked.isEmpty());
    // Their marks are checked all the same.
    EXPECT_EQ(check({u"!4,4"_s, u"@1"_s}, kControllerType10),
              QStringList{u"Ошибка! В строке 1 неправильно задана глубина архива."_s});
}

TEST_F(EditorArchiveChecks, WithoutACatalogueOnlyTheMarksAreChecked)
{
    lookup = nullptr;
    EXPECT_EQ(check({u"!40"_s, u"@1"_s, u"@2"_s}), QStringList());
    EXPECT_EQ(check({u"!4,9"_s, u"@1"_s}),
              QStringList{u"Ошибка! В строке 1 неправильно задана глубина архива."_s});
}

TEST_F(EditorArchiveChecks, MarkSetByTheCommandPassesTheChecks)
{
    Grid g = blank(3, 2);
    setArchiveMark(g, 1, 1, {16, 2});
    g.setText(2, 1, u"@1"_s);
    g.setText(3, 1, u"@1"_s);
    EXPECT_EQ(archiveCheckMessages(g, list, kControllerType19, lookup), QStringList());
    setArchiveMark(g, 1, 1, {17, 2});
    g.setText(2, 1, u"@1"_s);
    EXPECT_EQ(archiveCheckMessages(g, list, kControllerType19, lookup).size(), 1);
}

} // namespace
