#pragma once
// Cut, copy and paste of blank cells. A copy gives two forms: the cells with all
// their properties and the merged ranges among them, as bytes under the program's
// own MIME type, and plain text (TAB between cells, CR LF between rows) for other
// programs. A paste takes the program's own form when it is there, else plain text.

#include "editor/gridops.h"
#include "status.h"
#include "store/grid.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class QMimeData;

namespace rastrova::editor {

// MIME type of the cells form.
inline constexpr char kCellsMimeType[] = "application/x-rastrova-cells";

// Largest cells form a paste reads.
constexpr qsizetype kMaxCellsFormBytes = 16 * 1024 * 1024;

struct ClipboardContent {
    QByteArray cells; // the program's own form
    QString text;     // plain text
    bool isEmpty() const { return cells.isEmpty() && text.isEmpty(); }
};

// The cells to copy: the selection's data cells, or the current cell's region when
// the selection holds none.
Selection copySource(const store::Grid& grid, const Selection& selection, int currentCol, int currentRow);

// Copies the bounding rectangle of `source` (as given by copySource). Cells outside
// the selection are left out of the cells form and give empty texts; a merged range
// is copied when it lies inside the rectangle and its top-left cell is selected.
ClipboardContent copyCells(const store::Grid& grid, const Selection& source);

// Copies, then clears the texts of the copied cells (cells with the archive row
// colour keep theirs).
ClipboardContent cutCells(store::Grid& grid, const Selection& source);

// The plain text of the bounding rectangle of `source`: rows separated by CR LF,
// cells by TAB; a cell that is not selected, or is covered by a range it does not
// start, gives an empty text; a text holding line breaks is written with LF, in
// double quotes, inner double quotes doubled, and so is a text holding a TAB or
// starting with a double quote.
QString selectionText(const store::Grid& grid, const Selection& source);

// Plain text split into rows of cells: the form above, or what another program
// puts on the clipboard (rows may also end in a bare LF or CR). A line break inside
// a quoted cell becomes a blank, since blank cells hold one line. At most
// `maxRows` rows of `maxCols` cells are kept.
QList<QStringList> parseClipboardText(QStringView text, int maxRows, int maxCols);

// Pastes with the top-left corner at (col, row). A paste wider (taller) than the
// grid adds columns at the right (rows at the bottom), never beyond 40 data
// columns and 200 data rows, and cuts what does not fit. Read-only cells are not
// changed. On success `filled`, when given, receives the cells pasted into.
// Refused (Damaged) when the cells form is damaged, refused (Refused) when a text
// holds a character that code page 1251 cannot hold; the grid is then unchanged.
Status pasteCells(store::Grid& grid, int col, int row, QByteArrayView cells, store::Range* filled = nullptr);
Status pasteText(store::Grid& grid, int col, int row, QStringView text, store::Range* filled = nullptr);

// Both forms for the system clipboard; the caller owns the result.
QMimeData* toMimeData(const ClipboardContent& content);
// True when `mime` holds something a paste can use.
bool canPaste(const QMimeData* mime);
// Pastes the cells form when `mime` has it, else its text.
Status paste(store::Grid& grid, int col, int row, const QMimeData& mime, store::Range* filled = nullptr);

} // namespace rastrova::editor
