#include "driverlink/records.h"

#include <cmath>
#include <cstring>

namespace rastrova::driverlink {

namespace {
void put16(QByteArray& b, int at, uint16_t v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}
void put32(QByteArray& b, int at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}
uint32_t get32(QByteArrayView b, int at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | uint8_t(b[at + i]);
    return v;
}
} // namespace

QByteArray RequestRecord::bytes() const
{
    QByteArray b(kRequestBytes, '\0');
    put32(b, 0, id);
    b[4] = char(address);
    b[5] = char(length);
    b[6] = char(command);
    put16(b, 7, parameter);
    for (int i = 0; i < 7; ++i)
        b[9 + i] = char(data[size_t(i)]);
    return b;
}

ReplyRecord ReplyRecord::fromBytes(QByteArrayView b)
{
    ReplyRecord r;
    r.id = get32(b, 0);
    r.address = uint8_t(b[4]);
    r.length = int32_t(get32(b, 8));
    for (int i = 0; i < 4; ++i)
        r.data[size_t(i)] = uint8_t(b[12 + i]);
    return r;
}

QByteArray lead(const char (&kind)[4])
{
    QByteArray b(kLeadBytes, '\0');
    std::memcpy(b.data(), kind, 3);
    put16(b, 4, 1);
    return b;
}

QByteArray requestPacket(const RequestRecord& request, uint32_t indexWord, uint16_t timeout1, uint16_t timeout2)
{
    QByteArray header(kHeaderBytes, '\0');
    header[0] = 1;
    put32(header, 4, kRequestBytes);
    put32(header, 24, indexWord);
    put16(header, 28, timeout1);
    put16(header, 30, timeout2);
    return lead("DCP") + header + request.bytes();
}

uint32_t indexWordAfter(uint32_t indexWord, const RequestRecord& request)
{
    if (request.command == CmdRecomputeChecksum)
        return kNoIndex;
    if (request.command == CmdFixIndex)
        return request.parameter;
    return indexWord;
}

uint16_t headerTimeout(int waitMs)
{
    return uint16_t(std::lround(0.7 * waitMs));
}

uint32_t RequestIds::NextRequestId()
{
    if (counter < 20 || counter > 0xAFFFFFFFu)
        counter = 20;
    return ++counter;
}

void PacketReader::reset()
{
    state_ = State::Lead;
    dataLeft_ = 0;
    buffer_.clear();
}

PacketReader::Events PacketReader::feed(QByteArrayView bytes)
{
    Events events;
    qsizetype at = 0;
    while (at < bytes.size() && !events.nonsense) {
        switch (state_) {
        case State::Lead: {
            const qsizetype take = std::min<qsizetype>(kLeadBytes - buffer_.size(), bytes.size() - at);
            buffer_ += bytes.sliced(at, take);
            at += take;
            if (buffer_.size() < kLeadBytes)
                break;
            const QByteArray kind = buffer_.left(3);
            buffer_.clear();
            if (kind == "DSP" || kind == "DUA") {
                reply_ = kind == "DSP";
                state_ = State::Header;
            } else if (kind == "DKP") {
                events.ready = true;
            } else if (kind == "000") {
                events.close = true;
            } // any other kind: nothing more belongs to it
            break;
        }
        case State::Header: {
            const qsizetype take = std::min<qsizetype>(kHeaderBytes - buffer_.size(), bytes.size() - at);
            buffer_ += bytes.sliced(at, take);
            at += take;
            if (buffer_.size() < kHeaderBytes)
                break;
            dataLeft_ = int32_t(get32(buffer_, 4));
            buffer_.clear();
            if (dataLeft_ > kMaxBlockData) {
                events.nonsense = true;
                break;
            }
            keepData_ = reply_ && dataLeft_ == kReplyBytes;
            state_ = dataLeft_ > 0 ? State::Data : State::Lead;
            break;
        }
        case State::Data: {
            const qsizetype take = std::min<qsizetype>(dataLeft_, bytes.size() - at);
            if (keepData_)
                buffer_ += bytes.sliced(at, take);
            at += take;
            dataLeft_ -= int32_t(take);
            if (dataLeft_ > 0)
                break;
            if (keepData_)
                events.replies.append(ReplyRecord::fromBytes(buffer_));
            buffer_.clear();
            state_ = State::Lead;
            break;
        }
        }
    }
    return events;
}

} // namespace rastrova::driverlink
