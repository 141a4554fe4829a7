// The driver link's wire records and the reader of what the driver sends. The
// expected bytes are written out by hand from the layout of the packets, never
// produced by the code under test.

#include "driverlink/records.h"

#include <gtest/gtest.h>

using namespace rastrova::driverlink;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// A lead sent by the driver: kind, padding, version (both free on receipt).
QByteArray driverLead(const char* kind, char padding = 0, char v0 = 1, char v1 = 0)
{
    QByteArray b(kind, 3);
    b += padding;
    b += v0;
    b += v1;
    return b;
}

// A block behind "DSP" or "DUA": the 92-byte header with the data length at 4..7
// (the other header bytes filled with noise the reader must ignore), then `data`.
QByteArray block(const char* kind, int32_t length, const QByteArray& data)
{
    QByteArray header(92, char(0x5A));
    const uint32_t u = uint32_t(length);
    header[4] = char(u & 0xFF);
    header[5] = char((u >> 8) & 0xFF);
    header[6] = char((u >> 16) & 0xFF);
    header[7] = char((u >> 24) & 0xFF);
    return driverLead(kind) + header + data;
}

// A 20-byte reply record: identifier, address, three free bytes, length, data 0..3,
// four free bytes.
QByteArray replyRecord(uint32_t id, int32_t length, uint8_t d0 = 0, uint8_t address = 1)
{
    QByteArray r(20, char(0xEE));
    for (int i = 0; i < 4; ++i)
        r[i] = char((id >> (8 * i)) & 0xFF);
    r[4] = char(address);
    for (int i = 0; i < 4; ++i)
        r[8 + i] = char((uint32_t(length) >> (8 * i)) & 0xFF);
    r[12] = char(d0);
    r[13] = r[14] = r[15] = 0;
    return r;
}

QByteArray dsp(uint32_t id, int32_t length, uint8_t d0 = 0)
{
    return block("DSP", 20, replyRecord(id, length, d0));
}

// ---- What the program sends ---------------------------------------------------------

TEST(DriverRecords, RequestPacketIsTheLeadTheHeaderAndTheRecord)
{
    RequestRecord r;
    r.id = 0x12345678;
    r.address = 0x21;
    r.length = 5;
    r.command = CmdWriteRecord;
    r.parameter = 0x0A0B;
    r.data = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};

    const QByteArray record = hex("78563412" "21" "05" "07" "0B0A" "11223344556677");
    EXPECT_EQ(r.bytes(), record);

    // Index word 0x00000101, time-outs 2100 (0x0834) and 350 (0x015E).
    QByteArray expected = hex("444350" "00" "0100");      // lead "DCP", padding, version 1
    expected += hex("01" "00" "0000" "10000000");          // header 0..7: 1, 0, 0, data length 16
    expected += QByteArray(16, '\0');                      // 8..23
    expected += hex("01010000" "3408" "5E01");             // 24..31: index word, time-outs
    expected += QByteArray(60, '\0');                      // 32..91
    expected += record;
    ASSERT_EQ(expected.size(), 114);

    QByteArray packet = requestPacket(r, 0x00000101, 2100, 350);
    ASSERT_EQ(packet.size(), 114);
    packet[3] = 0; // the padding byte carries no meaning
    EXPECT_EQ(packet.toHex(' '), expected.toHex(' '));

    // No index: 0xFFFFFFFF at 24..27; an access request puts its level at 7 and 0 at 8.
    RequestRecord access;
    access.id = 0xFFFFFFFE;
    access.address = 0xFF;
    access.length = 2;
    access.command = CmdSetAccess;
    access.parameter = 3;
    QByteArray second = requestPacket(access, kNoIndex, 700, 700);
    second[3] = 0;
    const QByteArray accessRecord = hex("FEFFFFFF" "FF" "02" "05" "0300" "00000000000000");
    EXPECT_EQ(second.mid(0, 6), hex("444350000100"));
    EXPECT_EQ(second.mid(6 + 24, 8), hex("FFFFFFFF" "BC02" "BC02"));
    EXPECT_EQ(second.mid(6 + 4, 4), hex("10000000"));
    EXPECT_EQ(second.mid(6 + 92), accessRecord);
}

