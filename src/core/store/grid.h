#pragma once
// The grid model behind a blank and a parameter list: columns and rows with one
// fixed header column and row, cells with text and display properties, merged
// ranges, column widths and the grid-wide display keys. It holds everything the
// grid-table file stores, so that a file read and written again is unchanged.
// Cells and columns live in implicitly shared lists: copying a grid is cheap.

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

namespace rastrova::store {

// Colour values are 32-bit: 0x00BBGGRR, or a system colour with the top bit set.
using Colour = int32_t;
constexpr Colour kNoColour = 0x20000000;        // "no own colour"
constexpr Colour kWindowColour = -2147483643;    // system window colour
constexpr Colour kButtonFaceColour = -2147483633;
constexpr Colour kWindowTextColour = -2147483640;
constexpr Colour kArchiveRowColour = 255;        // every cell of the archive start row

struct Font {
    QString name = QStringLiteral("MS Sans Serif");
    int size = 10;
    Colour colour = kWindowTextColour;
    int charset = 204; // Cyrillic
    int pitch = 2;     // 0 default, 1 variable, 2 fixed
    int style = 0;     // bits: 1 bold, 2 italic, 4 underline, 8 strike-out
    bool operator==(const Font&) const = default;
};

struct Border {
    Colour colour = 0;
    int width = 0; // 0..255; a blank's cell is framed when its inner border has width 2
    bool operator==(const Border&) const = default;
};

struct CheckBox {
    bool checked = false;
    int alignment = 2;
    bool operator==(const CheckBox&) const = default;
};

// A rectangle of cells, both corners inclusive.
struct Range {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool contains(int c, int r) const { return c >= left && c <= right && r >= top && r <= bottom; }
    bool intersects(const Range& o) const
    {
        return left <= o.right && o.left <= right && top <= o.bottom && o.top <= bottom;
    }
    bool isSingleCell() const { return left == right && top == bottom; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    bool operator==(const Range&) const = default;
};

// Properties a cell may set for itself; an unset one follows its column (or, for
// word wrap, the grid).
struct Cell {
    QString text; // lines joined with '\n'
    Colour colour = kNoColour;
    Border inner;
    Border outer;
    QString hint;
    std::optional<Font> font;
    std::optional<int> textAlignment, textLayout, graphicAlignment, graphicLayout, maxLength;
    std::optional<bool> readOnly;
    std::optional<bool> wordWrap;
    std::optional<CheckBox> checkBox;
    QString graphic; // a stored picture, kept as the file gives it
    bool operator==(const Cell&) const = default;
};

struct Column {
    int width = 75; // pixels, 0..65535
    bool tabStop = true;
    int textAlignment = 0, textLayout = 0, graphicAlignment = 0, graphicLayout = 0;
    bool readOnly = false;
    bool checkBox = false;
    bool unmovable = false;
    bool nonResizable = false;
    int maxLength = 0, maxWidth = 0, minWidth = 0;
    int checkBoxAlignment = 2;
    std::optional<Font> font;
    std::optional<Colour> colour;
    Colour gridLineColour = kNoColour;
    int gridLineWidth = 255;
    bool operator==(const Column&) const = default;
};

// The print header or footer of a grid.
struct PrintBand {
    QStringList lines;
    Font font;
    int alignment = 0;
    double distance = 0;
    bool operator==(const PrintBand&) const = default;
};

// The grid-wide keys of the "Grid" section, in the order they are written.
enum class GridKey {
    About, Width, Height, ScrollBars, BorderStyle, Hint, ShowHint, Tag,
    DragKind, DragMode, DragCursor, Cursor,
    ConstraintsMaxHeight, ConstraintsMaxWidth, ConstraintsMinHeight, ConstraintsMinWidth,
    Enabled, Visible, TabStop, PopupMenu,
    DefaultColWidth, DefaultRowHeight, GridLineWidth, BorderForText,
    ColCount, RowCount, FixedCols, FixedRows,
    WordWrap, Ctl3D,
    Color, FixedColor, GridLineColor, FixedGridLineColor,
    Options, TabOptions, EditorOptions, EditControlOptions,
    EditColor, SelectionColor, EditFontColor, SelectionFontColor,
    FontCharset, FontColor, FontName, FontPitch, FontSize, FontStyle,
    PrintMarginsLeft, PrintMarginsTop, PrintMarginsRight, PrintMarginsBottom,
    PrintOptions, ExportTag, SortColumn,
    SortDescending, SortIndicator, SortOnDblClick, SortOnClick,
    InplaceScrollBar, SpreadsheetEnabled, SpreadsheetHeaders, HideSelection,
    Count
};

enum class KeyType { Integer, Boolean, Colour, String, Float };

struct GridKeyInfo {
    const char* name;
    KeyType type;
};

const GridKeyInfo& gridKeyInfo(GridKey key);
constexpr int kGridKeyCount = int(GridKey::Count);

// A grid value: integers, booleans and colours in `number`, texts in `text`,
// floats in `real`.
struct GridValue {
    qint64 number = 0;
    double real = 0;
    QString text;
    bool operator==(const GridValue&) const = default;
};

class Grid {
public:
    // A grid of one column and one row with the display keys of a fresh blank.
    Grid();

