#include "store/grid.h"

#include <algorithm>

namespace rastrova::store {

namespace {

constexpr GridKeyInfo kGridKeys[kGridKeyCount] = {
    {"About", KeyType::String},
    {"Width", KeyType::Integer},
    {"Height", KeyType::Integer},
    {"ScrollBars", KeyType::Integer},
    {"BorderStyle", KeyType::Integer},
    {"Hint", KeyType::String},
    {"ShowHint", KeyType::Boolean},
    {"Tag", KeyType::Integer},
    {"DragKind", KeyType::Integer},
    {"DragMode", KeyType::Integer},
    {"DragCursor", KeyType::Integer},
    {"Cursor", KeyType::Integer},
    {"Constraints.MaxHeight", KeyType::Integer},
    {"Constraints.MaxWidth", KeyType::Integer},
    {"Constraints.MinHeight", KeyType::Integer},
    {"Constraints.MinWidth", KeyType::Integer},
    {"Enabled", KeyType::Boolean},
    {"Visible", KeyType::Boolean},
    {"TabStop", KeyType::Boolean},
    {"PopupMenu", KeyType::String},
    {"DefaultColWidth", KeyType::Integer},
    {"DefaultRowHeight", KeyType::Integer},
    {"GridLineWidth", KeyType::Integer},
    {"BorderForText", KeyType::Integer},
    {"ColCount", KeyType::Integer},
    {"RowCount", KeyType::Integer},
    {"FixedCols", KeyType::Integer},
    {"FixedRows", KeyType::Integer},
    {"WordWrap", KeyType::Boolean},
    {"Ctl3D", KeyType::Boolean},
    {"Color", KeyType::Colour},
    {"FixedColor", KeyType::Colour},
    {"GridLineColor", KeyType::Colour},
    {"FixedGridLineColor", KeyType::Colour},
    {"Options", KeyType::Integer},
    {"TabOptions", KeyType::Integer},
    {"EditorOptions", KeyType::Integer},
    {"EditControlOptions", KeyType::Integer},
    {"EditColor", KeyType::Colour},
    {"SelectionColor", KeyType::Colour},
    {"EditFontColor", KeyType::Colour},
    {"SelectionFontColor", KeyType::Colour},
    {"Font.Charset", KeyType::Integer},
    {"Font.Color", KeyType::Colour},
    {"Font.Name", KeyType::String},
    {"Font.Pitch", KeyType::Integer},
    {"Font.Size", KeyType::Integer},
    {"Font.Style", KeyType::Integer},
    {"PrintMargins.Left", KeyType::Float},
    {"PrintMargins.Top", KeyType::Float},
    {"PrintMargins.Right", KeyType::Float},
    {"PrintMargins.Bottom", KeyType::Float},
    {"PrintOptions", KeyType::Integer},
    {"ExportTag", KeyType::String},
    {"SortColumn", KeyType::Integer},
    {"SortDescending", KeyType::Boolean},
    {"SortIndicator", KeyType::Boolean},
    {"SortOnDblClick", KeyType::Boolean},
    {"SortOnClick", KeyType::Boolean},
    {"InplaceScrollBar", KeyType::Boolean},
    {"SpreadsheetEnabled", KeyType::Boolean},
    {"SpreadsheetHeaders", KeyType::Boolean},
    {"HideSelection", KeyType::Boolean},
};

} // namespace

const GridKeyInfo& gridKeyInfo(GridKey key)
{
    return kGridKeys[int(key)];
}

Grid::Grid()
{
    auto set = [this](GridKey k, qint64 v) { values_[size_t(k)].number = v; };
    setText(GridKey::About, QStringLiteral("v2.26.23"));
    set(GridKey::Width, 600);
    set(GridKey::Height, 300);
    set(GridKey::ScrollBars, 3);
    set(GridKey::BorderStyle, 1);
    set(GridKey::ShowHint, 1);
    set(GridKey::DragCursor, -12);
    set(GridKey::Enabled, 1);
    set(GridKey::Visible, 1);
    set(GridKey::TabStop, 1);
    set(GridKey::DefaultColWidth, 75);
    set(GridKey::DefaultRowHeight, 21);
    set(GridKey::GridLineWidth, 1);
    set(GridKey::BorderForText, 2);
    set(GridKey::ColCount, 1);
    set(GridKey::RowCount, 1);
    set(GridKey::FixedCols, 1);
    set(GridKey::FixedRows, 1);
    set(GridKey::Ctl3D, 1);
    set(GridKey::Color, kWindowColour);
    set(GridKey::FixedColor, kButtonFaceColour);
    set(GridKey::GridLineColor, 8421504);
    set(GridKey::FixedGridLineColor, 0);
    set(GridKey::EditColor, kWindowColour);
    set(GridKey::SelectionColor, -2147483635);     // highlight
    set(GridKey::EditFontColor, kWindowTextColour);
    set(GridKey::SelectionFontColor, -2147483634); // highlight text
    setFont(Font{});
    for (GridKey k : {GridKey::PrintMarginsLeft, GridKey::PrintMarginsTop, GridKey::PrintMarginsRight,
                      GridKey::PrintMarginsBottom})
        values_[size_t(k)].real = 1;
    setText(GridKey::ExportTag, QStringLiteral("ProfGridTag"));
    set(GridKey::SpreadsheetHeaders, 1);

    cells_.resize(1);
    columns_.resize(1);
    rowHeights_.resize(1);
    columns_[0].width = 75;
    rowHeights_[0] = 21;
}

void Grid::resize(int cols, int rows)
{
    cols = std::max(cols, 1);
    rows = std::max(rows, 1);
    if (cols == cols_ && rows == rows_)
        return;
    QList<Cell> cells(qsizetype(cols) * rows);
    for (int r = 0; r < std::min(rows, rows_); ++r)
        for (int c = 0; c < std::min(cols, cols_); ++c)
            cells[qsizetype(r) * cols + c] = cells_[index(c, r)];
    cells_ = std::move(cells);
    columns_.resize(cols);
    for (int c = cols_; c < cols; ++c)
        columns_[c].width = defaultColWidth();
    rowHeights_.resize(rows);
    for (int r = rows_; r < rows; ++r)
        rowHeights_[r] = defaultRowHeight();
    cols_ = cols;
    rows_ = rows;
    values_[size_t(GridKey::ColCount)].number = cols;
    values_[size_t(GridKey::RowCount)].number = rows;
    ranges_.removeIf([cols, rows](const Range& g) { return g.right >= cols || g.bottom >= rows; });
}

void Grid::setDefaultColWidth(int width)
{
    values_[size_t(GridKey::DefaultColWidth)].number = width;
    for (Column& c : columns_)
        c.width = width;
}

void Grid::setDefaultRowHeight(int height)
{
    values_[size_t(GridKey::DefaultRowHeight)].number = height;
    for (int& h : rowHeights_)
        h = height;
}

Range Grid::regionAt(int c, int r) const
{
    for (const Range& g : ranges_)
        if (g.contains(c, r))
            return g;
    return Range{c, r, c, r};
}

bool Grid::isTopLeft(int c, int r) const
{
    Range g = regionAt(c, r);
    return g.left == c && g.top == r;
}

bool Grid::rangeFits(const Range& range) const
{
    return range.left >= 0 && range.top >= 0 && range.left <= range.right && range.top <= range.bottom &&
           range.right < cols_ && range.bottom < rows_;
}

bool Grid::addRange(const Range& range)
{
    if (!rangeFits(range))
        return false;
    for (const Range& g : ranges_)
        if (g.intersects(range))
            return false;
    if (range.isSingleCell())
        return true;
    // Kept in the order the file lists them (column by column), so that a grid
    // read back from its file compares equal to the one written.
    auto at = std::find_if(ranges_.begin(), ranges_.end(), [&](const Range& g) {
        return g.left > range.left || (g.left == range.left && g.top > range.top);
    });
    ranges_.insert(at, range);
    return true;
}

Font Grid::font() const
{
    Font f;
    f.name = value(GridKey::FontName).text;
    f.size = int(value(GridKey::FontSize).number);
    f.colour = Colour(value(GridKey::FontColor).number);
    f.charset = int(value(GridKey::FontCharset).number);
    f.pitch = int(value(GridKey::FontPitch).number);
    f.style = int(value(GridKey::FontStyle).number);
    return f;
}

void Grid::setFont(const Font& f)
{
    value(GridKey::FontName).text = f.name;
    value(GridKey::FontSize).number = f.size;
    value(GridKey::FontColor).number = f.colour;
    value(GridKey::FontCharset).number = f.charset;
    value(GridKey::FontPitch).number = f.pitch;
    value(GridKey::FontStyle).number = f.style;
}

bool Grid::isReadOnly(int c, int r) const
{
    return cell(c, r).readOnly.value_or(columns_[c].readOnly);
}

Font Grid::columnFont(int c) const
{
    return columns_[c].font.value_or(font());
}

Font Grid::cellFont(int c, int r) const
{
    const Cell& x = cell(c, r);
    return x.font ? *x.font : columnFont(c);
}

Grid freshBlankGrid()
{
    Grid g;
    g.resize(2, 2);
    g.setAutoRowHeights(true);
    return g;
}

} // namespace rastrova::store
