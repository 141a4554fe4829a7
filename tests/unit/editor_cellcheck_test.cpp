// The archive cell check and in-place editing of blank cells.

#include "editor/cellcheck.h"
#include "store/grid.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <ostream>

using namespace rastrova;
using namespace rastrova::editor;
using store::Grid;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// A parameter list given by its codes; parameter n is codes[n - 1].
class Codes : public ParameterCodeSource {
public:
    explicit Codes(QStringList codes) : codes_(std::move(codes)) {}
    int parameterCount() const override { return int(codes_.size()); }
    QString parameterCode(int n) const override
    {
        EXPECT_GE(n, 1);
        EXPECT_LE(n, parameterCount());
        return codes_.value(n - 1);
    }

private:
    QStringList codes_;
};

// Parameter 1 hourly, 2 daily, 3 a current value, 4 another hourly value.
const Codes kParams({QStringLiteral("~05"), QStringLiteral("$03"), QStringLiteral("#4015"),
                     QStringLiteral("~12")});

const QString kNotAReference = QStringLiteral(
    "В строке печати архивных данных можно указать только параметры печати архивных данных.\r"
    "Параметр задается ввиде: @<№ параметра> ");
const QString kBadReference =
    QStringLiteral("Не верно задана ссылка на параметр.\rПараметр задается ввиде: @<№ параметра>");
const QString kNoSuchParameter =
    QStringLiteral("Задан не существующий номер параметра. Будьте внимательны. ");
const QString kNotArchiveValue = QStringLiteral(
    "Указываемый параметр должен быть типа: данные из часового(суточного) архива.\rБудьте внимательны.");
const QString kDailyExpected = QStringLiteral(
    "Вы ранее в строке уже указали значение из суточного архива, поэтому все следующие архивы данной строки "
    "должны быть суточными.\rБудьте внимательны.");
const QString kHourlyExpected = QStringLiteral(
    "Вы ранее в строке уже указали значение из часового архива, поэтому все следующие архивы данной строки "
    "должны быть часовыми.\rБудьте внимательны.");

// Row 2 of a 6 x 3 blank is the archive start row with the mark "!24" in column 2;
// `first` is the text of column 3, the first cell right of the mark.
Grid archiveBlank(const QString& first)
{
    Grid g = store::freshBlankGrid();
    g.resize(7, 4);
    for (int c = 1; c < g.colCount(); ++c)
        g.cell(c, 2).colour = store::kArchiveRowColour;
    g.setText(1, 2, QStringLiteral("Сутки"));
    g.setText(2, 2, QStringLiteral("!24"));
    g.cell(2, 2).readOnly = true;
    g.setText(3, 2, first);
    return g;
}

// ---------------------------------------------------------------- the rules

TEST(EditorArchiveCheck, EachRuleHasItsMessage)
{
    const Grid hourly = archiveBlank(QStringLiteral("@1"));
    const Grid daily = archiveBlank(QStringLiteral("@2"));
    EXPECT_EQ(checkArchiveCell(hourly, 4, 2, u"1", kParams), kNotAReference); // "@1" would pass
    EXPECT_EQ(checkArchiveCell(hourly, 4, 2, u"@1x", kParams), kBadReference);
    EXPECT_EQ(checkArchiveCell(hourly, 4, 2, u"@5", kParams), kNoSuchParameter);
    EXPECT_EQ(checkArchiveCell(hourly, 4, 2, u"@3", kParams), kNotArchiveValue);
    EXPECT_EQ(checkArchiveCell(daily, 4, 2, u"@1", kParams), kDailyExpected);
    EXPECT_EQ(checkArchiveCell(hourly, 4, 2, u"@2", kParams), kHourlyExpected);

    // Values of the row's own kind pass, also after other text or with blanks around.
    EXPECT_EQ(checkArchiveCell(hourly, 4, 2, u"  @4 ", kParams), QString());
    EXPECT_EQ(checkArchiveCell(hourly, 5, 2, u"T=@1", kParams), QString());
    EXPECT_EQ(checkArchiveCell(daily, 4, 2, u"@2", kParams), QString());
}

