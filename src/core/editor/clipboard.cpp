#include "editor/clipboard.h"

#include "editor/rangeindex.h"
#include "store/gridfile.h"
#include "text/codepage.h"

#include <QMimeData>
#include <QStringDecoder>
#include <algorithm>
#include <optional>
#include <vector>

namespace rastrova::editor {

using gridops_detail::RangeIndex;
using gridops_detail::replaceRanges;
using store::Cell;
using store::Grid;
using store::Range;

namespace {

constexpr int kFirstData = 1;
// The largest block the cells form carries: a whole blank.
constexpr int kMaxFormCols = store::kBlankGridLimits.maxCols - 1;
constexpr int kMaxFormRows = store::kBlankGridLimits.maxRows - 1;

// The cells form:
//   "RCEL", version byte 1
//   u16 width, u16 height of the block
//   u32 number of merged ranges; each as u16 left, top, right, bottom in the block
//   for each cell, row by row: u8 0 (left out) or 1, then for 1 the cell:
//     text, hint: strings; colour: i32; inner, outer border: i32 colour, u8 width
//     u16 mask of the optional properties (kHas*), then those present in mask order
//     graphic: string
// Numbers are big-endian; a string is a u32 byte count and UTF-8 bytes.
constexpr char kMagic[] = "RCEL";
constexpr quint8 kVersion = 1;

enum : quint16 {
    kHasFont = 1 << 0,
    kHasTextAlignment = 1 << 1,
    kHasTextLayout = 1 << 2,
    kHasGraphicAlignment = 1 << 3,
    kHasGraphicLayout = 1 << 4,
    kHasMaxLength = 1 << 5,
    kHasReadOnly = 1 << 6,
    kHasWordWrap = 1 << 7,
    kHasCheckBox = 1 << 8,
    kKnownMask = (1 << 9) - 1,
};

struct OptionalInt {
    std::optional<int> Cell::*member;
    quint16 bit;
};
constexpr OptionalInt kOptionalInts[] = {
    {&Cell::textAlignment, kHasTextAlignment}, {&Cell::textLayout, kHasTextLayout},
    {&Cell::graphicAlignment, kHasGraphicAlignment}, {&Cell::graphicLayout, kHasGraphicLayout},
    {&Cell::maxLength, kHasMaxLength},
};

class Writer {
public:
    void u8(quint32 v) { out_.append(char(v & 0xFF)); }
    void u16(quint32 v)
    {
        u8(v >> 8);
        u8(v);
    }
    void u32(quint32 v)
    {
        u16(v >> 16);
        u16(v);
    }
    void i32(qint32 v) { u32(quint32(v)); }
    void str(const QString& s)
    {
        const QByteArray b = s.toUtf8();
        u32(quint32(b.size()));
        out_.append(b);
    }
    QByteArray take() { return std::move(out_); }

private:
    QByteArray out_;
};

// Reads the cells form; any read past the end, or any value out of its range,
// makes the whole form damaged.
class Reader {
public:
    explicit Reader(QByteArrayView in) : in_(in) {}

    bool ok() const { return ok_; }
    bool atEnd() const { return pos_ == in_.size(); }
    void fail() { ok_ = false; }

    quint32 u8()
    {
        if (!need(1))
            return 0;
        return quint8(in_[pos_++]);
    }
    quint32 u16()
    {
        const quint32 hi = u8();
        return (hi << 8) | u8();
    }
    quint32 u32()
    {
        const quint32 hi = u16();
        return (hi << 16) | u16();
    }
    qint32 i32() { return qint32(u32()); }
    bool flag()
    {
        const quint32 v = u8();
        if (v > 1)
            fail();
        return v == 1;
    }
    QString str()
    {
        const quint32 n = u32();
        if (!need(qsizetype(n)))
            return {};
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString s = utf8(in_.sliced(pos_, qsizetype(n)));
        if (utf8.hasError())
            fail();
        pos_ += qsizetype(n);
        return s;
    }

private:
    bool need(qsizetype n)
    {
        if (ok_ && n >= 0 && in_.size() - pos_ >= n)
            return true;
        ok_ = false;
        return false;
    }

