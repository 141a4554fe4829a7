// What a driver program sends, from arbitrary bytes, fed in pieces whose sizes
// come from the input too: the reader must never crash, never hold more than a
// lead, a header or a reply record, and must read the same packets whatever
// the pieces.
//
// The same input also describes a well-formed stream, written here packet by
// packet from the wire layout (lead: kind, padding, version 1; block header of 92
// bytes with the data length at offset 4; a reply record of 20 bytes: id,
// address, length at offset 8, four data bytes): reply records, blocks of other
// lengths, "DUA" blocks, ready and close packets and leads of unknown kinds. Read
// in pieces, it must give exactly the replies and events written.

#include "driverlink/records.h"

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using rastrova::driverlink::PacketReader;
using rastrova::driverlink::ReplyRecord;

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
void put32(QByteArray& b, qsizetype at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (8 * i) & 0xFF);
}

QByteArray leadOf(const char* kind)
{
    QByteArray b(6, '\0');
    std::memcpy(b.data(), kind, 3);
    b[4] = 1;
    return b;
}

QByteArray blockHeader(int32_t dataLength)
{
    QByteArray b(92, '\x5A');
    put32(b, 4, uint32_t(dataLength));
    return b;
}

struct Written {
    QByteArray stream;
    QList<ReplyRecord> replies;
    bool ready = false, close = false;
};

// Packets described by `in`: each a choice byte, then what that packet needs.
Written wellFormed(QByteArrayView in)
{
    Written w;
    qsizetype at = 0;
    auto next = [&]() -> uint8_t { return at < in.size() ? uint8_t(in[at++]) : 0; };
    while (at < in.size() && w.stream.size() < 64 * 1024) {
        const uint8_t choice = next();
        switch (choice % 6) {
        case 0: { // a reply record
            ReplyRecord r;
            for (int i = 0; i < 4; ++i)
                r.id |= uint32_t(next()) << (8 * i);
            r.address = next();
            r.length = int32_t(int8_t(next()));
            for (auto& d : r.data)
                d = next();
            QByteArray record(20, '\0');
            put32(record, 0, r.id);
            record[4] = char(r.address);
            put32(record, 8, uint32_t(r.length));
            for (int i = 0; i < 4; ++i)
                record[12 + i] = char(r.data[size_t(i)]);
            w.stream += leadOf("DSP") + blockHeader(20) + record;
            w.replies << r;
            break;
        }
        case 1:   // a reply block of another length: read past
        case 2: { // a "DUA" block of any length: read past
            int32_t length = next() % 64;
            if (choice % 6 == 1 && length == 20)
                length = 21;
            w.stream +=
                leadOf(choice % 6 == 1 ? "DSP" : "DUA") + blockHeader(length) + QByteArray(length, '\x33');
            break;
        }
        case 3:
            w.stream += leadOf("DKP");
            w.ready = true;
            break;
        case 4:
            w.stream += leadOf("000");
            w.close = true;
            break;
        default: // a lead of a kind the reader does not know
            w.stream += leadOf("CKP");
            break;
        }
    }
    return w;
}

bool sameRecords(const QList<ReplyRecord>& a, const QList<ReplyRecord>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].id != b[i].id || a[i].address != b[i].address || a[i].length != b[i].length ||
            a[i].data != b[i].data)
            return false;
    return true;
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
    if (!all.nonsense && !parts.nonsense &&
        (all.ids != parts.ids || all.ready != parts.ready || all.close != parts.close))
        std::abort();

    // The well-formed stream, in the same pieces.
    const Written w = wellFormed(bytes);
    PacketReader reader;
    QList<ReplyRecord> read;
    bool ready = false, close = false;
    for (qsizetype at = 0; at < w.stream.size(); at += piece) {
        const PacketReader::Events e = reader.feed(
            QByteArrayView(w.stream).sliced(at, std::min<qsizetype>(piece, w.stream.size() - at)));
        if (e.nonsense) {
            std::fprintf(stderr, "fuzz_driverlink: a well-formed stream was called nonsense\n");
            std::abort();
        }
        read += e.replies;
        ready = ready || e.ready;
        close = close || e.close;
    }
    if (!sameRecords(read, w.replies) || ready != w.ready || close != w.close || reader.pending() != 0) {
        std::fprintf(
            stderr,
            "fuzz_driverlink: a well-formed stream read back as other packets (%lld of %lld replies)\n",
            static_cast<long long>(read.size()), static_cast<long long>(w.replies.size()));
        std::abort();
    }
    return 0;
}