TEST(EditorArchiveCheck, TheFirstRuleThatAppliesSpeaks)
{
    const Grid daily = archiveBlank(QStringLiteral("@2"));
    // No "@" and no number: the first two rules apply.
    EXPECT_EQ(archiveCellFault(daily, 4, 2, u"Т1", kParams), ArchiveCellFault::NotAReference);
    // No "@" and a number naming no parameter.
    EXPECT_EQ(archiveCellFault(daily, 4, 2, u"12", kParams), ArchiveCellFault::NotAReference);
    // A number too large for any list names no parameter (and no code).
    EXPECT_EQ(archiveCellFault(daily, 4, 2, u"@99999999999", kParams), ArchiveCellFault::NoSuchParameter);
    // Only the whole rest after the first "@" is the number.
    EXPECT_EQ(archiveCellFault(daily, 4, 2, u"@@1", kParams), ArchiveCellFault::BadReference);
    // A current value in a daily row: not an archive value, before any kind question.
    EXPECT_EQ(archiveCellFault(daily, 4, 2, u"@3", kParams), ArchiveCellFault::NotArchiveValue);
    // An empty text is no reference either.
    EXPECT_EQ(archiveCellFault(daily, 4, 2, u"", kParams), ArchiveCellFault::BadReference);
    EXPECT_EQ(archiveCellFault(daily, 4, 2, u"   ", kParams), ArchiveCellFault::BadReference);
    // Parameters count from 1.
    EXPECT_EQ(archiveCellFault(daily, 4, 2, u"@0", kParams), ArchiveCellFault::NoSuchParameter);
    EXPECT_EQ(archiveCellFault(daily, 4, 2, u"@-1", kParams), ArchiveCellFault::BadReference);
}

TEST(EditorArchiveCheck, OnlyCellsRightOfTheMarkAreChecked)
{
    const Grid g = archiveBlank(QStringLiteral("@1"));
    EXPECT_EQ(archiveCellFault(g, 1, 2, u"anything", kParams), ArchiveCellFault::None);
    EXPECT_EQ(archiveCellFault(g, 2, 2, u"!30", kParams), ArchiveCellFault::None);
    EXPECT_EQ(archiveCellFault(g, 3, 2, u"text", kParams), ArchiveCellFault::NotAReference);

    // Without a read-only cell the mark's column is column 1.
    Grid unmarked = archiveBlank(QString());
    unmarked.cell(2, 2).readOnly = false;
    EXPECT_EQ(archiveCellFault(unmarked, 1, 2, u"x", kParams), ArchiveCellFault::None);
    EXPECT_EQ(archiveCellFault(unmarked, 2, 2, u"x", kParams), ArchiveCellFault::NotAReference);
}

TEST(EditorArchiveCheck, TheRowsKindComesFromTheCellRightOfTheMark)
{
    // An empty first cell counts as hourly.
    const Grid empty = archiveBlank(QString());
    EXPECT_EQ(archiveCellFault(empty, 5, 2, u"@2", kParams), ArchiveCellFault::HourlyExpected);
    EXPECT_EQ(archiveCellFault(empty, 5, 2, u"@4", kParams), ArchiveCellFault::None);

    // The first reference is the one after the first "@", whatever text stands before.
    const Grid prefixed = archiveBlank(QStringLiteral("Q=@2 и @1"));
    EXPECT_EQ(archiveCellFault(prefixed, 4, 2, u"@1", kParams), ArchiveCellFault::DailyExpected);

    // Editing the first cell itself sets the kind: a daily value there passes.
    const Grid hourly = archiveBlank(QStringLiteral("@1"));
    EXPECT_EQ(archiveCellFault(hourly, 3, 2, u"@2", kParams), ArchiveCellFault::None);
    // Emptying it is refused.
    EXPECT_EQ(archiveCellFault(hourly, 3, 2, u"", kParams), ArchiveCellFault::BadReference);
}

TEST(EditorArchiveCheck, AnEmptyListHasNoParameterToName)
{
    // The list's own count decides: with its hidden placeholder row it counts none.
    const Codes none({});
    EXPECT_EQ(checkArchiveCell(archiveBlank(QString()), 4, 2, u"@1", none), kNoSuchParameter);
}