    int colCount() const { return cols_; }
    int rowCount() const { return rows_; }
    int fixedCols() const { return int(value(GridKey::FixedCols).number); }
    int fixedRows() const { return int(value(GridKey::FixedRows).number); }

    // Changes the size; cells and columns inside the new size keep their content,
    // merged ranges that no longer fit are dropped.
    void resize(int cols, int rows);

    const Cell& cell(int c, int r) const { return cells_[index(c, r)]; }
    Cell& cell(int c, int r) { return cells_[index(c, r)]; }
    const QString& text(int c, int r) const { return cell(c, r).text; }
    void setText(int c, int r, const QString& text) { cell(c, r).text = text; }

    const Column& column(int c) const { return columns_[c]; }
    Column& column(int c) { return columns_[c]; }
    int colWidth(int c) const { return columns_[c].width; }
    void setColWidth(int c, int width) { columns_[c].width = width; }

    int defaultColWidth() const { return int(value(GridKey::DefaultColWidth).number); }
    int defaultRowHeight() const { return int(value(GridKey::DefaultRowHeight).number); }
    // Setting a default size sets every column's width (row's height) to it.
    void setDefaultColWidth(int width);
    void setDefaultRowHeight(int height);

    int rowHeight(int r) const { return rowHeights_[r]; }
    void setRowHeight(int r, int height) { rowHeights_[r] = height; }

    // Rows grow and shrink with their text; such a grid stores no row heights.
    bool autoRowHeights() const { return autoRowHeights_; }
    void setAutoRowHeights(bool on) { autoRowHeights_ = on; }

    const QList<Range>& ranges() const { return ranges_; }
    // The merged range that covers (c, r), or the cell alone.
    Range regionAt(int c, int r) const;
    bool isTopLeft(int c, int r) const;
    // Adds a merged range; false when it leaves the grid or overlaps another one.
    bool addRange(const Range& range);
    void removeRange(qsizetype i) { ranges_.removeAt(i); }
    void clearRanges() { ranges_.clear(); }
    bool rangeFits(const Range& range) const;

    const GridValue& value(GridKey key) const { return values_[size_t(key)]; }
    GridValue& value(GridKey key) { return values_[size_t(key)]; }
    void setNumber(GridKey key, qint64 v) { values_[size_t(key)].number = v; }
    void setText(GridKey key, const QString& v) { values_[size_t(key)].text = v; }

    // The grid font, made of the "Font.*" keys.
    Font font() const;
    void setFont(const Font& font);
    Colour colour() const { return Colour(value(GridKey::Color).number); }
    Colour fixedColour() const { return Colour(value(GridKey::FixedColor).number); }
    bool wordWrap() const { return value(GridKey::WordWrap).number != 0; }

    // Effective properties of a cell: its own, else its column's (or the grid's).
    bool isReadOnly(int c, int r) const;
    Font cellFont(int c, int r) const;
    Font columnFont(int c) const;

    PrintBand printHeader, printFooter;

    bool operator==(const Grid&) const = default;

private:
    qsizetype index(int c, int r) const { return qsizetype(r) * cols_ + c; }

    int cols_ = 1, rows_ = 1;
    QList<Cell> cells_;
    QList<Column> columns_;
    QList<int> rowHeights_;
    QList<Range> ranges_;
    std::array<GridValue, kGridKeyCount> values_;
    bool autoRowHeights_ = false;
};

// A blank's fresh grid: one data column and one data row, fixed header column and
// row, the display keys of a new blank, rows sized to their text.
Grid freshBlankGrid();

} // namespace rastrova::store
