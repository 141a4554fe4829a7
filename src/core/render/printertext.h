#pragma once
// The printer text of a blank: the lines the adapter prints, in code page 866.
// Cell texts are laid out in fixed character columns (a column of w pixels holds
// w / 8 characters), framed cells are drawn with single-line box-drawing
// characters, every line is cut to 72 characters, and a form feed may follow.

#include "status.h"
#include "store/grid.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace rastrova::render {

constexpr int kMaxLineLength = 72;
constexpr int kPixelsPerCharacter = 8;
constexpr char kFormFeed = 0x0C;

// The single-line box-drawing characters of code page 866.
namespace box {
constexpr char Horizontal = char(0xC4);  // ─
constexpr char Vertical = char(0xB3);    // │
constexpr char DownRight = char(0xDA);   // ┌
constexpr char DownLeft = char(0xBF);    // ┐
constexpr char UpRight = char(0xC0);     // └
constexpr char UpLeft = char(0xD9);      // ┘
constexpr char VerticalRight = char(0xC3); // ├
constexpr char VerticalLeft = char(0xB4);  // ┤
constexpr char HorizontalDown = char(0xC2); // ┬
constexpr char HorizontalUp = char(0xC1);   // ┴
constexpr char Cross = char(0xC5);          // ┼
} // namespace box

// The character whose arms are exactly these; 0 when there are none.
char junction(bool up, bool down, bool left, bool right);

struct PrinterText {
    QList<QByteArray> lines; // code page 866, without line ends
    Status status;           // not ok when a cell holds a line break: only its first line is printed
};

// The width a mark column needs: a read-only cell (the archive start mark) must
// show its whole text, so a column narrower than 8·L + 3 pixels is widened to
// 8·L + 4. Returns the widths of all columns after widening.
QList<int> widenedColumnWidths(const store::Grid& grid);
// Applies that widening to the grid itself; true when a width changed.
bool widenMarkColumns(store::Grid& grid);

// Renders the grid (with its mark columns widened) into printer lines.
PrinterText renderPrinterText(const store::Grid& grid, bool formFeed);

// The printer text as the preview shows it: the 866 bytes decoded, lines joined by '\n'.
QString previewText(const PrinterText& text);

} // namespace rastrova::render
