// Parameter references in blank cells: finding them, inserting them with the
// archive-row rules, and deleting a parameter together with its references.

#include "editor/paramlist.h"
#include "editor/references.h"
#include "store/grid.h"

#include <gtest/gtest.h>

#include <string>

using namespace rastrova;
using namespace rastrova::editor;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// A blank of `cols` data columns and `rows` data rows.
store::Grid blankGrid(int cols, int rows)
{
    store::Grid g = store::freshBlankGrid();
    g.resize(cols + 1, rows + 1);
    return g;
}

ParameterList listOf(std::initializer_list<const char*> codes)
{
    ParameterList list;
    for (const char* code : codes)
        list.append(QString::fromUtf8(code), QStringLiteral("Параметр %1").arg(list.count() + 1));
    return list;
}

// Row `row` made the archive start row with the mark "!24" in column `markCol`.
void markArchiveRow(store::Grid& g, int row, int markCol)
{
    for (int c = 1; c < g.colCount(); ++c)
        g.cell(c, row).colour = store::kArchiveRowColour;
    g.setText(markCol, row, QStringLiteral("!24"));
    g.cell(markCol, row).readOnly = true;
}

} // namespace

// ---------------------------------------------------------------- finding

TEST(EditorRefFind, ReferencesEndAtTheFirstNonDigit)
{
    const QList<Reference> refs = findReferences(u"Т1 = @3 Т2 = @45x");
    ASSERT_EQ(refs.size(), 2);
    EXPECT_EQ(refs[0], (Reference{5, 2, QStringLiteral("3")}));
    EXPECT_EQ(refs[1], (Reference{13, 3, QStringLiteral("45")}));
    EXPECT_EQ(refs[1].number(), 45);

    EXPECT_EQ(findReferences(u"@@12").value(0), (Reference{1, 3, QStringLiteral("12")}));
    EXPECT_EQ(findReferences(u"@1@2").size(), 2);
    for (const char16_t* none : {u"", u"@", u"@x1", u"a@ 1", u"e-mail@"})
        EXPECT_TRUE(findReferences(none).isEmpty()) << QString::fromUtf16(none).toStdString();
    EXPECT_EQ(findReferences(u"@99999999999").value(0).number(), -1);
}

TEST(EditorRefRemove, OnlyTheWholeNumberGoes)
{
    const std::pair<const char*, const char*> twelve[] = {
        {"A@12B", "AB"},     {"@12", ""},          {"@121", "@121"},      {"@1", "@1"},
        {"x@12@12y", "xy"},  {"@12@121", "@121"},  {"@1212", "@1212"},    {"1@12 ", "1 "},
        {"@012", "@012"},    {"Т=@12,@3", "Т=,@3"}, {"", ""},
    };
    for (const auto& [before, after] : twelve)
        EXPECT_EQ(withoutReferences(QString::fromUtf8(before), 12), QString::fromUtf8(after)) << before;
    EXPECT_EQ(withoutReferences(QStringLiteral("x@1 y"), 1), "x y");
    EXPECT_EQ(withoutReferences(QStringLiteral("@12 @10"), 1), "@12 @10");
}

// ---------------------------------------------------------------- deleting

TEST(EditorRefDelete, LastParameterGoesWithItsReferencesFromTheDataCells)
{
    store::Grid blank = blankGrid(3, 3);
    blank.setText(1, 1, QStringLiteral("A@12B"));
    blank.setText(2, 1, QStringLiteral("@121"));
    blank.setText(3, 3, QStringLiteral("@1 и @12"));
    blank.setText(2, 2, QStringLiteral("@1"));
    // Header cells are never printed and stay as they are.
    blank.setText(0, 2, QStringLiteral("@12"));
    blank.setText(2, 0, QStringLiteral("@12"));
    ParameterList list;
    for (int i = 0; i < 12; ++i)
        list.append(QStringLiteral("#8319"), QStringLiteral("Расход"));

    const DeleteResult result = deleteLastParameter(list, blank);
    EXPECT_EQ(result.number, 12);
    EXPECT_EQ(list.count(), 11);
    ASSERT_EQ(result.changes.size(), 2);
    EXPECT_EQ(result.changes[0], (CellChange{1, 1, QStringLiteral("A@12B"), QStringLiteral("AB")}));
    EXPECT_EQ(result.changes[1], (CellChange{3, 3, QStringLiteral("@1 и @12"), QStringLiteral("@1 и ")}));
    EXPECT_EQ(blank.text(1, 1), "AB");
    EXPECT_EQ(blank.text(3, 3), "@1 и ");
    EXPECT_EQ(blank.text(2, 1), "@121");
    EXPECT_EQ(blank.text(2, 2), "@1");
    EXPECT_EQ(blank.text(0, 2), "@12");
    EXPECT_EQ(blank.text(2, 0), "@12");
}