// ---------------------------------------------------------------- in-place editing

TEST(EditorCellEdit, RefusedExitPutsTheOldTextBack)
{
    Grid g = archiveBlank(QStringLiteral("@1"));
    g.setText(4, 2, QStringLiteral("@4"));
    CellEditTracker edit;
    edit.start(4, 2, g.text(4, 2));
    edit.changed(QStringLiteral("@"));
    edit.changed(QStringLiteral("@2"));
    g.setText(4, 2, QStringLiteral("@2")); // the editor's text goes into the cell
    EXPECT_EQ(edit.finish(g, kParams), kHourlyExpected);
    EXPECT_EQ(g.text(4, 2), u"@4");
    EXPECT_FALSE(edit.isEditing());
    // Nothing more happens on a second exit.
    g.setText(4, 2, QStringLiteral("@2"));
    EXPECT_EQ(edit.finish(g, kParams), QString());
    EXPECT_EQ(g.text(4, 2), u"@2");
}

TEST(EditorCellEdit, EmptyingACellRightOfTheMarkIsRefused)
{
    Grid g = archiveBlank(QStringLiteral("@1"));
    CellEditTracker edit;
    edit.start(3, 2, g.text(3, 2));
    edit.changed(QString());
    g.setText(3, 2, QString());
    EXPECT_EQ(edit.finish(g, kParams), kBadReference);
    EXPECT_EQ(g.text(3, 2), u"@1");
}

TEST(EditorCellEdit, EscSkipsTheNextCheckOnly)
{
    Grid g = archiveBlank(QStringLiteral("@1"));
    CellEditTracker edit;
    edit.start(4, 2, QString());
    edit.changed(QStringLiteral("wrong"));
    edit.escape();
    EXPECT_TRUE(edit.skipFlag());
    g.setText(4, 2, QStringLiteral("wrong"));
    EXPECT_EQ(edit.finish(g, kParams), QString());
    EXPECT_EQ(g.text(4, 2), u"wrong");
    EXPECT_FALSE(edit.skipFlag());

    // The next edit is checked again; a new edit also drops a flag left over.
    edit.start(4, 2, QStringLiteral("wrong"));
    edit.changed(QStringLiteral("still wrong"));
    g.setText(4, 2, QStringLiteral("still wrong"));
    EXPECT_EQ(edit.finish(g, kParams), kNotAReference);
    EXPECT_EQ(g.text(4, 2), u"wrong");

    edit.escape(); // not editing: no flag
    EXPECT_FALSE(edit.skipFlag());
}

TEST(EditorCellEdit, LeavingATextUnchangedIsCheckedToo)
{
    // A freshly marked row: the cell right of the mark is empty. Leaving it after
    // an edit that changed nothing still runs the check, which refuses the empty
    // text; a good reference left unchanged passes.
    Grid g = archiveBlank(QString());
    CellEditTracker edit;
    edit.start(3, 2, QString());
    edit.changed(QStringLiteral("@"));
    edit.changed(QString());
    EXPECT_EQ(edit.finish(g, kParams), kBadReference);
    EXPECT_EQ(g.text(3, 2), QString());

    g.setText(3, 2, QStringLiteral("@1"));
    edit.start(3, 2, QStringLiteral("@1"));
    EXPECT_EQ(edit.finish(g, kParams), QString());
}

TEST(EditorCellEdit, CellsWithoutTheArchiveColourAreNotChecked)
{
    Grid g = archiveBlank(QStringLiteral("@1"));
    CellEditTracker edit;
    edit.start(4, 1, QStringLiteral("old"));
    edit.changed(QStringLiteral("free text"));
    g.setText(4, 1, QStringLiteral("free text"));
    EXPECT_EQ(edit.finish(g, kParams), QString());
    EXPECT_EQ(g.text(4, 1), u"free text");
    EXPECT_EQ(edit.oldText(), u"old");
    EXPECT_EQ(edit.currentText(), u"free text");
}

} // namespace