    QByteArrayView in_;
    qsizetype pos_ = 0;
    bool ok_ = true;
};

void writeCell(Writer& w, const Cell& cell)
{
    w.str(cell.text);
    w.str(cell.hint);
    w.i32(cell.colour);
    w.i32(cell.inner.colour);
    w.u8(quint32(std::clamp(cell.inner.width, 0, 255)));
    w.i32(cell.outer.colour);
    w.u8(quint32(std::clamp(cell.outer.width, 0, 255)));

    quint16 mask = 0;
    if (cell.font)
        mask |= kHasFont;
    for (const OptionalInt& p : kOptionalInts)
        if ((cell.*p.member).has_value())
            mask |= p.bit;
    if (cell.readOnly)
        mask |= kHasReadOnly;
    if (cell.wordWrap)
        mask |= kHasWordWrap;
    if (cell.checkBox)
        mask |= kHasCheckBox;
    w.u16(mask);

    if (cell.font) {
        w.str(cell.font->name);
        w.i32(cell.font->size);
        w.i32(cell.font->colour);
        w.i32(cell.font->charset);
        w.i32(cell.font->pitch);
        w.i32(cell.font->style);
    }
    for (const OptionalInt& p : kOptionalInts)
        if ((cell.*p.member).has_value())
            w.i32(*(cell.*p.member));
    if (cell.readOnly)
        w.u8(*cell.readOnly);
    if (cell.wordWrap)
        w.u8(*cell.wordWrap);
    if (cell.checkBox) {
        w.u8(cell.checkBox->checked);
        w.i32(cell.checkBox->alignment);
    }
    w.str(cell.graphic);
}

Cell readCell(Reader& in)
{
    Cell cell;
    cell.text = in.str();
    cell.hint = in.str();
    cell.colour = in.i32();
    cell.inner.colour = in.i32();
    cell.inner.width = int(in.u8());
    cell.outer.colour = in.i32();
    cell.outer.width = int(in.u8());

    const quint16 mask = quint16(in.u16());
    if (mask & ~kKnownMask)
        in.fail();
    if (mask & kHasFont) {
        store::Font f;
        f.name = in.str();
        f.size = in.i32();
        f.colour = in.i32();
        f.charset = in.i32();
        f.pitch = in.i32();
        f.style = in.i32();
        cell.font = f;
    }
    for (const OptionalInt& p : kOptionalInts)
        if (mask & p.bit)
            cell.*p.member = in.i32();
    if (mask & kHasReadOnly)
        cell.readOnly = in.flag();
    if (mask & kHasWordWrap)
        cell.wordWrap = in.flag();
    if (mask & kHasCheckBox) {
        store::CheckBox box;
        box.checked = in.flag();
        box.alignment = in.i32();
        cell.checkBox = box;
    }
    cell.graphic = in.str();
    return cell;
}

// A block of cells to paste: the cells form read back, or plain text.
struct Block {
    int width = 0, height = 0;
    bool textsOnly = false;                // plain text: only texts change
    std::vector<std::optional<Cell>> cells; // row by row; empty for a cell left out
    QList<Range> ranges;                    // in block coordinates
    const std::optional<Cell>& at(int c, int r) const { return cells[size_t(r) * size_t(width) + size_t(c)]; }
};

Status damagedForm()
{
    return Status::damaged(
        QStringLiteral("Данные ячеек в буфере обмена повреждены. Вставка не выполнена."));
}

// The first character of `text` that code page 1251 cannot hold (a surrogate pair
// whole); empty when there is none.
QString unencodable(QStringView text)
{
    if (text::fitsCp1251(text))
        return {};
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text::fitsCp1251(text.mid(i, 1)))
            continue;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            return text.mid(i, 2).toString();
        return text.mid(i, 1).toString();
    }
    return {};
}

Status refuseCharacter(const QString& bad)
{
    return Status::refused(QStringLiteral("Вставляемый текст содержит символ \"%1\", которого нет в "
                                          "кодировке Windows-1251. Такой текст нельзя поместить в бланк, "
                                          "вставка не выполнена.")
                               .arg(bad));
}

Status checkCharacters(const Cell& cell)
{
    for (const QString* s : {&cell.text, &cell.hint, &cell.graphic})
        if (QString bad = unencodable(*s); !bad.isEmpty())
            return refuseCharacter(bad);
    if (cell.font)
        if (QString bad = unencodable(cell.font->name); !bad.isEmpty())
            return refuseCharacter(bad);
    return Status::ok();
}