TEST(EditorRefDelete, TheOnlyParameterLeavesAnEmptyListWithOneHiddenRow)
{
    store::Grid blank = blankGrid(2, 2);
    blank.setText(2, 2, QStringLiteral("T=@1"));
    ParameterList list = listOf({"#4015"});

    const DeleteResult result = deleteLastParameter(list, blank);
    EXPECT_EQ(result.number, 1);
    EXPECT_EQ(blank.text(2, 2), "T=");
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(list.grid().rowCount(), 2);
    EXPECT_TRUE(list.isRowHidden(1));

    // An empty list has nothing to delete and the blank stays.
    blank.setText(2, 2, QStringLiteral("@1"));
    const DeleteResult none = deleteLastParameter(list, blank);
    EXPECT_EQ(none.number, 0);
    EXPECT_TRUE(none.changes.isEmpty());
    EXPECT_EQ(blank.text(2, 2), "@1");
}

TEST(EditorRefDelete, TheQuestionNamesTheParameter)
{
    EXPECT_EQ(deleteParameterQuestion(QStringLiteral("Время")),
              "Вы действительно хотите удалить параметр \"Время\"?\r"
              "При нажатии на кнопку \"Да\" параметр удалится, "
              "а так же удалятся все ссылки на него из бланка.\r");
}

// ---------------------------------------------------------------- "Вставить параметр..."

TEST(EditorRefInsert, NothingWithoutAParameter)
{
    store::Grid blank = blankGrid(3, 3);
    const InsertResult r = insertLastParameter(blank, 2, 2, ParameterList());
    EXPECT_EQ(r.outcome, InsertOutcome::NoParameter);
    EXPECT_EQ(blank.text(2, 2), "");
}

TEST(EditorRefInsert, NothingInColumnOneRowOneOrTheHeaders)
{
    store::Grid blank = blankGrid(3, 3);
    const ParameterList list = listOf({"#4015"});
    for (auto [c, r] : {std::pair{1, 2}, std::pair{2, 1}, std::pair{1, 1}, std::pair{0, 2}, std::pair{2, 0},
                        std::pair{4, 2}, std::pair{2, 4}}) {
        EXPECT_EQ(insertLastParameter(blank, c, r, list).outcome, InsertOutcome::NotHere) << c << ' ' << r;
    }
    for (int r = 0; r < blank.rowCount(); ++r)
        for (int c = 0; c < blank.colCount(); ++c)
            EXPECT_EQ(blank.text(c, r), "") << c << ' ' << r;
}

TEST(EditorRefInsert, AnOrdinaryCellTakesTheLastParameter)
{
    store::Grid blank = blankGrid(3, 3);
    blank.setText(2, 3, QStringLiteral("T="));
    const ParameterList list = listOf({"#4015", "~05", "#8319"});
    const InsertResult r = insertLastParameter(blank, 2, 3, list);
    EXPECT_TRUE(r.inserted());
    EXPECT_EQ(r.change, (CellChange{2, 3, QStringLiteral("T="), QStringLiteral("T=@3")}));
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(blank.text(2, 3), "T=@3");
}

