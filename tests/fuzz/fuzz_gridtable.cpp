// Grid-table files and blank files from arbitrary bytes: reading must never
// crash, and a grid that was read, written, read and written again must give the
// same file the second time (a written file reads back to the same file).
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
    std::fprintf(stderr, "fuzz_gridtable: %s\n--- first written file (%lld bytes)\n%s\n--- second (%lld bytes)\n%s\n",
                 what, static_cast<long long>(first.size()), first.toHex(' ').constData(),
                 static_cast<long long>(second.size()), second.toHex(' ').constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    BlankDocument blank;
    (void)parseBlank(bytes, blank);

    Grid grid;
    if (!parseGridTable(bytes, grid, kAnyGridLimits))
        return 0;

    QByteArray first;
    if (!gridTableBytes(grid, first))
        fail("a grid read from a file cannot be written", first, {});

    Grid again;
    if (!parseGridTable(first, again, kAnyGridLimits))
        fail("a written file does not read back", first, {});

    QByteArray second;
    if (!gridTableBytes(again, second))
        fail("a grid read from a written file cannot be written", first, {});
    if (second != first)
        fail("a written file does not read back to the same file", first, second);
    return 0;
}
