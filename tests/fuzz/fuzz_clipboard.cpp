// What a paste reads from the clipboard, from arbitrary bytes: the program's
// own cells form, or plain text another program put there. Nothing may crash,
// and:
//   - a paste never grows a blank beyond 40 data columns and 200 data rows, and
//     what it reports as filled lies inside the grid;
//   - the merged ranges after a paste lie inside the grid and do not overlap;
//   - the cells pasted, copied, pasted into a fresh blank and copied again give
//     the same cells form and the same text;
//   - plain text is split into at most 255 rows of at most 40 one-line cells, a
//     paste puts those texts into the cells, and the text copied from the cells
//     splits into the same texts.
//
// The first byte chooses: bit 0 the form (0 cells form, 1 text), bit 1 the
// text's encoding (1251 or UTF-8), bits 2..3 and 4..5 the column and row of a
// blank of 3 x 3 data cells where the paste starts.

#include "editor/clipboard.h"
#include "editor/gridops.h"
#include "text/codepage.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace rastrova::editor;
using rastrova::store::Grid;
using rastrova::store::Range;

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_clipboard: %s\n", what);
    std::abort();
}

void check(bool ok, const char* what)
{
    if (!ok)
        fail(what);
}

Grid smallBlank()
{
    Grid grid = rastrova::store::freshBlankGrid();
    grid.resize(4, 4);
    return grid;
}

void checkGrid(const Grid& grid, const Range& filled)
{
    check(grid.colCount() - 1 <= kMaxDataColumns && grid.rowCount() - 1 <= kMaxDataRows,
          "a paste grew the blank beyond its limits");
    check(filled.left >= 1 && filled.top >= 1 && filled.left <= filled.right && filled.top <= filled.bottom &&
              filled.right < grid.colCount() && filled.bottom < grid.rowCount(),
          "the filled range lies outside the grid");
    const auto& ranges = grid.ranges();
    for (qsizetype i = 0; i < ranges.size(); ++i) {
        const Range& g = ranges[i];
        check(g.left >= 0 && g.top >= 0 && g.left <= g.right && g.top <= g.bottom &&
                  g.right < grid.colCount() && g.bottom < grid.rowCount() && !g.isSingleCell(),
              "a merged range lies outside the grid");
        for (qsizetype j = i + 1; j < ranges.size(); ++j)
            check(!g.intersects(ranges[j]), "two merged ranges overlap");
    }
}

void cellsForm(QByteArrayView form, int col, int row)
{
    Grid grid = smallBlank();
    const Grid before = grid;
    Range filled;
    if (!pasteCells(grid, col, row, form, &filled)) {
        check(grid == before, "a refused paste changed the grid");
        return;
    }
    checkGrid(grid, filled);

    const ClipboardContent first = copyCells(grid, filled);
    check(!first.cells.isEmpty(), "copying pasted cells gives no cells form");
    Grid fresh = smallBlank();
    Range again;
    check(bool(pasteCells(fresh, 1, 1, first.cells, &again)), "a copied cells form cannot be pasted");
    checkGrid(fresh, again);
    check(again.width() == filled.width() && again.height() == filled.height(),
          "a copied cells form pastes to another size");
    const ClipboardContent second = copyCells(fresh, again);
    check(second.cells == first.cells, "cells pasted and copied again give another cells form");
    check(second.text == first.text, "cells pasted and copied again give another text");
}

void plainText(const QString& text, int col, int row)
{
    const QList<QStringList> rows = parseClipboardText(text, 255, 40);
    check(rows.size() <= 255, "more rows than asked for");
    for (const QStringList& r : rows) {
        check(r.size() <= 40, "more cells in a row than asked for");
        for (const QString& t : r)
            check(!t.contains(u'\n') && !t.contains(u'\r'), "a cell of plain text holds a line break");
    }

    Grid grid = smallBlank();
    const Grid before = grid;
    Range filled{-1, -1, -1, -1};
    if (!pasteText(grid, col, row, text, &filled)) {
        check(grid == before, "a refused paste changed the grid");
        return;
    }
    if (rows.isEmpty() || filled.left < 0) {
        check(grid == before, "an empty paste changed the grid");
        return;
    }
    checkGrid(grid, filled);
    for (int r = filled.top; r <= filled.bottom; ++r)
        for (int c = filled.left; c <= filled.right; ++c) {
            const QStringList& line = rows[r - row];
            const QString expected = c - col < line.size() ? line[c - col] : QString();
            if (c - col < line.size())
                check(grid.text(c, r) == expected, "a pasted cell does not hold its text");
        }

    const QString copied = selectionText(grid, filled);
    if (std::getenv("FUZZ_CLIPBOARD_SHOW"))
        std::fprintf(stderr, "pasted at %d,%d into %d..%d x %d..%d\ntext   %s\ncopied %s\n", col, row,
                     filled.left, filled.right, filled.top, filled.bottom,
                     text.toUtf8().toPercentEncoding(" \"").constData(),
                     copied.toUtf8().toPercentEncoding(" \"").constData());
    const QList<QStringList> back = parseClipboardText(copied, 255, 40);
    // Empty cells at the end of the text leave no trace in it.
    check(back.size() <= filled.height(), "the copied text has more rows than were copied");
    for (int r = filled.top; r <= filled.bottom; ++r) {
        const QStringList line = r - filled.top < back.size() ? back[r - filled.top] : QStringList();
        check(line.size() <= filled.width(), "a row of the copied text has more cells than were copied");
        for (int c = filled.left; c <= filled.right; ++c) {
            const QString got = c - filled.left < line.size() ? line[c - filled.left] : QString();
            check(got == grid.text(c, r), "the copied text splits into other texts");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArrayView rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const int col = 1 + (data[0] >> 2) % 3;
    const int row = 1 + (data[0] >> 4) % 3;
    if (!(data[0] & 1))
        cellsForm(rest, col, row);
    else
        plainText((data[0] & 2) ? QString::fromUtf8(rest) : rastrova::text::fromCp1251(rest), col, row);
    return 0;
}
