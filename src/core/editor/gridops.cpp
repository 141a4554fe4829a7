#include "editor/gridops.h"

#include "editor/rangeindex.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>
#include <vector>

namespace rastrova::editor {

using gridops_detail::RangeIndex;
using gridops_detail::replaceRanges;
using store::Cell;
using store::Column;
using store::Grid;
using store::Range;

namespace {

// Data cells start after the header column and row.
constexpr int kFirstData = 1;

QString messageTooManyColumns()
{
    return QStringLiteral("Число столбцов не может превышать %1. Будьте внимательны.").arg(kMaxDataColumns);
}

QString messageTooManyRows()
{
    return QStringLiteral("Число строк не может превышать %1. Будьте внимательны.").arg(kMaxDataRows);
}

QString messageTooWide()
{
    return QStringLiteral("Ширина столбца не может превышать %1. Будьте внимательны.").arg(kMaxColumnWidth);
}

// The part of `rect` that lies on data cells of the grid; `ok` false when none.
Range dataPart(const Grid& grid, const Range& rect, bool& ok)
{
    Range d{std::max(rect.left, kFirstData), std::max(rect.top, kFirstData),
            std::min(rect.right, grid.colCount() - 1), std::min(rect.bottom, grid.rowCount() - 1)};
    ok = d.left <= d.right && d.top <= d.bottom;
    return d;
}

Range unite(const Range& a, const Range& b)
{
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

bool inside(const Range& inner, const Range& outer)
{
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

// Calls f(c, r) for every selected data cell.
template <typename F>
void forSelectedCells(const Grid& grid, const Selection& selection, F&& f)
{
    if (selection.isEmpty())
        return;
    bool ok;
    const Range area = dataPart(grid, selection.bounds(), ok);
    if (!ok)
        return;
    const bool single = selection.rects().size() == 1;
    for (int r = area.top; r <= area.bottom; ++r)
        for (int c = area.left; c <= area.right; ++c)
            if (single || selection.contains(c, r))
                f(c, r);
}

} // namespace

// ---------------------------------------------------------------- selection

Selection::Selection(std::initializer_list<Range> rects)
{
    for (const Range& r : rects)
        add(r);
}

void Selection::add(const Range& rect)
{
    rects_.append(Range{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom),
                        std::max(rect.left, rect.right), std::max(rect.top, rect.bottom)});
}

bool Selection::contains(int c, int r) const
{
    return std::any_of(rects_.begin(), rects_.end(), [&](const Range& g) { return g.contains(c, r); });
}

Range Selection::bounds() const
{
    if (rects_.isEmpty())
        return {};
    Range b = rects_.front();
    for (const Range& g : rects_)
        b = unite(b, g);
    return b;
}

// ---------------------------------------------------------------- columns and rows

GridSize currentGridSize(const Grid& grid)
{
    return {grid.colCount() - 1, grid.rowCount() - 1, grid.defaultColWidth()};
}

QString checkGridSize(const GridSize& size)
{
    if (size.columns > kMaxDataColumns)
        return messageTooManyColumns();
    if (size.rows > kMaxDataRows)
        return messageTooManyRows();
    if (size.width > kMaxColumnWidth)
        return messageTooWide();
    return {};
}

int archiveStartRowByColour(const Grid& grid)
{
    if (grid.colCount() <= kFirstData)
        return 0;
    for (int r = kFirstData; r < grid.rowCount(); ++r)
        if (grid.cell(kFirstData, r).colour == store::kArchiveRowColour)
            return r;
    return 0;
}

void appendColumns(Grid& grid, int count)
{
    if (count <= 0)
        return;
    const int archiveRow = archiveStartRowByColour(grid);
    const int oldCols = grid.colCount();
    grid.resize(oldCols + count, grid.rowCount());
    if (archiveRow > 0)
        for (int c = oldCols; c < grid.colCount(); ++c)
            grid.cell(c, archiveRow).colour = store::kArchiveRowColour;
}

void applyGridSize(Grid& grid, const GridSize& size, bool widthChanged)
{
    if (widthChanged)
        grid.setDefaultColWidth(std::clamp(size.width, 1, kMaxColumnWidth));

    const int cols = std::clamp(size.columns, 1, kMaxDataColumns) + 1;
    const int rows = std::clamp(size.rows, 1, kMaxDataRows) + 1;

    // Ranges cut by the new right or bottom edge keep the part that stays.
    bool trimmed = false;
    QList<Range> ranges;
    for (Range g : grid.ranges()) {
        if (g.right >= cols || g.bottom >= rows) {
            trimmed = true;
            if (g.left >= cols || g.top >= rows)
                continue;
            g.right = std::min(g.right, cols - 1);
            g.bottom = std::min(g.bottom, rows - 1);
        }
        ranges.append(g);
    }

    if (cols > grid.colCount())
        appendColumns(grid, cols - grid.colCount());
    grid.resize(cols, rows);
    if (trimmed)
        replaceRanges(grid, std::move(ranges));
}

// ---------------------------------------------------------------- ranges, widths, borders

bool mergeCells(Grid& grid, const Selection& selection)
{
    if (selection.isEmpty())
        return false;
    Range rect = selection.bounds();
    if (rect.isSingleCell())
        return false;
    if (rect.left < kFirstData || rect.top < kFirstData || rect.right >= grid.colCount() ||
        rect.bottom >= grid.rowCount())
        return false;

    // Every pass that changes the rectangle makes it larger, so there are at most
    // as many passes as the grid has columns and rows.
    for (bool grown = true; grown;) {
        grown = false;
        for (const Range& g : grid.ranges())
            if (g.intersects(rect) && !inside(g, rect)) {
                rect = unite(rect, g);
                grown = true;
            }
    }
    if (rect.left < kFirstData || rect.top < kFirstData)
        return false;

    QString text;
    {
        const RangeIndex index(grid);
        for (int r = rect.top; r <= rect.bottom; ++r)
            for (int c = rect.left; c <= rect.right; ++c)
                if (index.isTopLeft(c, r))
                    text += grid.text(c, r);
    }
    for (int r = rect.top; r <= rect.bottom; ++r)
        for (int c = rect.left; c <= rect.right; ++c)
            if (c != rect.left || r != rect.top)
                grid.cell(c, r) = Cell{};
    grid.setText(rect.left, rect.top, text);

    for (qsizetype i = grid.ranges().size() - 1; i >= 0; --i)
        if (grid.ranges()[i].intersects(rect))
            grid.removeRange(i);
    grid.addRange(rect);
    return true;
}

bool splitCells(Grid& grid, const Selection& selection)
{
    if (selection.isEmpty())
        return false;
    bool split = false;
    for (qsizetype i = grid.ranges().size() - 1; i >= 0; --i) {
        const Range g = grid.ranges()[i];
        const bool selected = std::any_of(selection.rects().begin(), selection.rects().end(),
                                          [&](const Range& s) { return s.intersects(g); });
        if (!selected)
            continue;
        for (int r = g.top; r <= g.bottom; ++r)
            for (int c = g.left; c <= g.right; ++c)
                if (c != g.left || r != g.top)
                    grid.cell(c, r) = Cell{};
        grid.removeRange(i);
        split = true;
    }
    return split;
}

bool equalizeColumnWidths(Grid& grid, const Selection& selection)
{
    std::vector<bool> chosen(size_t(grid.colCount()), false);
    int widest = -1;
    for (const Range& s : selection.rects())
        for (int c = std::max(s.left, kFirstData); c <= std::min(s.right, grid.colCount() - 1); ++c) {
            chosen[size_t(c)] = true;
            widest = std::max(widest, grid.colWidth(c));
        }
    bool changed = false;
    for (int c = kFirstData; c < grid.colCount(); ++c)
        if (chosen[size_t(c)] && grid.colWidth(c) != widest) {
            grid.setColWidth(c, widest);
            changed = true;
        }
    return changed;
}

void setCellBorders(Grid& grid, const Selection& selection, bool on)
{
    const store::Border border =
        on ? store::Border{kFrameColour, kFrameWidth} : store::Border{grid.colour(), 0};
    const RangeIndex index(grid);
    forSelectedCells(grid, selection, [&](int c, int r) {
        const Range region = index.regionAt(c, r);
        grid.cell(region.left, region.top).inner = border;
    });
}

void normalizeBorders(Grid& grid)
{
    const store::Border none{grid.colour(), 0};
    for (int r = kFirstData; r < grid.rowCount(); ++r)
        for (int c = kFirstData; c < grid.colCount(); ++c) {
            const store::Border& b = std::as_const(grid).cell(c, r).inner;
            if (b.width != kFrameWidth && b != none)
                grid.cell(c, r).inner = none;
        }
}

// ---------------------------------------------------------------- one column or row

Status insertColumn(Grid& grid, int col)
{
    if (grid.colCount() - 1 >= kMaxDataColumns)
        return Status::refused(messageTooManyColumns());
    const int oldCols = grid.colCount();
    col = std::clamp(col, kFirstData, oldCols);
    const int archiveRow = archiveStartRowByColour(grid);

    QList<Range> ranges;
    for (Range g : grid.ranges()) {
        if (g.left >= col)
            ++g.left;
        if (g.right >= col)
            ++g.right;
        ranges.append(g);
    }

    grid.resize(oldCols + 1, grid.rowCount());
    for (int r = 0; r < grid.rowCount(); ++r) {
        for (int c = oldCols; c > col; --c)
            grid.cell(c, r) = std::move(grid.cell(c - 1, r));
        grid.cell(col, r) = Cell{};
    }
    for (int c = oldCols; c > col; --c)
        grid.column(c) = grid.column(c - 1);
    grid.column(col) = Column{};
    grid.setColWidth(col, grid.defaultColWidth());
    if (archiveRow > 0)
        grid.cell(col, archiveRow).colour = store::kArchiveRowColour;
    replaceRanges(grid, std::move(ranges));
    return Status::ok();
}

Status insertRow(Grid& grid, int row)
{
    if (grid.rowCount() - 1 >= kMaxDataRows)
        return Status::refused(messageTooManyRows());
    const int oldRows = grid.rowCount();
    row = std::clamp(row, kFirstData, oldRows);

    QList<Range> ranges;
    for (Range g : grid.ranges()) {
        if (g.top >= row)
            ++g.top;
        if (g.bottom >= row)
            ++g.bottom;
        ranges.append(g);
    }

    grid.resize(grid.colCount(), oldRows + 1);
    for (int r = oldRows; r > row; --r) {
        for (int c = 0; c < grid.colCount(); ++c)
            grid.cell(c, r) = std::move(grid.cell(c, r - 1));
        grid.setRowHeight(r, grid.rowHeight(r - 1));
    }
    for (int c = 0; c < grid.colCount(); ++c)
        grid.cell(c, row) = Cell{};
    grid.setRowHeight(row, grid.defaultRowHeight());
    replaceRanges(grid, std::move(ranges));
    return Status::ok();
}

bool deleteColumn(Grid& grid, int col)
{
    const int oldCols = grid.colCount();
    if (oldCols - 1 <= 1 || col < kFirstData || col >= oldCols)
        return false;

    QList<Range> ranges;
    for (Range g : grid.ranges()) {
        if (g.left == col && g.right > col) {
            // The range loses its top-left cell: the next cell takes its content.
            grid.cell(col + 1, g.top) = std::move(grid.cell(col, g.top));
        }
        if (g.left > col)
            --g.left;
        if (g.right >= col)
            --g.right;
        if (g.left <= g.right)
            ranges.append(g);
    }

    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = col; c < oldCols - 1; ++c)
            grid.cell(c, r) = std::move(grid.cell(c + 1, r));
    for (int c = col; c < oldCols - 1; ++c)
        grid.column(c) = grid.column(c + 1);
    grid.clearRanges();
    grid.resize(oldCols - 1, grid.rowCount());
    replaceRanges(grid, std::move(ranges));
    return true;
}

bool deleteRow(Grid& grid, int row)
{
    const int oldRows = grid.rowCount();
    if (oldRows - 1 <= 1 || row < kFirstData || row >= oldRows)
        return false;

    QList<Range> ranges;
    for (Range g : grid.ranges()) {
        if (g.top == row && g.bottom > row)
            grid.cell(g.left, row + 1) = std::move(grid.cell(g.left, row));
        if (g.top > row)
            --g.top;
        if (g.bottom >= row)
            --g.bottom;
        if (g.top <= g.bottom)
            ranges.append(g);
    }

    for (int r = row; r < oldRows - 1; ++r) {
        for (int c = 0; c < grid.colCount(); ++c)
            grid.cell(c, r) = std::move(grid.cell(c, r + 1));
        grid.setRowHeight(r, grid.rowHeight(r + 1));
    }
    grid.clearRanges();
    grid.resize(grid.colCount(), oldRows - 1);
    replaceRanges(grid, std::move(ranges));
    return true;
}

namespace {

// Where line `i` (a column or a row) goes when line `from` moves to `to`.
int movedPlace(int i, int from, int to)
{
    if (i == from)
        return to;
    if (from < to && i > from && i <= to)
        return i - 1;
    if (to < from && i >= to && i < from)
        return i + 1;
    return i;
}

// The ranges after a move of columns (`columns`) or rows, or nothing when one of
// them would no longer be one block of lines.
std::optional<QList<Range>> movedRanges(const QList<Range>& ranges, int from, int to, bool columns)
{
    QList<Range> moved;
    for (Range g : ranges) {
        int& low = columns ? g.left : g.top;
        int& high = columns ? g.right : g.bottom;
        int newLow = INT_MAX, newHigh = INT_MIN;
        for (int i = low; i <= high; ++i) {
            newLow = std::min(newLow, movedPlace(i, from, to));
            newHigh = std::max(newHigh, movedPlace(i, from, to));
        }
        if (newHigh - newLow != high - low)
            return std::nullopt;
        low = newLow;
        high = newHigh;
        moved.append(g);
    }
    return moved;
}

} // namespace

bool moveColumn(Grid& grid, int from, int to)
{
    const int cols = grid.colCount();
    if (from == to || from < kFirstData || to < kFirstData || from >= cols || to >= cols)
        return false;
    std::optional<QList<Range>> ranges = movedRanges(grid.ranges(), from, to, true);
    if (!ranges)
        return false;
    const int step = from < to ? 1 : -1;
    // The header row keeps its cells: they label places, not columns.
    for (int r = kFirstData; r < grid.rowCount(); ++r) {
        Cell moving = std::move(grid.cell(from, r));
        for (int c = from; c != to; c += step)
            grid.cell(c, r) = std::move(grid.cell(c + step, r));
        grid.cell(to, r) = std::move(moving);
    }
    const Column moving = grid.column(from);
    for (int c = from; c != to; c += step)
        grid.column(c) = grid.column(c + step);
    grid.column(to) = moving;
    replaceRanges(grid, std::move(*ranges));
    return true;
}

bool moveRow(Grid& grid, int from, int to)
{
    const int rows = grid.rowCount();
    if (from == to || from < kFirstData || to < kFirstData || from >= rows || to >= rows)
        return false;
    std::optional<QList<Range>> ranges = movedRanges(grid.ranges(), from, to, false);
    if (!ranges)
        return false;
    const int step = from < to ? 1 : -1;
    for (int c = kFirstData; c < grid.colCount(); ++c) {
        Cell moving = std::move(grid.cell(c, from));
        for (int r = from; r != to; r += step)
            grid.cell(c, r) = std::move(grid.cell(c, r + step));
        grid.cell(c, to) = std::move(moving);
    }
    const int height = grid.rowHeight(from);
    for (int r = from; r != to; r += step)
        grid.setRowHeight(r, grid.rowHeight(r + step));
    grid.setRowHeight(to, height);
    replaceRanges(grid, std::move(*ranges));
    return true;
}

// ---------------------------------------------------------------- texts

bool clearCells(Grid& grid, const Selection& selection)
{
    const RangeIndex index(grid);
    bool changed = false;
    forSelectedCells(grid, selection, [&](int c, int r) {
        const Range region = index.regionAt(c, r);
        const Cell& cell = std::as_const(grid).cell(region.left, region.top);
        if (cell.colour == store::kArchiveRowColour || cell.text.isEmpty())
            return;
        grid.setText(region.left, region.top, QString());
        changed = true;
    });
    return changed;
}

} // namespace rastrova::editor
