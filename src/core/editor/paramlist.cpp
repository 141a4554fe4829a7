#include "editor/paramlist.h"
#include "store/blank.h"

#include "store/gridfile.h"

#include <algorithm>

namespace rastrova::editor {

namespace {

struct ColumnDef {
    const char16_t* header;
    const char16_t* hint;
    int width;
    int alignment;
};

const ColumnDef kColumnDefs[ParameterList::kColumns] = {
    {u"№", u"Колонка номера параметра в бланке пользователя", 25, kAlignCentre},
    {u"N параметра", nullptr, 0, kAlignLeft},
    {u"Имя параметра:", u"Колонка имени параметра ВИРЕЛ", 120, kAlignLeft},
    {u"p", u"Формат печати значений [p,q]: p - общее число позиций, включая знак и точку", 20, kAlignCentre},
    {u"q", u"Формат печати значений [p,q]: q - число знаков после запятой", 20, kAlignCentre},
    {u"Цел.", u"Целочисленное число", 40, kAlignCentre},
};

struct FixedCode {
    const QString* code;
    CodeKind kind;
    const char16_t* name;
};

const FixedCode kFixedCodes[] = {
    {&kCodeTime, CodeKind::Time, u"Время"},
    {&kCodeDate, CodeKind::Date, u"Дата"},
    {&kCodeYear, CodeKind::Year, u"Год"},
    {&kCodeSerialNumber, CodeKind::SerialNumber, u"Заводской номер"},
};

const FixedCode* findFixed(const QString& code)
{
    for (const FixedCode& f : kFixedCodes)
        if (*f.code == code)
            return &f;
    return nullptr;
}

bool isHexDigits(QStringView s, qsizetype count)
{
    if (s.size() != count)
        return false;
    return std::all_of(s.begin(), s.end(), [](QChar ch) {
        const char16_t c = ch.unicode();
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    });
}

// Gives column c of `grid` its header, hint, width and alignment.
void defineColumn(store::Grid& grid, int c)
{
    const ColumnDef& def = kColumnDefs[c];
    store::Cell& head = grid.cell(c, 0);
    head.text = QString::fromUtf16(def.header);
    head.hint = def.hint ? QString::fromUtf16(def.hint) : QString();
    store::Column& col = grid.column(c);
    col.width = def.width;
    col.textAlignment = def.alignment;
    col.textLayout = kLayoutCentre;
}

store::Grid emptyListGrid()
{
    store::Grid grid;
    grid.resize(ParameterList::kColumns, 2);
    grid.setAutoRowHeights(false);
    for (int c = 0; c < ParameterList::kColumns; ++c)
        defineColumn(grid, c);
    grid.setRowHeight(1, 0);
    return grid;
}

// A format cell after leaving it: empty stays empty, a number in 0..max is written
// plainly, anything else becomes the default.
QString clampedFormat(const QString& text, int max, const QString& fallback)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    const std::optional<int> v = parseDecimal(trimmed);
    if (!v || *v < 0 || *v > max)
        return fallback;
    return QString::number(*v);
}

} // namespace

// ---------------------------------------------------------------- codes

CodeKind codeKind(const QString& code)
{
    if (const FixedCode* f = findFixed(code))
        return f->kind;
    if (code.startsWith(u'#') && isHexDigits(QStringView(code).mid(1), 4))
        return CodeKind::CurrentValue;
    if (code.startsWith(u'~'))
        return CodeKind::HourlyArchive;
    if (code.startsWith(u'$'))
        return CodeKind::DailyArchive;
    return CodeKind::Other;
}

bool isFixedCode(const QString& code)
{
    return findFixed(code) != nullptr;
}

QString fixedCodeName(const QString& code)
{
    const FixedCode* f = findFixed(code);
    return f ? QString::fromUtf16(f->name) : QString();
}

std::optional<int> currentValueAddress(const QString& code)
{
    if (!code.startsWith(u'#') || !isHexDigits(QStringView(code).mid(1), 4))
        return std::nullopt;
    return QStringView(code).mid(1).toInt(nullptr, 16);
}

std::optional<int> archiveNumber(const QString& code, int virelType)
{
    if (!code.startsWith(u'~') && !code.startsWith(u'$'))
        return std::nullopt;
    const QStringView number = QStringView(code).mid(1);
    if (!store::isControllerType19(virelType)) {
        if (number.isEmpty() || !ParameterList::isDigitsOnly(number) || number.size() > 9)
            return std::nullopt;
        return number.toInt();
    }
    if (!isHexDigits(number, 4))
        return std::nullopt;
    return number.toInt(nullptr, 16);
}