TEST(DriverRecords, LeadsOfTheProgram)
{
    QByteArray ckp = lead("CKP");
    QByteArray close = lead("000");
    ASSERT_EQ(ckp.size(), 6);
    ASSERT_EQ(close.size(), 6);
    ckp[3] = close[3] = 0;
    EXPECT_EQ(ckp, hex("434B50000100"));
    EXPECT_EQ(close, hex("303030000100"));
}

TEST(DriverRecords, HeaderTimeoutsAreSevenTenthsOfTheWait)
{
    EXPECT_EQ(headerTimeout(500), 350);
    EXPECT_EQ(headerTimeout(1000), 700);
    EXPECT_EQ(headerTimeout(3000), 2100);
    EXPECT_EQ(headerTimeout(10), 7);
    EXPECT_EQ(headerTimeout(2), 1);  // 1.4
    EXPECT_EQ(headerTimeout(4), 3);  // 2.8
    EXPECT_EQ(headerTimeout(0), 0);
}

TEST(DriverRecords, RequestIdentifiersRunFrom21AndWrapAfterB0000000)
{
    RequestIds ids;
    EXPECT_EQ(ids.NextRequestId(), 21u);
    EXPECT_EQ(ids.NextRequestId(), 22u);

    ids.counter = 0xAFFFFFFF;
    EXPECT_EQ(ids.NextRequestId(), 0xB0000000u);
    EXPECT_EQ(ids.NextRequestId(), 21u);

    ids.counter = 7; // below 20
    EXPECT_EQ(ids.NextRequestId(), 21u);
    ids.counter = 19;
    EXPECT_EQ(ids.NextRequestId(), 21u);
    ids.counter = 20;
    EXPECT_EQ(ids.NextRequestId(), 21u);
    ids.counter = 0xFFFFFFFF;
    EXPECT_EQ(ids.NextRequestId(), 21u);
}

TEST(DriverRecords, IndexWordFollowsCommandsSixAndFour)
{
    auto req = [](uint8_t command, uint16_t parameter) {
        RequestRecord r;
        r.command = command;
        r.parameter = parameter;
        return r;
    };
    uint32_t word = kNoIndex;
    word = indexWordAfter(word, req(CmdSetAccess, 3));
    EXPECT_EQ(word, 0xFFFFFFFFu);
    word = indexWordAfter(word, req(CmdFixIndex, 0x0100));
    EXPECT_EQ(word, 0x00000100u); // the fixing request itself carries it
    word = indexWordAfter(word, req(CmdWriteRecord, 0x0005));
    EXPECT_EQ(word, 0x00000100u); // a record index is not an index word
    word = indexWordAfter(word, req(CmdWrite, 0x0102));
    EXPECT_EQ(word, 0x00000100u);
    word = indexWordAfter(word, req(CmdRead, 0x0104));
    EXPECT_EQ(word, 0x00000100u);
    word = indexWordAfter(word, req(CmdRecomputeChecksum, 0x0100));
    EXPECT_EQ(word, 0xFFFFFFFFu); // the command 4 itself carries no index
    word = indexWordAfter(word, req(CmdWriteRecord, 0x0001));
    EXPECT_EQ(word, 0xFFFFFFFFu);
    // A second command 6 takes its own parameter, the upper 16 bits 0.
    word = indexWordAfter(indexWordAfter(kNoIndex, req(CmdFixIndex, 0x0100)), req(CmdFixIndex, 0xFFFE));
    EXPECT_EQ(word, 0x0000FFFEu);
}

TEST(DriverRecords, ReplyRecordFields)
{
    const QByteArray b = hex("EFCDAB89" "05" "AABBCC" "FEFFFFFF" "01020304" "DDDDDDDD");
    const ReplyRecord r = ReplyRecord::fromBytes(b);
    EXPECT_EQ(r.id, 0x89ABCDEFu);
    EXPECT_EQ(r.address, 5);
    EXPECT_EQ(r.length, -2);
    EXPECT_EQ(r.data, (std::array<uint8_t, 4>{1, 2, 3, 4}));

    EXPECT_EQ(ReplyRecord::fromBytes(hex("15000000" "01" "000000" "01000000" "07000000" "00000000")).length, 1);
    EXPECT_EQ(ReplyRecord::fromBytes(hex("15000000" "01" "000000" "00000080" "07000000" "00000000")).length,
              INT32_MIN);
    EXPECT_EQ(ReplyRecord::fromBytes(hex("15000000" "01" "000000" "FFFFFFFF" "07000000" "00000000")).length, -1);
    EXPECT_EQ(ReplyRecord::fromBytes(hex("15000000" "01" "000000" "04010000" "FF000000" "00000000")).length, 260);
}

