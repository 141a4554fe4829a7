#include "editor/archiverow.h"
#include "store/blank.h"

#include "editor/paramcode.h"
#include "text/hex.h"

#include <limits>
#include <utility>

namespace rastrova::editor {

using store::Grid;

namespace {

constexpr int kFirstData = 1;
constexpr store::Colour kWhite = 0xFFFFFF;
constexpr qsizetype kMaxCodeNumberLength = 20;

bool isDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

// The run of decimal digits of `text` starting at `from`, as a number (INT_MAX for
// one too long to hold); `end` is set past the run. Nothing when no digit is there.
std::optional<int> digitRun(QStringView text, qsizetype from, qsizetype& end)
{
    end = from;
    qint64 value = 0;
    while (end < text.size() && isDigit(text[end])) {
        value = std::min<qint64>(value * 10 + (text[end].unicode() - u'0'), std::numeric_limits<int>::max());
        ++end;
    }
    if (end == from)
        return std::nullopt;
    return int(value);
}

bool isMarkText(QStringView text)
{
    return text.size() > 1 && text[0] == u'!' && isDigit(text[1]);
}

bool isDataCell(const Grid& grid, int col, int row)
{
    return col >= kFirstData && row >= kFirstData && col < grid.colCount() && row < grid.rowCount();
}

// Makes a cell editable: it follows its column again, unless the column itself is
// read-only.
void makeEditable(Grid& grid, int col, int row)
{
    store::Cell& cell = grid.cell(col, row);
    if (grid.column(col).readOnly)
        cell.readOnly = false;
    else
        cell.readOnly.reset();
}

} // namespace

// ------------------------------------------------------------ depths

QString checkArchiveDepth(const ArchiveDepth& depth, int startMaximum, int endMaximum)
{
    if (depth.start > startMaximum)
        return QStringLiteral("Начальная глубина печати архивов не может превышать ") +
               QString::number(startMaximum) + QStringLiteral(" суток. Будьте внимательны.");
    if (depth.end > endMaximum)
        return QStringLiteral("Конечная глубина печати архивов не может превышать ") +
               QString::number(endMaximum) + QStringLiteral(" суток. Будьте внимательны.");
    if (depth.end >= depth.start)
        return QStringLiteral("Конечная глубина печати архивов должна быть строго меньше начальной глубины "
                              "печати (KK<НН). Будьте внимательны.");
    return {};
}

QString archiveMarkText(const ArchiveDepth& depth)
{
    QString mark = u'!' + QString::number(depth.start);
    if (depth.end > 0)
        mark += u',' + QString::number(depth.end);
    return mark;
}

// ------------------------------------------------------------ the mark

QString setArchiveRowQuestion(int row)
{
    return QStringLiteral("Вы действительно хотите строку № ") + QString::number(row) +
           QStringLiteral(" сделать стартовой для печати архивных данных? ");
}

QString clearArchiveRowQuestion()
{
    return QStringLiteral("Вы действительно хотите удалить признак строки начала печати архивов ?");
}

bool setArchiveMark(Grid& blank, int col, int row, const ArchiveDepth& depth)
{
    if (!isDataCell(blank, col, row))
        return false;
    for (int c = kFirstData; c < blank.colCount(); ++c) {
        // A row has one mark: a former one goes, wherever it stood.
        if (c != col && blank.isReadOnly(c, row)) {
            if (isMarkText(blank.text(c, row)))
                blank.setText(c, row, {});
            makeEditable(blank, c, row);
        }
        if (c >= col)
            blank.setText(c, row, {});
        blank.cell(c, row).colour = store::kArchiveRowColour;
    }
    const QString mark = archiveMarkText(depth);
    blank.setText(col, row, mark);
    blank.cell(col, row).readOnly = true;
    const int needed = 8 * int(mark.size());
    if (blank.colWidth(col) < needed + 3)
        blank.setColWidth(col, needed + 4);
    return true;
}

bool canClearArchiveMark(const Grid& blank, int col, int row)
{
    return isDataCell(blank, col, row) && blank.cell(col, row).colour == store::kArchiveRowColour;
}

bool clearArchiveMark(Grid& blank, int row)
{
    if (row < kFirstData || row >= blank.rowCount())
        return false;
    int mark = 0;
    bool archiveRow = false;
    for (int c = kFirstData; c < blank.colCount(); ++c) {
        archiveRow = archiveRow || blank.cell(c, row).colour == store::kArchiveRowColour;
        if (mark == 0 && blank.isReadOnly(c, row))
            mark = c;
    }
    if (!archiveRow)
        return false;
    // A mark cell that lost its read-only flag is still known by its text; without
    // any mark no text is cleared.
    for (int c = kFirstData; mark == 0 && c < blank.colCount(); ++c)
        if (isMarkText(blank.text(c, row)))
            mark = c;
    for (int c = kFirstData; c < blank.colCount(); ++c) {
        blank.cell(c, row).colour = kWhite;
        makeEditable(blank, c, row);
        if (mark != 0 && c >= mark)
            blank.setText(c, row, {});
    }
    return true;
}

// ------------------------------------------------------------ the checks after a save

QStringList archiveCheckMessages(const Grid& blank, const ParameterList& list, int controllerType,
                                 const ArchiveLengthLookup& lookup)
{
    const bool catalogue = store::isControllerType19(controllerType) && lookup;
    const QString cr(QChar(u'\r'));
    QStringList messages;
    for (int r = 0; r < blank.rowCount(); ++r) {
        const QString row = QString::number(r);
        int start = 0, end = 0; // unset counts as 0
        std::optional<uint16_t> rowLength;
        for (int c = 0; c < blank.colCount(); ++c) {
            const QStringView text(blank.text(c, r));
            qsizetype next = 0;
            if (isMarkText(text)) {
                start = digitRun(text, 1, next).value_or(0);
                end = 0;
                while (next < text.size() && !isDigit(text[next]))
                    ++next;
                if (next < text.size())
                    end = digitRun(text, next, next).value_or(0);
                if (end >= start)
                    messages << QStringLiteral("Ошибка! В строке ") + row +
                                    QStringLiteral(" неправильно задана глубина архива.");
                continue;
            }
            if (!catalogue || !text.startsWith(u'@'))
                continue;
            const std::optional<int> number = digitRun(text, 1, next);
            if (!number || *number < 1 || *number > list.count())
                continue;
            const QString x = list.code(*number).mid(1).left(kMaxCodeNumberLength);
            const std::optional<uint32_t> value = text::parseHexBlankZero(x);
            if (!value || *value == 0 || *value > 0xFFFF)
                continue;
            const uint16_t length = lookup(uint16_t(*value));
            if (length == 0)
                continue;
            if (!rowLength)
                rowLength = length;
            else if (length != *rowLength)
                messages << QStringLiteral("Типы архивов в строке ") + row + QStringLiteral(" не совпадают!");
            if (length < kDailyArchiveLength && length < start)
                messages << QStringLiteral("Глубина часового архива ") + x + QStringLiteral(" в строке ") +
                                row + cr + QStringLiteral(" не соответсвует описателю! ");
            if (length == kDailyArchiveLength && end == 0)
                messages << QStringLiteral("Конечная глубина суточного архива ") + x +
                                QStringLiteral(" в строке ") + row + cr + QStringLiteral(" меньше 1! ");
            if (length == kDailyArchiveLength && start > kDailyStartDepthMaximum)
                messages << QStringLiteral("Начальная глубина суточного архива ") + x +
                                QStringLiteral(" в строке ") + row + cr + QStringLiteral(" больше 255! ");
        }
    }
    return messages;
}

} // namespace rastrova::editor
