#pragma once
// The driver link's wire records. Every packet starts with a 6-byte lead: three
// letters of kind, a padding byte, the protocol version (1). A request "DCP"
// carries a 92-byte block header and a 16-byte request record; a reply "DSP"
// carries a block header and its data, 20 bytes of which make a reply record.
// All numbers are little-endian.

#include <QByteArray>
#include <QList>
#include <array>
#include <cstdint>

namespace rastrova::driverlink {

constexpr int kLeadBytes = 6;
constexpr int kHeaderBytes = 92;
constexpr int kRequestBytes = 16;
constexpr int kReplyBytes = 20;
constexpr int kRequestPacketBytes = kLeadBytes + kHeaderBytes + kRequestBytes; // 114
constexpr uint32_t kNoIndex = 0xFFFFFFFF;

// Commands of the request record.
enum Command : uint8_t {
    CmdRead = 2,
    CmdWrite = 3,
    CmdRecomputeChecksum = 4, // also clears the link's index word
    CmdSetAccess = 5,
    CmdFixIndex = 6,          // the parameter becomes the link's index word
    CmdWriteRecord = 7,
};

struct RequestRecord {
    uint32_t id = 0;
    uint8_t address = 0;
    uint8_t length = 0; // command, parameter bytes and data bytes
    uint8_t command = 0;
    uint16_t parameter = 0;
    std::array<uint8_t, 7> data{};

    QByteArray bytes() const;
};

struct ReplyRecord {
    uint32_t id = 0;
    uint8_t address = 0;
    int32_t length = -1; // 0 or less: the transaction failed; -1 also: no reply
    std::array<uint8_t, 4> data{};

    static ReplyRecord fromBytes(QByteArrayView twenty);
};

// A lead of kind `kind` ("CKP", "000", ...).
QByteArray lead(const char (&kind)[4]);

// The whole "DCP" packet of a request.
QByteArray requestPacket(const RequestRecord& request, uint32_t indexWord, uint16_t timeout1, uint16_t timeout2);

// The index word after `request`: command 6 sets it to the request's parameter,
// command 4 clears it, other commands leave it.
uint32_t indexWordAfter(uint32_t indexWord, const RequestRecord& request);

// The header time-outs of a wait: 0.7 x wait, rounded.
uint16_t headerTimeout(int waitMs);

// Request identifiers: 21 first, and 21 again after 0xB0000000.
class RequestIds {
public:
    uint32_t NextRequestId();
    uint32_t counter = 20;
};

// What the driver sends, read as it arrives: leads may be split across reads,
// several packets may come at once. Blocks are consumed as their bytes come and
// never kept beyond a reply record, so a header announcing a huge length costs
// no memory.
class PacketReader {
public:
    // A block longer than this is nonsense: the connection is to be dropped.
    static constexpr int32_t kMaxBlockData = 1 << 20;

    struct Events {
        QList<ReplyRecord> replies;
        bool ready = false;     // "DKP"
        bool close = false;     // "000"
        bool nonsense = false;  // a block length beyond all reason
    };

    // Takes the bytes that arrived and returns what they completed.
    Events feed(QByteArrayView bytes);
    // Bytes held back for a lead, header or record still incomplete.
    int pending() const { return int(buffer_.size()); }
    void reset();

private:
    enum class State { Lead, Header, Data };
    State state_ = State::Lead;
    bool reply_ = false;       // the block is a "DSP", not a "DUA"
    int32_t dataLeft_ = 0;
    bool keepData_ = false;    // exactly a reply record's length
    QByteArray buffer_;
};

} // namespace rastrova::driverlink