TEST(EditorRefInsert, AnArchiveRowKeepsToOneArchiveKind)
{
    // Parameters 1..3 are fixed: hourly, daily and a current value; the dialog has
    // just added the last one. The mark stands in column 2, so column 3 holds the
    // row's first reference; the current cell is column 5.
    struct Case {
        const char* first; // text of the cell right of the mark
        const char* last;  // code of the parameter just added
        InsertOutcome outcome;
        const char* message;
    };
    const Case cases[] = {
        {"", "#8319", InsertOutcome::Inserted, ""},
        {"@1", "~07", InsertOutcome::Inserted, ""},
        {" @1 ", "~07", InsertOutcome::Inserted, ""},
        {"@1", "$04", InsertOutcome::OtherArchiveKind, ""},
        {"@2", "$04", InsertOutcome::Inserted, ""},
        {"@2", "~07", InsertOutcome::OtherArchiveKind, ""},
        {"@3", "$04", InsertOutcome::Inserted, ""},
        {"@3", "~07", InsertOutcome::OtherArchiveKind, ""},
        {"@1", "#8319", InsertOutcome::OtherArchiveKind, ""},
        {"@99", "$04", InsertOutcome::Inserted, ""},
        {"@99", "~07", InsertOutcome::OtherArchiveKind, ""},
        {"@x", "~07", InsertOutcome::ConversionError, "\"x\" не является целым числом."},
        {"@1 @2", "$04", InsertOutcome::ConversionError, "\"1 @2\" не является целым числом."},
        {"@", "$04", InsertOutcome::ConversionError, "\"\" не является целым числом."},
        {"итог", "$04", InsertOutcome::ConversionError, "\"итог\" не является целым числом."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " / " + c.last);
        store::Grid blank = blankGrid(6, 3);
        markArchiveRow(blank, 2, 2);
        blank.setText(3, 2, QString::fromUtf8(c.first));
        const ParameterList list = listOf({"~05", "$03", "#4015", c.last});

        const InsertResult r = insertLastParameter(blank, 5, 2, list);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(r.message, QString::fromUtf8(c.message));
        EXPECT_EQ(blank.text(5, 2), c.outcome == InsertOutcome::Inserted ? "@4" : "");
        EXPECT_EQ(blank.text(3, 2), QString::fromUtf8(c.first));
    }
}

TEST(EditorRefInsert, TheMarkFindsItsColumnOrColumnOne)
{
    // Without a read-only cell the mark column is column 1, so column 2 decides.
    store::Grid blank = blankGrid(5, 3);
    for (int c = 1; c < blank.colCount(); ++c)
        blank.cell(c, 2).colour = store::kArchiveRowColour;
    blank.setText(2, 2, QStringLiteral("@2"));
    const ParameterList list = listOf({"~05", "$03", "~07"});
    EXPECT_EQ(archiveMarkColumn(blank, 2), 1);
    EXPECT_EQ(insertLastParameter(blank, 4, 2, list).outcome, InsertOutcome::OtherArchiveKind);

    // A mark in the last column has nothing right of it.
    store::Grid last = blankGrid(5, 3);
    markArchiveRow(last, 2, 5);
    EXPECT_EQ(archiveMarkColumn(last, 2), 5);
    EXPECT_TRUE(insertLastParameter(last, 3, 2, list).inserted());
    EXPECT_EQ(last.text(3, 2), "@3");
}

TEST(EditorRefInsert, TheMarkCellItselfTakesNoReference)
{
    store::Grid blank = blankGrid(5, 3);
    markArchiveRow(blank, 2, 2);
    const ParameterList list = listOf({"~05"});
    EXPECT_EQ(insertLastParameter(blank, 2, 2, list).outcome, InsertOutcome::ReadOnlyCell);
    EXPECT_EQ(insertReference(blank, 2, 2, 1).outcome, InsertOutcome::ReadOnlyCell);
    EXPECT_EQ(blank.text(2, 2), "!24");
}

// ---------------------------------------------------------------- "Вставить в бланк"

TEST(EditorRefInsertIntoBlank, AppendsTheSelectedParameterWithoutArchiveChecks)
{
    store::Grid blank = blankGrid(5, 3);
    markArchiveRow(blank, 2, 2);
    blank.setText(3, 2, QStringLiteral("@1"));
    blank.setText(4, 2, QStringLiteral("x"));

    // A daily value after an hourly one, and the first row and column, all take it.
    EXPECT_EQ(insertReference(blank, 4, 2, 2).change,
              (CellChange{4, 2, QStringLiteral("x"), QStringLiteral("x@2")}));
    EXPECT_TRUE(insertReference(blank, 1, 1, 2).inserted());
    EXPECT_EQ(blank.text(1, 1), "@2");
    EXPECT_TRUE(insertReference(blank, 1, 1, 12).inserted());
    EXPECT_EQ(blank.text(1, 1), "@2@12");

    EXPECT_EQ(insertReference(blank, 0, 1, 2).outcome, InsertOutcome::NotHere);
    EXPECT_EQ(insertReference(blank, 6, 1, 2).outcome, InsertOutcome::NotHere);
    EXPECT_EQ(insertReference(blank, 3, 3, 0).outcome, InsertOutcome::NoParameter);
    EXPECT_EQ(blank.text(3, 3), "");
}