Status readBlock(QByteArrayView bytes, Block& block)
{
    if (bytes.size() > kMaxCellsFormBytes || !bytes.startsWith(QByteArrayView(kMagic, 4)))
        return damagedForm();
    Reader in(bytes.sliced(4));
    if (in.u8() != kVersion)
        return damagedForm();
    block.width = int(in.u16());
    block.height = int(in.u16());
    if (!in.ok() || block.width < 1 || block.height < 1 || block.width > kMaxFormCols ||
        block.height > kMaxFormRows)
        return damagedForm();

    const quint32 rangeCount = in.u32();
    if (!in.ok() || rangeCount > quint32(block.width) * quint32(block.height) / 2)
        return damagedForm();
    std::vector<bool> covered(size_t(block.width) * size_t(block.height), false);
    for (quint32 i = 0; i < rangeCount; ++i) {
        Range g;
        g.left = int(in.u16());
        g.top = int(in.u16());
        g.right = int(in.u16());
        g.bottom = int(in.u16());
        if (!in.ok() || g.left > g.right || g.top > g.bottom || g.right >= block.width ||
            g.bottom >= block.height || g.isSingleCell())
            return damagedForm();
        for (int r = g.top; r <= g.bottom; ++r)
            for (int c = g.left; c <= g.right; ++c) {
                const size_t k = size_t(r) * size_t(block.width) + size_t(c);
                if (covered[k])
                    return damagedForm();
                covered[k] = true;
            }
        block.ranges.append(g);
    }

    block.cells.resize(size_t(block.width) * size_t(block.height));
    for (size_t k = 0; k < block.cells.size(); ++k) {
        if (in.flag())
            block.cells[k] = readCell(in);
        else if (covered[k])
            return damagedForm(); // a copied range carries all its cells
        if (!in.ok())
            return damagedForm();
    }
    if (!in.atEnd())
        return damagedForm();

    for (const auto& cell : block.cells)
        if (cell)
            if (Status st = checkCharacters(*cell); !st)
                return st;
    return Status::ok();
}

bool hasSelectedDataCell(const Grid& grid, const Selection& selection)
{
    for (const Range& s : selection.rects()) {
        const int left = std::max(s.left, kFirstData), top = std::max(s.top, kFirstData);
        if (left <= std::min(s.right, grid.colCount() - 1) && top <= std::min(s.bottom, grid.rowCount() - 1))
            return true;
    }
    return false;
}

// The data cells of the bounding rectangle of `source`, at most a whole blank.
std::optional<Range> copyArea(const Grid& grid, const Selection& source)
{
    if (source.isEmpty())
        return std::nullopt;
    const Range b = source.bounds();
    Range a{std::max(b.left, kFirstData), std::max(b.top, kFirstData), std::min(b.right, grid.colCount() - 1),
            std::min(b.bottom, grid.rowCount() - 1)};
    if (a.left > a.right || a.top > a.bottom)
        return std::nullopt;
    a.right = std::min(a.right, a.left + kMaxFormCols - 1);
    a.bottom = std::min(a.bottom, a.top + kMaxFormRows - 1);
    return a;
}

QString quotedIfMultiLine(QString text)
{
    // A TAB, or a double quote at the start, would split the text on a paste too.
    if (!text.contains(u'\n') && !text.contains(u'\r') && !text.contains(u'\t') && !text.startsWith(u'"'))
        return text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'"', QLatin1String("\"\""));
    return u'"' + text + u'"';
}

