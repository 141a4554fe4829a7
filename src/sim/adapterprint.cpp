// How the simulated adapter reads its memory for a print test:
//
//   0..255      directory: 128 offsets, high byte first; the hourly blanks until an
//               entry FF 00, then the archive blanks until the next FF 00
//   offset      a blank image: line count, lines per page, D, SETN, D descriptors of
//               six bytes, then the text lines, each ended by 0x0D
//
// A reference descriptor (line, format, column, address high, address low, 0) gets a
// sample value written into its line from its column on, over blanks only, so the
// frame characters that follow stay. An archive-mark descriptor (line, kind F0..F3
// or FF, column, start depth, end depth, 0) makes its line print once per archive
// record, from the start depth down to the end depth (down to 1 without one).
//
// Nothing in the memory is trusted: every offset is checked against the memory and
// the printout as a whole is bounded.

#include "adapterprint.h"

#include "text/codepage.h"

#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace rastrova::sim {

namespace {

constexpr std::size_t kDirectoryBytes = 256;
constexpr int kDirectoryEntries = 128;
constexpr int kMaxArchiveRows = 255;

std::string cp866(const QString& s)
{
    const QByteArray bytes = text::toPrinterBytes(text::toCp1251Lossy(s));
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

// Collects the printout and keeps it within its byte budget (line ends included).
class Printout {
public:
    explicit Printout(std::size_t limit) : left_(limit) {}

    bool add(std::string line)
    {
        if (full_)
            return false;
        if (line.size() + 2 > left_) {
            full_ = true;
            return false;
        }
        left_ -= line.size() + 2;
        lines_.push_back(std::move(line));
        return true;
    }
    bool full() const { return full_; }
    std::vector<std::string> take() { return std::move(lines_); }

private:
    std::vector<std::string> lines_;
    std::size_t left_;
    bool full_ = false;
};

struct Directory {
    std::vector<std::size_t> hourly;
    std::vector<std::size_t> archive;
};

// Reads the directory; false when the memory holds none (erased memory, for one).
bool readDirectory(const unsigned char* m, std::size_t size, Directory& dir)
{
    if (size < kDirectoryBytes)
        return false;
    int i = 0;
    for (std::vector<std::size_t>* list : {&dir.hourly, &dir.archive}) {
        for (;; ++i) {
            if (i >= kDirectoryEntries)
                return false;
            const unsigned entry = unsigned(m[2 * i]) << 8 | m[2 * i + 1];
            if (entry == 0xFF00)
                break;
            if (entry == 0xFFFF || entry < kDirectoryBytes || entry + 4 > size)
                return false;
            list->push_back(entry);
        }
        ++i;
    }
    return true;
}

struct Descriptor {
    uint8_t line;
    uint8_t kind; // format byte of a reference, F0..F3 or FF for an archive mark
    uint8_t column;
    uint8_t b3;
    uint8_t b4;

    bool isArchiveMark() const { return kind >= 0xF0; }
    unsigned address() const { return unsigned(b3) << 8 | b4; }
};

// ---- Sample values --------------------------------------------------------------

// Civil date from days since 1970-01-01.
void civilFromDays(long z, int& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = int(yoe) + int(era) * 400 + (m <= 2 ? 1 : 0);
}

// 09.12.2026, the date the adapter's clock shows.
constexpr long kToday = 20796;

std::string dateText(int daysBack)
{
    int y;
    unsigned m, d;
    civilFromDays(kToday - daysBack, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02u.%02u.%02d", d, m, y % 100);
    return buf;
}

uint32_t mix(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

// A number in the format p.q of the format byte: p digits before the point (9: not
// formatted, three digits), q decimals (F: an integer). The value depends on the
// parameter's address and drifts a little from one archive row to the next.
std::string numberText(uint8_t format, unsigned address, int row)
{
    int p = format >> 4;
    const int q = format & 0x0F;
    if (p > 8)
        p = 3;
    const int decimals = q == 0x0F ? 0 : (q <= 6 ? q : 2);
    long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    long long lowest = 0, span = 1;
    if (p > 0) {
        lowest = 1;
        for (int i = 1; i < p; ++i)
            lowest *= 10;
        span = lowest * 9;
    }
    const uint32_t h = mix(address * 2654435761u + 12345u);
    const long long units = span * scale;
    long long value = (lowest * scale) + (long long)(h % uint64_t(units));
    if (row > 0) {
        const long long step = std::max<long long>(1, scale / 10) * (1 + long(h >> 28) % 5);
        value = lowest * scale + (value - lowest * scale + step * row) % units;
    }
    char buf[48];
    if (decimals == 0)
        std::snprintf(buf, sizeof buf, "%lld", value);
    else
        std::snprintf(buf, sizeof buf, "%lld.%0*lld", value / scale, decimals, value % scale);
    return buf;
}

// `row` is -1 outside an archive row; in one it counts the records printed so far,
// and `depth` is the record's depth in days.
std::string valueText(const Descriptor& d, int row, int depth)
{
    switch (d.address()) {
    case 0x4015: {
        if (row < 0)
            return "12:00";
        char buf[8];
        std::snprintf(buf, sizeof buf, "%02d:00", row % 24);
        return buf;
    }
    case 0x4016:
        return dateText(row < 0 ? 0 : depth);
    case 0x4017:
        return "2026";
    case 0x403C:
        return "12345";
    default:
        return numberText(d.kind, d.address(), std::max(row, 0));
    }
}

// Writes `value` into `line` from `column` on, over blanks only; what does not fit stays out.
void putValue(std::string& line, std::size_t column, const std::string& value)
{
    for (std::size_t i = 0; i < value.size(); ++i) {
        const std::size_t at = column + i;
        if (at >= line.size() || line[at] != ' ')
            break;
        line[at] = value[i];
    }
}

// ---- Blanks -----------------------------------------------------------------------

// Prints one blank image; false when the printout is full.
bool printBlank(const unsigned char* m, std::size_t size, std::size_t offset, Printout& out)
{
    const int lineCount = m[offset];
    const int count = m[offset + 2];
    std::size_t pos = offset + 4;
    std::vector<Descriptor> descriptors;
    for (int i = 0; i < count; ++i, pos += 6) {
        if (pos + 6 > size)
            return true; // a damaged image: nothing to print
        descriptors.push_back({m[pos], m[pos + 1], m[pos + 2], m[pos + 3], m[pos + 4]});
    }

    for (int l = 0; l < lineCount && pos < size; ++l) {
        const unsigned char* begin = m + pos;
        const unsigned char* end = std::find(begin, m + size, 0x0D);
        std::string line(reinterpret_cast<const char*>(begin), std::size_t(end - begin));
        pos += line.size() + 1;

        const Descriptor* mark = nullptr;
        for (const Descriptor& d : descriptors)
            if (d.line == l && d.isArchiveMark()) {
                mark = &d;
                break;
            }

        if (!mark) {
            for (const Descriptor& d : descriptors)
                if (d.line == l && !d.isArchiveMark())
                    putValue(line, d.column, valueText(d, -1, 0));
            if (!out.add(std::move(line)))
                return false;
            continue;
        }

        const int start = mark->b3;
        const int stop = mark->b4 > 0 ? mark->b4 : 1;
        const int rows = std::clamp(start - stop + 1, 1, kMaxArchiveRows);
        for (int row = 0; row < rows; ++row) {
            std::string printed = line;
            for (const Descriptor& d : descriptors)
                if (d.line == l && !d.isArchiveMark())
                    putValue(printed, d.column, valueText(d, row, start - row));
            if (!out.add(std::move(printed)))
                return false;
        }
    }
    return true;
}

} // namespace

std::vector<std::string> printTestLines(const unsigned char* memory, std::size_t size, bool archive,
                                        std::size_t limit)
{
    Printout out(limit);
    Directory dir;
    if (!readDirectory(memory, size, dir)) {
        out.add(cp866(QStringLiteral("Бланки не запрограммированы")));
        return out.take();
    }
    const std::vector<std::size_t>& blanks = archive ? dir.archive : dir.hourly;
    if (blanks.empty()) {
        out.add(cp866(archive ? QStringLiteral("Архивных бланков нет")
                              : QStringLiteral("Почасовых бланков нет")));
        return out.take();
    }
    for (std::size_t offset : blanks)
        if (!printBlank(memory, size, offset, out))
            break;
    return out.take();
}

} // namespace rastrova::sim
