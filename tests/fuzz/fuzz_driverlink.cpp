// What a driver program sends, from arbitrary bytes, fed in pieces whose sizes
// come from the input too: the reader must never crash, never hold more than a
// lead, a header or a reply record, and must read the same packets whatever
// the pieces.

#include "driverlink/records.h"

#include <cstdint>
#include <cstdlib>

using rastrova::driverlink::PacketReader;

namespace {
struct Seen {
    QList<uint32_t> ids;
    bool ready = false, close = false;
    bool nonsense = false;
};

void take(Seen& seen, const PacketReader::Events& e)
{
    for (const auto& r : e.replies)
        seen.ids << r.id;
    seen.ready = seen.ready || e.ready;
    seen.close = seen.close || e.close;
    seen.nonsense = seen.nonsense || e.nonsense;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int piece = 1 + data[0] % 97;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));

    PacketReader whole;
    Seen all;
    take(all, whole.feed(bytes));

    PacketReader split;
    Seen parts;
    for (qsizetype at = 0; at < bytes.size() && !parts.nonsense; at += piece) {
        take(parts, split.feed(bytes.sliced(at, std::min<qsizetype>(piece, bytes.size() - at))));
        if (split.pending() > rastrova::driverlink::kHeaderBytes)
            std::abort();
    }
    // Once the reader calls the stream nonsense the connection is dropped, so
    // only what came before must agree.
    if (!all.nonsense && !parts.nonsense && (all.ids != parts.ids || all.ready != parts.ready || all.close != parts.close))
        std::abort();
    return 0;
}
