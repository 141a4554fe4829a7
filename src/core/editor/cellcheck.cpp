#include "editor/cellcheck.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace rastrova::editor {

using store::Grid;

namespace {

constexpr int kFirstData = 1;

// The column of the archive start mark: the first read-only data cell of the row.
int markColumn(const Grid& grid, int row)
{
    for (int c = kFirstData; c < grid.colCount(); ++c)
        if (grid.isReadOnly(c, row))
            return c;
    return kFirstData;
}

// A run of decimal digits as a number; INT_MAX for one too long to hold.
int digitsValue(QStringView digits)
{
    qint64 n = 0;
    for (QChar ch : digits) {
        n = n * 10 + (ch.unicode() - u'0');
        if (n > std::numeric_limits<int>::max())
            return std::numeric_limits<int>::max();
    }
    return int(n);
}

bool isAsciiDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

QString codeOf(const ParameterCodeSource& params, int n)
{
    return n >= 1 && n <= params.parameterCount() ? params.parameterCode(n) : QString();
}

// The kind of the row's first reference, taken from the text of the cell just right
// of the mark: the digits right after its first "@" name the parameter.
bool firstKindIsHourly(QStringView firstCell, const ParameterCodeSource& params)
{
    if (firstCell.isEmpty())
        return true;
    const qsizetype at = firstCell.indexOf(u'@');
    if (at < 0)
        return false;
    qsizetype end = at + 1;
    while (end < firstCell.size() && isAsciiDigit(firstCell[end]))
        ++end;
    if (end == at + 1)
        return false;
    return codeOf(params, digitsValue(firstCell.sliced(at + 1, end - at - 1))).startsWith(u'~');
}

} // namespace

QString archiveCellMessage(ArchiveCellFault fault)
{
    switch (fault) {
    case ArchiveCellFault::None:
        return {};
    case ArchiveCellFault::NotAReference:
        return QStringLiteral("В строке печати архивных данных можно указать только параметры печати "
                              "архивных данных.\rПараметр задается ввиде: @<№ параметра> ");
    case ArchiveCellFault::BadReference:
        return QStringLiteral("Не верно задана ссылка на параметр.\rПараметр задается ввиде: @<№ параметра>");
    case ArchiveCellFault::NoSuchParameter:
        return QStringLiteral("Задан не существующий номер параметра. Будьте внимательны. ");
    case ArchiveCellFault::NotArchiveValue:
        return QStringLiteral("Указываемый параметр должен быть типа: данные из часового(суточного) архива.\r"
                              "Будьте внимательны.");
    case ArchiveCellFault::DailyExpected:
        return QStringLiteral("Вы ранее в строке уже указали значение из суточного архива, поэтому все "
                              "следующие архивы данной строки должны быть суточными.\rБудьте внимательны.");
    case ArchiveCellFault::HourlyExpected:
        return QStringLiteral("Вы ранее в строке уже указали значение из часового архива, поэтому все "
                              "следующие архивы данной строки должны быть часовыми.\rБудьте внимательны.");
    }
    return {};
}

ArchiveCellFault archiveCellFault(const Grid& grid, int col, int row, QStringView text,
                                  const ParameterCodeSource& params)
{
    if (row < 0 || row >= grid.rowCount() || col < 0 || col >= grid.colCount())
        return ArchiveCellFault::None;
    const int mark = markColumn(grid, row);
    if (col <= mark)
        return ArchiveCellFault::None;

    const QStringView t = text.trimmed();
    const qsizetype at = t.indexOf(u'@');
    if (!t.isEmpty() && at < 0)
        return ArchiveCellFault::NotAReference;
    const QStringView number = at < 0 ? t : t.sliced(at + 1);
    if (number.isEmpty() || !std::all_of(number.begin(), number.end(), isAsciiDigit))
        return ArchiveCellFault::BadReference;
    const int n = digitsValue(number);
    // Parameters are numbered from 1: "@0" names none either.
    if (n < 1 || n > params.parameterCount())
        return ArchiveCellFault::NoSuchParameter;

    const QString code = params.parameterCode(n);
    const bool hourly = code.startsWith(u'~');
    if (!hourly && !code.startsWith(u'$'))
        return ArchiveCellFault::NotArchiveValue;

    const QStringView firstCell = col == mark + 1 ? text : QStringView(grid.text(mark + 1, row));
    const bool rowHourly = firstKindIsHourly(firstCell, params);
    if (hourly && !rowHourly)
        return ArchiveCellFault::DailyExpected;
    if (!hourly && rowHourly)
        return ArchiveCellFault::HourlyExpected;
    return ArchiveCellFault::None;
}

// ---------------------------------------------------------------- in-place editing

void CellEditTracker::start(int col, int row, const QString& text)
{
    editing_ = true;
    skip_ = false;
    col_ = col;
    row_ = row;
    oldText_ = text;
    currentText_ = text;
}

void CellEditTracker::changed(const QString& text)
{
    currentText_ = text;
}

void CellEditTracker::escape()
{
    if (editing_)
        skip_ = true;
}

QString CellEditTracker::finish(Grid& grid, const ParameterCodeSource& params)
{
    if (!editing_)
        return {};
    editing_ = false;
    if (skip_) {
        skip_ = false;
        return {};
    }
    // Every exit is checked, also one that changed nothing: an empty cell right of
    // the mark is as wrong as a wrongly typed one.
    if (col_ < 0 || row_ < 0 || col_ >= grid.colCount() ||
        row_ >= grid.rowCount() || std::as_const(grid).cell(col_, row_).colour != store::kArchiveRowColour)
        return {};
    QString message = checkArchiveCell(grid, col_, row_, currentText_, params);
    if (!message.isEmpty())
        grid.setText(col_, row_, oldText_);
    return message;
}

} // namespace rastrova::editor