// Puts `block` into the grid at (col, row); the block has been checked.
void pasteBlock(Grid& grid, int col, int row, const Block& block, Range* filled)
{
    if (block.width == 0 || block.height == 0 || col < kFirstData || row < kFirstData ||
        col >= grid.colCount() || row >= grid.rowCount())
        return;

    // Grow to the paste's size, but not beyond the limits (nor shrink a blank that
    // is already larger).
    const int colLimit = std::max(grid.colCount() - 1, kMaxDataColumns);
    const int rowLimit = std::max(grid.rowCount() - 1, kMaxDataRows);
    const Range area{col, row, std::min(col + block.width - 1, colLimit),
                     std::min(row + block.height - 1, rowLimit)};
    if (area.right >= grid.colCount())
        appendColumns(grid, area.right + 1 - grid.colCount());
    if (area.bottom >= grid.rowCount())
        grid.resize(grid.colCount(), area.bottom + 1);

    if (block.textsOnly) {
        // Texts go into cells as they are; one aimed at a covered cell is dropped.
        const RangeIndex index(grid);
        for (int r = area.top; r <= area.bottom; ++r)
            for (int c = area.left; c <= area.right; ++c) {
                const auto& cell = block.at(c - col, r - row);
                if (cell && index.isTopLeft(c, r) && !grid.isReadOnly(c, r))
                    grid.setText(c, r, cell->text);
            }
    } else {
        auto slot = [&](int c, int r) {
            return size_t(r - area.top) * size_t(area.width()) + size_t(c - area.left);
        };
        std::vector<bool> readOnly(size_t(area.width()) * size_t(area.height()));
        for (int r = area.top; r <= area.bottom; ++r)
            for (int c = area.left; c <= area.right; ++c)
                readOnly[slot(c, r)] = grid.isReadOnly(c, r);
        auto isReadOnly = [&](int c, int r) { return readOnly[slot(c, r)]; };

        // The grid's ranges that reach into the paste give way to the pasted ones.
        QList<Range> ranges;
        for (const Range& g : grid.ranges())
            if (!g.intersects(area))
                ranges.append(g);
        for (Range g : block.ranges) {
            g = {g.left + col, g.top + row, std::min(g.right + col, area.right),
                 std::min(g.bottom + row, area.bottom)};
            if (g.left > area.right || g.top > area.bottom || g.isSingleCell())
                continue;
            bool free = true;
            for (int r = g.top; r <= g.bottom && free; ++r)
                for (int c = g.left; c <= g.right && free; ++c)
                    free = !isReadOnly(c, r);
            if (free)
                ranges.append(g);
        }

        for (int r = area.top; r <= area.bottom; ++r)
            for (int c = area.left; c <= area.right; ++c)
                if (const auto& cell = block.at(c - col, r - row); cell && !isReadOnly(c, r))
                    grid.cell(c, r) = *cell;
        replaceRanges(grid, std::move(ranges));
    }
    if (filled)
        *filled = area;
}

} // namespace

Selection copySource(const Grid& grid, const Selection& selection, int currentCol, int currentRow)
{
    if (hasSelectedDataCell(grid, selection))
        return selection;
    if (currentCol < kFirstData || currentRow < kFirstData || currentCol >= grid.colCount() ||
        currentRow >= grid.rowCount())
        return {};
    return Selection(grid.regionAt(currentCol, currentRow));
}

QString selectionText(const Grid& grid, const Selection& source)
{
    const std::optional<Range> area = copyArea(grid, source);
    if (!area)
        return {};
    const RangeIndex index(grid);
    QString out;
    for (int r = area->top; r <= area->bottom; ++r) {
        if (r > area->top)
            out += QLatin1String("\r\n");
        for (int c = area->left; c <= area->right; ++c) {
            if (c > area->left)
                out += u'\t';
            if (source.contains(c, r) && index.isTopLeft(c, r))
                out += quotedIfMultiLine(grid.text(c, r));
        }
    }
    return out;
}

ClipboardContent copyCells(const Grid& grid, const Selection& source)
{
    const std::optional<Range> area = copyArea(grid, source);
    if (!area)
        return {};
    const RangeIndex index(grid);

    // A range goes along when it lies inside the rectangle and its top-left cell is
    // selected; all its cells go with it.
    std::vector<bool> copiedRange(size_t(grid.ranges().size()), false);
    QList<Range> ranges;
    for (qsizetype i = 0; i < grid.ranges().size(); ++i) {
        const Range& g = grid.ranges()[i];
        const bool inside = g.left >= area->left && g.right <= area->right && g.top >= area->top &&
                            g.bottom <= area->bottom;
        if (inside && source.contains(g.left, g.top)) {
            copiedRange[size_t(i)] = true;
            ranges.append(
                Range{g.left - area->left, g.top - area->top, g.right - area->left, g.bottom - area->top});
        }
    }

    Writer w;
    w.u8(quint8(kMagic[0]));
    w.u8(quint8(kMagic[1]));
    w.u8(quint8(kMagic[2]));
    w.u8(quint8(kMagic[3]));
    w.u8(kVersion);
    w.u16(quint32(area->width()));
    w.u16(quint32(area->height()));
    w.u32(quint32(ranges.size()));
    for (const Range& g : ranges) {
        w.u16(quint32(g.left));
        w.u16(quint32(g.top));
        w.u16(quint32(g.right));
        w.u16(quint32(g.bottom));
    }
    for (int r = area->top; r <= area->bottom; ++r)
        for (int c = area->left; c <= area->right; ++c) {
            const int owner = index.rangeAt(c, r);
            bool present;
            if (owner >= 0 && copiedRange[size_t(owner)])
                present = true;
            else
                present = source.contains(c, r) && index.isTopLeft(c, r);
            w.u8(present);
            if (present)
                writeCell(w, grid.cell(c, r));
        }

    ClipboardContent content;
    content.cells = w.take();
    content.text = selectionText(grid, source);
    return content;
}