std::optional<int> parseDecimal(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+')) {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 v = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c - u'0');
        if (v > qint64(INT32_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v < INT32_MIN || v > INT32_MAX)
        return std::nullopt;
    return int(v);
}

// ---------------------------------------------------------------- the list

ParameterList::ParameterList() : grid_(emptyListGrid())
{
    giveCheckBox(1, false);
}

int ParameterList::archiveCheckCount() const
{
    return grid_.rowCount() - (isRowHidden(1) ? 2 : 1);
}

QString ParameterList::field(int n, int col) const
{
    if (n < 1 || n > count() || col >= grid_.colCount())
        return {};
    return grid_.text(col, n);
}

bool ParameterList::isInteger(int n) const
{
    if (n < 1 || n > count())
        return false;
    const std::optional<store::CheckBox>& box = grid_.cell(IntegerColumn, n).checkBox;
    return box && box->checked;
}

void ParameterList::giveCheckBox(int row, bool checked)
{
    grid_.cell(IntegerColumn, row).checkBox = store::CheckBox{checked, kAlignLeft};
}

int ParameterList::shownRowHeight() const
{
    // A file may give a default height of 0; a parameter's row still shows.
    const int height = grid_.defaultRowHeight();
    return height > 0 ? height : store::Grid().defaultRowHeight();
}

int ParameterList::append(const QString& code, const QString& name)
{
    int row;
    if (isEmpty()) {
        row = 1;
    } else {
        row = grid_.rowCount();
        grid_.resize(grid_.colCount(), row + 1);
        giveCheckBox(row, false);
    }
    grid_.setRowHeight(row, shownRowHeight());
    grid_.setText(NumberColumn, row, QString::number(row));
    grid_.setText(CodeColumn, row, code);
    grid_.setText(NameColumn, row, name);
    return row;
}

bool ParameterList::removeLast()
{
    if (isEmpty())
        return false;
    const int last = grid_.rowCount() - 1;
    if (last > 1) {
        grid_.resize(grid_.colCount(), last);
        return true;
    }
    // The only parameter: its row becomes the placeholder again, cleared whole so
    // that the next parameter does not inherit its format or its box.
    for (int c = 0; c < grid_.colCount(); ++c)
        grid_.setText(c, 1, QString());
    giveCheckBox(1, false);
    grid_.setRowHeight(1, 0);
    return true;
}

void ParameterList::clear()
{
    grid_ = emptyListGrid();
    giveCheckBox(1, false);
}

bool ParameterList::isTextEditable(int col, int row) const
{
    return (col == PColumn || col == QColumn) && row >= 1 && row <= count();
}

bool ParameterList::isCheckable(int col, int row) const
{
    return col == IntegerColumn && row >= 1 && row <= count();
}

bool ParameterList::isDigitsOnly(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar ch) { return ch >= u'0' && ch <= u'9'; });
}

bool ParameterList::setText(int col, int row, const QString& text)
{
    if (!isTextEditable(col, row) || !isDigitsOnly(text))
        return false;
    grid_.setText(col, row, text);
    return true;
}

bool ParameterList::setInteger(int n, bool on)
{
    if (n < 1 || n > count())
        return false;
    giveCheckBox(n, on);
    return true;
}

bool ParameterList::normaliseFormat(int row)
{
    if (row < 1 || row > count())
        return false;
    bool changed = false;
    auto put = [&](int col, const QString& text) {
        if (grid_.text(col, row) != text) {
            grid_.setText(col, row, text);
            changed = true;
        }
    };
    if (isFixedCode(grid_.text(CodeColumn, row))) {
        put(PColumn, QString());
        put(QColumn, QString());
    } else {
        put(PColumn, clampedFormat(grid_.text(PColumn, row), 9, QStringLiteral("9")));
        put(QColumn, clampedFormat(grid_.text(QColumn, row), 6, QStringLiteral("2")));
    }
    return changed;
}

void ParameterList::setColumnWidth(int col, int width)
{
    if (col >= 0 && col < grid_.colCount())
        grid_.setColWidth(col, std::clamp(width, 0, 65535));
}

void ParameterList::setGrid(store::Grid grid)
{
    grid_ = std::move(grid);
    // The list always keeps its row heights: they carry the hidden placeholder row.
    grid_.setAutoRowHeights(false);
    grid_.setNumber(store::GridKey::FixedCols, 1);
    grid_.setNumber(store::GridKey::FixedRows, 1);

    const int oldCols = grid_.colCount();
    if (oldCols < kColumns || grid_.rowCount() < 2)
        grid_.resize(std::max(oldCols, kColumns), std::max(grid_.rowCount(), 2));
    for (int c = oldCols; c < kColumns; ++c)
        defineColumn(grid_, c);
    if (oldCols < kColumns)
        grid_.setColWidth(IntegerColumn, kAddedIntegerColumnWidth);

    if (isEmpty()) {
        // Rows after an empty first one cannot be reached: nothing is numbered there.
        if (grid_.rowCount() > 2)
            grid_.resize(grid_.colCount(), 2);
        grid_.setRowHeight(1, 0);
    } else if (isRowHidden(1)) {
        grid_.setRowHeight(1, shownRowHeight());
    }

    for (int r = 1; r < grid_.rowCount(); ++r) {
        const std::optional<store::CheckBox>& box = grid_.cell(IntegerColumn, r).checkBox;
        giveCheckBox(r, box && box->checked);
    }
}

Status ParameterList::load(const QString& path)
{
    store::Grid grid = emptyListGrid();
    const Status st = store::readGridFile(path, grid);
    if (!st) {
        clear();
        return st.code() == Status::NotFound ? Status::ok() : st;
    }
    setGrid(std::move(grid));
    return Status::ok();
}

Status ParameterList::save(const QString& path) const
{
    return store::writeGridFile(path, grid_);
}

} // namespace rastrova::editor