// ---- What the driver sends ----------------------------------------------------------

TEST(DriverPacketReader, LeadsAndBlocksSplitAcrossReads)
{
    PacketReader reader;
    PacketReader::Events e = reader.feed(QByteArray("DK"));
    EXPECT_FALSE(e.ready);
    EXPECT_EQ(reader.pending(), 2);
    e = reader.feed(QByteArray("P\0\1", 3));
    EXPECT_FALSE(e.ready);
    e = reader.feed(QByteArray("\0", 1));
    EXPECT_TRUE(e.ready);
    EXPECT_EQ(reader.pending(), 0);

    // A reply fed one byte at a time completes at its last byte and not before.
    const QByteArray reply = dsp(0x01020304, 1, 0x42);
    ASSERT_EQ(reply.size(), 6 + 92 + 20);
    for (int i = 0; i < reply.size() - 1; ++i) {
        e = reader.feed(reply.mid(i, 1));
        ASSERT_TRUE(e.replies.isEmpty()) << "at byte " << i;
    }
    e = reader.feed(reply.right(1));
    ASSERT_EQ(e.replies.size(), 1);
    EXPECT_EQ(e.replies[0].id, 0x01020304u);
    EXPECT_EQ(e.replies[0].length, 1);
    EXPECT_EQ(e.replies[0].data[0], 0x42);
    EXPECT_EQ(reader.pending(), 0);

    // Split in the middle of the header and in the middle of the record.
    const QByteArray both = dsp(77, 1, 1) + dsp(78, 2, 2);
    e = reader.feed(both.left(50));
    EXPECT_TRUE(e.replies.isEmpty());
    e = reader.feed(both.mid(50, 118 + 100 - 50));
    ASSERT_EQ(e.replies.size(), 1);
    EXPECT_EQ(e.replies[0].id, 77u);
    e = reader.feed(both.mid(218));
    ASSERT_EQ(e.replies.size(), 1);
    EXPECT_EQ(e.replies[0].id, 78u);
    EXPECT_EQ(e.replies[0].length, 2);
}

TEST(DriverPacketReader, SeveralPacketsInOneRead)
{
    PacketReader reader;
    const PacketReader::Events e = reader.feed(driverLead("DKP") + dsp(21, 1, 0x07) + dsp(22, -1, 0x08) +
                                               dsp(0, 1) + dsp(0xFFFFFFFF, 1));
    EXPECT_TRUE(e.ready);
    EXPECT_FALSE(e.close);
    EXPECT_FALSE(e.nonsense);
    // The reader hands on every reply record; which of them answer a request is
    // the link's business.
    ASSERT_EQ(e.replies.size(), 4);
    EXPECT_EQ(e.replies[0].id, 21u);
    EXPECT_EQ(e.replies[0].data[0], 0x07);
    EXPECT_EQ(e.replies[1].id, 22u);
    EXPECT_EQ(e.replies[1].length, -1);
    EXPECT_EQ(e.replies[2].id, 0u);
    EXPECT_EQ(e.replies[3].id, 0xFFFFFFFFu);
    EXPECT_EQ(reader.pending(), 0);
}

