#pragma once
// The printer adapter on the CAN bus behind the simulated driver program: the
// parameters it takes a print-file image in, and what it answers each request.
//
//   0x0100  index parameter, 64 records of 2 bytes: image bytes 0..127 (the first
//           half of the directory; the second half is never sent)
//   0x0101  index parameter, records of 4 bytes: image bytes from 256 on, the last
//           record padded with 0x00
//   0x0102  one byte: 8-bit sum of image bytes 0..127, checked against the records
//   0x0104  two bytes: image size - 1, low byte first, checked against the records
//   0x0103  one byte: 8-bit sum of the image bytes from 256 to the end (no padding)

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace rastrova::sim::canbus {

constexpr uint16_t kDirectory = 0x0100;
constexpr uint16_t kImage = 0x0101;
constexpr uint16_t kDirectorySum = 0x0102;
constexpr uint16_t kImageSum = 0x0103;
constexpr uint16_t kSize = 0x0104;

constexpr std::size_t kImageCapacity = 36864; // the program's image buffer
constexpr std::size_t kDirectorySent = 128;
constexpr std::size_t kImageStart = 256;
constexpr std::size_t kDirectoryRecord = 2;
constexpr std::size_t kDirectoryRecords = kDirectorySent / kDirectoryRecord;
constexpr std::size_t kImageRecord = 4;
constexpr std::size_t kImageRecords = (kImageCapacity - kImageStart) / kImageRecord;
constexpr uint8_t kWriteLevel = 3;

// ---- Little-endian fields -------------------------------------------------------

inline uint16_t get16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t get32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

// ---- Options --------------------------------------------------------------------

// The driver's command line; the adapter answers as some of these ask.
struct Options {
    long port = 3000;
    std::string portFile;
    std::string dumpFile;
    long address = 1;
    bool verbose = false;
    bool silent = false;
    bool noReady = false;
    bool refuseIndex = false;
    bool failChecksum = false;
    bool garbage = false;
    std::optional<unsigned long> seed;
    long dropAfter = -1;
    bool hugeLength = false;
};

// A line on stderr, after "rastrova-sim driver: ".
void warn(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ---- The adapter on the bus -----------------------------------------------------

// What a request asks, as the driver hands it to the bus.
struct Request {
    uint32_t id = 0;
    uint8_t address = 0;
    uint8_t length = 0;
    uint8_t command = 0;
    uint16_t parameter = 0;
    std::array<uint8_t, 7> data{};
    uint32_t indexWord = 0;
};

// The device's answer: length 0 is a failed transaction.
struct Answer {
    int32_t length = 0;
    std::array<uint8_t, 4> data{};
    const char* why = nullptr; // for the log when the transaction failed
};

inline Answer ok(uint8_t b = 0)
{
    Answer a;
    a.length = 1;
    a.data[0] = b;
    return a;
}
inline Answer failed(const char* why)
{
    Answer a;
    a.why = why;
    return a;
}

class Adapter {
public:
    explicit Adapter(const Options& options);
    Answer handle(const Request& r);

    // The image as the program had it: directory bytes 0..127 from 0x0100, bytes
    // 128..255 0xFF (as the program's builder leaves unused entries; they are never
    // sent), the blank images from 0x0101; as long as the size 0x0104 says. Bytes that
    // never arrived are 0xFF.
    std::vector<uint8_t> image() const;
    void summary() const;

private:
    static const char* verdict(std::optional<bool> v) { return !v ? "not written" : *v ? "right" : "WRONG"; }
    std::size_t lastImageRecord() const;
    void reset(uint16_t parameter);
    Answer setAccess(const Request& r);
    Answer fixIndex(const Request& r);
    Answer writeRecord(const Request& r);
    Answer recompute(const Request& r);
    Answer write(const Request& r);

    // Records 0 .. ceil(G / 4) - 1 arrived, no others, and the padding is 0x00.
    bool sizeMatches(std::size_t size) const;
    Answer read(const Request& r);

    const Options& options_;
    uint8_t access_ = 0;
    std::optional<uint16_t> fixed_;
    std::array<uint8_t, kDirectorySent> directory_{};
    std::vector<bool> directoryGot_;
    std::vector<uint8_t> image_;
    std::vector<bool> imageGot_;
    std::map<uint16_t, std::vector<uint8_t>> values_; // the last value written to each parameter
    std::optional<bool> directorySumOk_, sizeOk_, imageSumOk_;
    bool closed_ = false;
};

} // namespace rastrova::sim::canbus