ClipboardContent cutCells(Grid& grid, const Selection& source)
{
    ClipboardContent content = copyCells(grid, source);
    clearCells(grid, source);
    return content;
}

QList<QStringList> parseClipboardText(QStringView text, int maxRows, int maxCols)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto isBreak = [](QChar ch) { return ch == u'\r' || ch == u'\n'; };
    auto skipBreak = [&] { // past one line break: CR LF, LF or CR
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        ++i;
    };
    auto endField = [&] {
        if (row.size() < maxCols)
            row.append(field);
        field.clear();
    };

    while (i < n && rows.size() < maxRows) {
        if (text[i] == u'"') {
            // Quoted: "" stands for ", a line break becomes a blank. Anything after
            // the closing quote up to the next TAB or line break is kept as it is.
            ++i;
            while (i < n) {
                const QChar ch = text[i];
                if (ch == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        field += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (isBreak(ch)) {
                    field += u' ';
                    skipBreak();
                    continue;
                }
                field += ch;
                ++i;
            }
        }
        while (i < n && text[i] != u'\t' && !isBreak(text[i]))
            field += text[i++];

        endField();
        if (i < n && text[i] == u'\t') {
            ++i;
            if (i == n) { // a TAB at the very end opens one more, empty, cell
                endField();
                rows.append(row);
            }
            continue;
        }
        if (i < n)
            skipBreak();
        rows.append(row);
        row.clear();
    }
    return rows;
}

Status pasteCells(Grid& grid, int col, int row, QByteArrayView cells, Range* filled)
{
    Block block;
    if (Status st = readBlock(cells, block); !st)
        return st;
    pasteBlock(grid, col, row, block, filled);
    return Status::ok();
}

Status pasteText(Grid& grid, int col, int row, QStringView text, Range* filled)
{
    const QList<QStringList> rows = parseClipboardText(text, kMaxFormRows, kMaxFormCols);
    for (const QStringList& r : rows)
        for (const QString& t : r)
            if (QString bad = unencodable(t); !bad.isEmpty())
                return refuseCharacter(bad);
    Block block;
    block.textsOnly = true;
    block.height = int(rows.size());
    for (const QStringList& r : rows)
        block.width = std::max(block.width, int(r.size()));
    block.cells.resize(size_t(block.width) * size_t(block.height));
    for (int r = 0; r < block.height; ++r)
        for (int c = 0; c < int(rows[r].size()); ++c) {
            Cell cell;
            cell.text = rows[r][c];
            block.cells[size_t(r) * size_t(block.width) + size_t(c)] = std::move(cell);
        }
    pasteBlock(grid, col, row, block, filled);
    return Status::ok();
}

QMimeData* toMimeData(const ClipboardContent& content)
{
    auto* mime = new QMimeData;
    if (!content.cells.isEmpty())
        mime->setData(QString::fromLatin1(kCellsMimeType), content.cells);
    mime->setText(content.text);
    return mime;
}

bool canPaste(const QMimeData* mime)
{
    return mime && (mime->hasFormat(QString::fromLatin1(kCellsMimeType)) || mime->hasText());
}

Status paste(Grid& grid, int col, int row, const QMimeData& mime, Range* filled)
{
    if (mime.hasFormat(QString::fromLatin1(kCellsMimeType)))
        return pasteCells(grid, col, row, mime.data(QString::fromLatin1(kCellsMimeType)), filled);
    if (mime.hasText())
        return pasteText(grid, col, row, mime.text(), filled);
    return Status::ok();
}

} // namespace rastrova::editor
