#include "render/printertext.h"

#include "text/codepage.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace rastrova::render {

char junction(bool up, bool down, bool left, bool right)
{
    const int arms = (up ? 1 : 0) | (down ? 2 : 0) | (left ? 4 : 0) | (right ? 8 : 0);
    switch (arms) {
    case 0: return 0;
    case 4:
    case 8:
    case 12: return box::Horizontal;
    case 1:
    case 2:
    case 3: return box::Vertical;
    case 2 | 8: return box::DownRight;
    case 2 | 4: return box::DownLeft;
    case 1 | 8: return box::UpRight;
    case 1 | 4: return box::UpLeft;
    case 3 | 8: return box::VerticalRight;
    case 3 | 4: return box::VerticalLeft;
    case 12 | 2: return box::HorizontalDown;
    case 12 | 1: return box::HorizontalUp;
    default: return box::Cross;
    }
}

QList<int> widenedColumnWidths(const store::Grid& grid)
{
    QList<int> widths(grid.colCount());
    for (int c = 0; c < grid.colCount(); ++c)
        widths[c] = grid.colWidth(c);
    for (int c = 1; c < grid.colCount(); ++c)
        for (int r = 1; r < grid.rowCount(); ++r)
            if (grid.isReadOnly(c, r)) {
                const int length = int(grid.text(c, r).size());
                if (widths[c] < kPixelsPerCharacter * length + 3)
                    widths[c] = kPixelsPerCharacter * length + 4;
            }
    return widths;
}

bool widenMarkColumns(store::Grid& grid)
{
    const QList<int> widths = widenedColumnWidths(grid);
    bool changed = false;
    for (int c = 0; c < grid.colCount(); ++c)
        if (widths[c] != grid.colWidth(c)) {
            grid.setColWidth(c, widths[c]);
            changed = true;
        }
    return changed;
}

