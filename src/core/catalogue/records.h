#pragma once
// The fixed-size records of the controller's task files (".tsk") and algorithm
// files (".alg"). Numbers are little-endian; a short string is a length byte
// followed by that many code page 1251 characters inside a field of fixed size.
//
// Each record keeps all its bytes, the ones this program does not use included,
// and reads its fields on demand.
//
//   task file       header (128) { group record (80), task parameter record (84) x n }
//   algorithm file  header (70), algorithm parameter record (72) x n

#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>

namespace rastrova::catalogue {

namespace detail {

uint16_t le16(const uint8_t* p);
void setLe16(uint8_t* p, uint16_t value);

// A short string in a field of `fieldSize` bytes. A length byte larger than the
// field can hold is cut to the field.
QString shortString(const uint8_t* field, int fieldSize);

template <int N> struct RecordBytes {
    static constexpr int kSize = N;
    std::array<uint8_t, N> bytes{};

    // The first kSize bytes of `data`; the caller makes sure there are that many.
    void assign(QByteArrayView data)
    {
        for (int i = 0; i < N; ++i)
            bytes[size_t(i)] = uint8_t(data[i]);
    }
    bool operator==(const RecordBytes&) const = default;

protected:
    uint16_t u16(int offset) const { return le16(bytes.data() + offset); }
    uint8_t u8(int offset) const { return bytes[size_t(offset)]; }
    QString str(int offset, int fieldSize) const { return shortString(bytes.data() + offset, fieldSize); }
};

} // namespace detail

// The first 128 bytes of a task file.
struct TaskHeader : detail::RecordBytes<128> {
    QString taskName() const { return str(0, 64); }
    // Its four upper-case hexadecimal digits name the base task file ("0701.tsk").
    uint16_t moduleNumber() const { return u16(64); }
    uint16_t groupCount() const { return u16(124); }
};

// A group of a task file: which algorithm file describes it and how many task
// parameter records follow.
struct GroupRecord : detail::RecordBytes<80> {
    // Its four upper-case hexadecimal digits plus ".alg" name the algorithm file.
    uint16_t algorithmNumber() const { return u16(62); }
    uint16_t taskRecordCount() const { return u16(78); }
};

// A parameter of a task: the number blanks refer to it by, and which record of
// the group's algorithm file it is.
struct TaskParamRecord : detail::RecordBytes<84> {
    QString name() const { return str(2, 51); } // may be empty
    uint16_t number() const { return u16(62); }
    uint16_t algorithmNumber() const { return u16(68); }
    void setAlgorithmNumber(uint16_t n) { detail::setLe16(bytes.data() + 68, n); }
};

// The first 70 bytes of an algorithm file.
struct AlgHeader : detail::RecordBytes<70> {
    QString groupName() const { return str(0, 49); }
    QString shortName() const { return str(49, 9); }
    uint16_t recordCount() const { return u16(64); }
};

// Subkinds of an algorithm parameter record; 7 and above are decimal or
// hexadecimal variants (see subkindName).
enum Subkind : uint8_t {
    SubkindBit = 0,
    SubkindByte = 1,
    SubkindDecimal = 2,
    SubkindHex = 3,
    SubkindFloat = 4,
    SubkindTime = 5,
    SubkindDate = 6,
};

// The high half of the kind byte.
enum ArchiveKind : uint8_t {
    NoArchive = 0,
    HourlyArchive = 1,
    DailyArchive = 2,
};

// One parameter that a group of this algorithm can hold.
struct AlgParamRecord : detail::RecordBytes<72> {
    uint16_t algorithmNumber() const { return u16(2); }
    QString name() const { return str(4, 52); }
    uint16_t archiveHours() const { return u16(56); } // for hourly archive parameters
    uint8_t subkind() const { return u8(68); }
    uint8_t kind() const { return u8(69); }
    uint8_t archiveKind() const { return uint8_t(kind() >> 4); }
    uint8_t flags() const { return u8(70); }
    bool hidden() const { return (flags() & 0x01) != 0; }
};

} // namespace rastrova::catalogue
