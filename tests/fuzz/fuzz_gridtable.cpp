// Blank files (grid-table files with the blank's settings) from arbitrary bytes:
// reading must never crash, and a blank that was read, written, read and written
// again must give the same file the second time (a written file reads back to
// the same file) and the same blank.
//
// The grid is read with a blank's limits (41 x 256 cells at most), as every
// blank is read: with the limits of any grid a few bytes may announce a grid of
// 262,144 cells, and each such input costs a hundred times the others.
// fuzz_paramlist reads with those limits. Each input is read once as it came and
// once as written: reading it a second time as a bare grid would find nothing new
// and halve the executions.
//
// The readers use only QtCore value types, so no application object is needed.

#include "store/blank.h"
#include "store/gridfile.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace rastrova::store;

namespace {

[[noreturn]] void fail(const char* what, const QByteArray& first, const QByteArray& second)
{
    std::fprintf(stderr,
                 "fuzz_gridtable: %s\n--- first written file (%lld bytes)\n%s\n--- second (%lld bytes)\n%s\n",
                 what, static_cast<long long>(first.size()), first.toHex(' ').constData(),
                 static_cast<long long>(second.size()), second.toHex(' ').constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    BlankDocument blank;
    if (!parseBlank(bytes, blank))
        return 0;
    if (blank.grid.colCount() > kBlankGridLimits.maxCols || blank.grid.rowCount() > kBlankGridLimits.maxRows)
        fail("a blank was read beyond the blank's limits", {}, {});

    QByteArray first;
    if (!blankFileBytes(blank, first))
        fail("a blank read from a file cannot be written", first, {});

    BlankDocument again;
    if (!parseBlank(first, again))
        fail("a written blank does not read back", first, {});
    // A setting is written on one line: a line break inside the task file name
    // (only a damaged file has one) becomes a blank, and the reader trims.
    BlankSettings expected = blank.settings;
    expected.taskFile = expected.taskFile.replace(u'\r', u' ').replace(u'\n', u' ').trimmed();
    if (again.settings != expected)
        fail("a written blank reads back with other settings", first, {});

    QByteArray second;
    if (!blankFileBytes(again, second))
        fail("a blank read from a written file cannot be written", first, {});
    if (second != first)
        fail("a written file does not read back to the same file", first, second);
    return 0;
}