namespace {

// The letters the editor shows above a column: A..Z, AA, AB ...
QString columnName(int col)
{
    QString name;
    for (int n = col; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

// A two-dimensional table of flags.
class Flags {
public:
    Flags(int cols, int rows) : cols_(cols), rows_(rows), bits_(size_t(cols) * size_t(rows), 0) {}
    bool get(int c, int r) const
    {
        return c >= 0 && r >= 0 && c < cols_ && r < rows_ && bits_[size_t(r) * size_t(cols_) + size_t(c)];
    }
    void set(int c, int r) { bits_[size_t(r) * size_t(cols_) + size_t(c)] = 1; }

private:
    int cols_, rows_;
    std::vector<uint8_t> bits_;
};

} // namespace

PrinterText renderPrinterText(const store::Grid& grid, bool formFeed)
{
    PrinterText out;
    const int C = grid.colCount();
    const int R = grid.rowCount();
    const QList<int> pixels = widenedColumnWidths(grid);
    std::vector<int> w(static_cast<size_t>(C), 0);
    for (int k = 0; k < C; ++k)
        w[size_t(k)] = std::max(0, pixels[k] / kPixelsPerCharacter);

    // Which merged range covers each cell, found once.
    std::vector<int> owner(size_t(C) * size_t(R), -1);
    const QList<store::Range>& ranges = grid.ranges();
    for (int i = 0; i < ranges.size(); ++i)
        for (int r = ranges[i].top; r <= ranges[i].bottom; ++r)
            for (int c = ranges[i].left; c <= ranges[i].right; ++c)
                owner[size_t(r) * size_t(C) + size_t(c)] = i;

    Flags horizontal(C, R + 1); // column k, line row i (1..R)
    Flags vertical(C, R);       // line position j (0..C-1), text row r (1..R-1)
    std::vector<bool> used(static_cast<size_t>(C), false);
    // The work text of a cell: `width` characters (-1: none, covered by the cell to its
    // left); the region's text in its top row, blanks in the rows below.
    struct Work {
        int width = -1;
        int textCell = -1; // the cell whose text goes here, or -1 for blanks
    };
    std::vector<Work> work(size_t(C) * size_t(R));
    std::vector<uint8_t> visited(size_t(C) * size_t(R), 0);
    auto at = [C](int c, int r) { return size_t(r) * size_t(C) + size_t(c); };

    for (int r = 1; r < R; ++r) {
        for (int k = 1; k < C; ++k) {
            if (visited[at(k, r)])
                continue;
            store::Range g{k, r, k, r};
            if (int i = owner[at(k, r)]; i >= 0)
                g = ranges[i];
            // Header cells are never printed.
            const int a = std::max(g.left, 1), b = g.right, t = std::max(g.top, 1), u = g.bottom;
            int W = 0;
            for (int c = a; c <= b; ++c)
                W += w[size_t(c)];
            for (int l = t; l <= u; ++l) {
                for (int c = a; c <= b; ++c)
                    visited[at(c, l)] = 1;
                work[at(a, l)] = Work{W, l == t ? int(at(g.left, g.top)) : -1};
            }
            const store::Cell& cell = grid.cell(g.left, g.top);
            if (cell.inner.width == 2) {
                for (int c = a; c <= b; ++c) {
                    horizontal.set(c, t);
                    horizontal.set(c, u + 1);
                }
                for (int l = t; l <= u; ++l) {
                    vertical.set(a - 1, l);
                    vertical.set(b, l);
                }
                used[size_t(a - 1)] = true;
                used[size_t(b)] = true;
            }
            // A cell holds one line; of a text that has more, the first is printed and the cell reported.
            if (out.status && (cell.text.contains(u'\r') || cell.text.contains(u'\n')))
                out.status = Status::damaged(QStringLiteral("Ячейка %1%2 содержит несколько строк: печатается только первая.")
                                                 .arg(columnName(g.left))
                                                 .arg(g.top));
        }
    }

    // Appends a work text: the cell's first line through the printer table, cut or
    // padded to its width.
    auto appendWork = [&](QByteArray& line, const Work& x) {
        qsizetype n = 0;
        if (x.textCell >= 0) {
            const QString& text = grid.cell(x.textCell % C, x.textCell / C).text;
            for (; n < text.size() && n < x.width; ++n) {
                const QChar c = text[n];
                if (c == u'\r' || c == u'\n')
                    break;
                line += char(text::printerByte(uint8_t(text::toCp1251Byte(c))));
            }
        }
        line.append(x.width - n, ' ');
    };

    auto junctionAt = [&](int j, int i) {
        return junction(vertical.get(j, i - 1) && i - 1 >= 1, vertical.get(j, i) && i <= R - 1,
                        horizontal.get(j, i) && j >= 1, horizontal.get(j + 1, i) && j + 1 <= C - 1);
    };
    auto lineRow = [&](int i) -> std::optional<QByteArray> {
        bool any = false;
        for (int k = 1; k < C && !any; ++k)
            any = horizontal.get(k, i);
        for (int j = 0; j < C && !any; ++j)
            any = junctionAt(j, i) != 0;
        if (!any)
            return std::nullopt;
        QByteArray line;
        line.reserve(kMaxLineLength * 2);
        for (int j = 0; j < C; ++j) {
            // Only used positions take a character, as in the text rows; inside a
            // merged frame the line runs on without one.
            if (used[size_t(j)]) {
                if (char ch = junctionAt(j, i))
                    line += ch;
                else
                    line += line.endsWith(box::Horizontal) ? box::Horizontal
                                                           : (vertical.get(j, i - 1) ? box::Vertical : ' ');
            }
            if (j + 1 <= C - 1)
                line.append(w[size_t(j + 1)], horizontal.get(j + 1, i) ? box::Horizontal : ' ');
        }
        return line;
    };

    auto push = [&](const QByteArray& line) { out.lines << line.left(kMaxLineLength); };
    for (int r = 1; r < R; ++r) {
        if (auto line = lineRow(r))
            push(*line);
        QByteArray text;
        text.reserve(kMaxLineLength * 2);
        for (int k = 1; k < C; ++k) {
            if (vertical.get(k - 1, r))
                text += box::Vertical;
            else if (used[size_t(k - 1)])
                text += ' ';
            if (const Work& x = work[at(k, r)]; x.width >= 0)
                appendWork(text, x);
        }
        if (vertical.get(C - 1, r))
            text += box::Vertical;
        push(text);
    }
    if (auto line = lineRow(R))
        push(*line);
    if (formFeed)
        out.lines << QByteArray(1, kFormFeed);
    return out;
}

QString previewText(const PrinterText& text)
{
    QStringList lines;
    for (const QByteArray& line : text.lines)
        lines << rastrova::text::fromCp866(line);
    return lines.join(u'\n');
}

} // namespace rastrova::render