TEST(DriverPacketReader, BlocksThatAreNoReplyAreConsumedAndDropped)
{
    PacketReader reader;
    // Data length 0 and below: nothing follows the header.
    PacketReader::Events e = reader.feed(block("DSP", 0, {}) + block("DSP", -5, {}) + dsp(30, 1));
    ASSERT_EQ(e.replies.size(), 1);
    EXPECT_EQ(e.replies[0].id, 30u);

    // 24 data bytes that begin like a reply: consumed in full, dropped; the packet
    // after them is read in step.
    e = reader.feed(block("DSP", 24, replyRecord(31, 1) + hex("DCDCDCDC")) + dsp(32, 1));
    ASSERT_EQ(e.replies.size(), 1);
    EXPECT_EQ(e.replies[0].id, 32u);
    // 19 bytes: one short of a record.
    e = reader.feed(block("DSP", 19, replyRecord(33, 1).left(19)) + dsp(34, 1));
    ASSERT_EQ(e.replies.size(), 1);
    EXPECT_EQ(e.replies[0].id, 34u);

    // "DUA" is read in full and discarded, even with exactly 20 data bytes.
    e = reader.feed(block("DUA", 20, replyRecord(35, 1)) + block("DUA", 3, "DKP") + dsp(36, 1));
    EXPECT_FALSE(e.ready);
    ASSERT_EQ(e.replies.size(), 1);
    EXPECT_EQ(e.replies[0].id, 36u);

    // A long "DUA" in pieces is not kept.
    const QByteArray longBlock = block("DUA", 200000, QByteArray(200000, 'D'));
    for (int at = 0; at < longBlock.size(); at += 4096) {
        e = reader.feed(longBlock.mid(at, 4096));
        EXPECT_TRUE(e.replies.isEmpty());
        EXPECT_FALSE(e.nonsense);
        EXPECT_LE(reader.pending(), 92);
    }
    e = reader.feed(dsp(37, 1));
    ASSERT_EQ(e.replies.size(), 1);
    EXPECT_EQ(e.replies[0].id, 37u);
}

TEST(DriverPacketReader, ReadyCloseAndUnknownKinds)
{
    PacketReader reader;
    // Padding and version of a received lead are not checked.
    PacketReader::Events e = reader.feed(driverLead("DKP", char(0xAA), 0x34, 0x12));
    EXPECT_TRUE(e.ready);
    EXPECT_FALSE(e.close);

    e = reader.feed(driverLead("000"));
    EXPECT_TRUE(e.close);
    EXPECT_FALSE(e.ready);

    // An unknown kind owns its 6 bytes only: the packet after it is read.
    e = reader.feed(driverLead("XYZ") + dsp(40, 1) + driverLead("dsp") + driverLead("CKP") + dsp(41, 1));
    ASSERT_EQ(e.replies.size(), 2);
    EXPECT_EQ(e.replies[0].id, 40u);
    EXPECT_EQ(e.replies[1].id, 41u);
    EXPECT_FALSE(e.ready);
    EXPECT_FALSE(e.close);

    // A lead left incomplete is kept until the rest comes; reset drops it.
    e = reader.feed(QByteArray("DS"));
    EXPECT_EQ(reader.pending(), 2);
    reader.reset();
    EXPECT_EQ(reader.pending(), 0);
    e = reader.feed(dsp(42, 1));
    ASSERT_EQ(e.replies.size(), 1);
    EXPECT_EQ(e.replies[0].id, 42u);

    // Reset in the middle of a block: the next bytes are a lead again.
    reader.feed(dsp(43, 1).left(60));
    reader.reset();
    e = reader.feed(driverLead("DKP") + dsp(44, 1));
    EXPECT_TRUE(e.ready);
    ASSERT_EQ(e.replies.size(), 1);
    EXPECT_EQ(e.replies[0].id, 44u);
}

TEST(DriverPacketReader, ImpossibleBlockLengthIsNonsense)
{
    PacketReader reader;
    // 2^31 - 1 announced, 1000 bytes of it sent.
    PacketReader::Events e = reader.feed(block("DSP", 0x7FFFFFFF, QByteArray(1000, 'x')));
    EXPECT_TRUE(e.nonsense);
    EXPECT_TRUE(e.replies.isEmpty());
    EXPECT_LE(reader.pending(), 92);

    PacketReader dua;
    e = dua.feed(block("DUA", 0x7FFFFFFF, {}));
    EXPECT_TRUE(e.nonsense);

    // Just over a mebibyte is beyond reason; up to one mebibyte is read and dropped.
    PacketReader over;
    EXPECT_TRUE(over.feed(block("DUA", PacketReader::kMaxBlockData + 1, {})).nonsense);
    PacketReader limit;
    e = limit.feed(block("DUA", PacketReader::kMaxBlockData, QByteArray(PacketReader::kMaxBlockData, 0)) +
                   dsp(50, 1));
    EXPECT_FALSE(e.nonsense);
    ASSERT_EQ(e.replies.size(), 1);
    EXPECT_EQ(e.replies[0].id, 50u);
}

} // namespace
