#pragma once
// Operations of the blank grid: the commands of the "Бланк" and "Правка" menus that
// change cells, merged ranges, borders, columns and rows. Each is a plain function
// on the core grid; the grid widget calls them and re-reads the grid afterwards.
// Grid coordinates throughout: column 0 and row 0 are the headers, data cells
// start at (1, 1). Every operation walks the cells a fixed number of times; only
// putting the merged ranges back goes through Grid::addRange, which compares each
// new range with those already there.

#include "status.h"
#include "store/grid.h"

#include <QList>
#include <QString>
#include <initializer_list>

namespace rastrova::editor {

// Limits of the columns-and-rows dialog; the add commands and a paste keep to them.
constexpr int kMaxDataColumns = 40;
constexpr int kMaxDataRows = 200;
constexpr int kMaxColumnWidth = 400;

// Border of a framed cell and of an unframed one (which also takes the grid's
// background colour).
constexpr int kFrameWidth = 2;
constexpr store::Colour kFrameColour = 0;

// The cells the user selected: one or more rectangles (Ctrl+click adds one).
class Selection {
public:
    Selection() = default;
    Selection(const store::Range& rect) { add(rect); } // implicit: a rectangle is a selection
    Selection(std::initializer_list<store::Range> rects);

    // Adds a rectangle; its corners may be given in any order.
    void add(const store::Range& rect);

    bool isEmpty() const { return rects_.isEmpty(); }
    bool contains(int c, int r) const;
    // The bounding rectangle; a rectangle at (0, 0) when empty.
    store::Range bounds() const;
    const QList<store::Range>& rects() const { return rects_; }

private:
    QList<store::Range> rects_;
};

// ------------------------------------------------------------ columns and rows

// The fields of the columns-and-rows dialog.
struct GridSize {
    int columns = 1; // data columns
    int rows = 1;    // data rows
    int width = 75;  // default column width, pixels
};

// The dialog's fields as the grid has them now.
GridSize currentGridSize(const store::Grid& grid);

// The message for the first field above its maximum (columns, then rows, then
// width); empty when all fields are within their limits.
QString checkGridSize(const GridSize& size);

// Applies accepted fields. When `widthChanged`, the width becomes the default
// column width and every column, the header column included, takes it. Columns
// and rows are added or removed at the right and bottom edge; a count below 1
// gives one data column (row). A merged range cut by the new edge is trimmed.
void applyGridSize(store::Grid& grid, const GridSize& size, bool widthChanged);

// Adds `count` empty columns at the right edge. When the blank has an archive
// start row, the new cells of that row take the archive row colour.
void appendColumns(store::Grid& grid, int count);

// ------------------------------------------------------------ ranges, widths, borders

// Merges the selection's bounding rectangle, widened to every merged range it
// touches, into one range whose text is the former texts joined in reading order.
// Does nothing (false) for a single cell or a rectangle that reaches a header.
bool mergeCells(store::Grid& grid, const Selection& selection);

// Splits every merged range that holds a selected cell. The top-left cell keeps
// its text and properties; the others become new empty cells. False when no range
// held a selected cell.
bool splitCells(store::Grid& grid, const Selection& selection);

// Gives every data column of the selection the width of the widest of them.
bool equalizeColumnWidths(store::Grid& grid, const Selection& selection);

// Frames every selected data cell (colour 0, width 2) or removes its frame (the
// grid's background colour, width 0). A selected cell inside a merged range sets
// the frame of the range.
void setCellBorders(store::Grid& grid, const Selection& selection, bool on);

// What every click in the blank grid runs: each data cell whose inner border is
// not 2 pixels wide gets width 0 and the grid's background colour.
void normalizeBorders(store::Grid& grid);

// ------------------------------------------------------------ columns and rows one at a time

// Inserts an empty column at `col` (1 .. colCount; colCount appends); that column
// and those right of it move one place right. A merged range spanning the
// insertion point grows. In the archive start row the new cell takes the archive
// row colour. Refused with the dialog's message when the blank already has the
// largest number of data columns.
Status insertColumn(store::Grid& grid, int col);

// Inserts an empty row at `row` (1 .. rowCount; rowCount appends); that row and
// those below move one place down. A merged range spanning the insertion point
// grows. Refused with the dialog's message at the largest number of data rows.
Status insertRow(store::Grid& grid, int row);

// Deletes data column `col` (row `row`) unless it is the only one; false when
// nothing was deleted. A merged range across it shrinks; when the deleted column
// (row) held the range's top-left cell, that cell's content moves to the range's
// new top-left cell.
bool deleteColumn(store::Grid& grid, int col);
bool deleteRow(store::Grid& grid, int row);

// Moves data column `from` to the place of data column `to` (a header dragged to
// a new place): the columns between shift by one, each with its data cells,
// properties and width, and merged ranges follow their cells; the header row's
// cells stay where they are. False, with nothing changed,
// when either is no data column, when they are the same, or when the move would
// tear a merged range apart.
bool moveColumn(store::Grid& grid, int from, int to);
// The same for data rows, which take their heights along; the header column stays.
bool moveRow(store::Grid& grid, int from, int to);

// ------------------------------------------------------------ texts

// The first data row whose column-1 cell has the archive row colour; 0 when none.
int archiveStartRowByColour(const store::Grid& grid);

// Clears the texts of the selected data cells. A cell with the archive row colour
// refuses and keeps its text. True when a text changed.
bool clearCells(store::Grid& grid, const Selection& selection);

} // namespace rastrova::editor
