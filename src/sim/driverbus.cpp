#include "driverbus.h"

#include "simcommon.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace rastrova::sim::canbus {

void warn(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    printLine(stderr, "rastrova-sim driver: ", format, args);
    va_end(args);
}

Adapter::Adapter(const Options& options) : options_(options)
{
    reset(kDirectory);
    reset(kImage);
}

Answer Adapter::handle(const Request& r)
{
    if (r.address != uint8_t(options_.address))
        return failed("no device at this address");
    switch (r.command) {
    case 2:
        return read(r);
    case 3:
        return write(r);
    case 4:
        return recompute(r);
    case 5:
        return setAccess(r);
    case 6:
        return fixIndex(r);
    case 7:
        return writeRecord(r);
    default:
        return failed("command not supported");
    }
}

std::vector<uint8_t> Adapter::image() const
{
    std::size_t size = 0;
    if (auto it = values_.find(kSize); it != values_.end() && it->second.size() >= 2)
        size = std::size_t(get16(it->second.data())) + 1;
    else if (std::any_of(imageGot_.begin(), imageGot_.end(), [](bool b) { return b; }))
        size = kImageStart + kImageRecord * lastImageRecord();
    else if (std::any_of(directoryGot_.begin(), directoryGot_.end(), [](bool b) { return b; }))
        size = kDirectorySent;
    size = std::min(size, kImageCapacity);
    std::vector<uint8_t> out(kImageCapacity, 0xFF);
    std::copy(directory_.begin(), directory_.end(), out.begin());
    std::copy(image_.begin(), image_.end(), out.begin() + kImageStart);
    out.resize(size);
    return out;
}

void Adapter::summary() const
{
    warn("access level %u; directory records %zu of %zu, checksum %s; image records %zu, size %s, "
         "checksum %s; exchange %s",
         unsigned(access_), size_t(std::count(directoryGot_.begin(), directoryGot_.end(), true)),
         kDirectoryRecords, verdict(directorySumOk_),
         size_t(std::count(imageGot_.begin(), imageGot_.end(), true)), verdict(sizeOk_), verdict(imageSumOk_),
         closed_ ? "closed" : "not closed");
}

std::size_t Adapter::lastImageRecord() const
{
    for (std::size_t i = imageGot_.size(); i > 0; --i)
        if (imageGot_[i - 1])
            return i;
    return 0;
}

void Adapter::reset(uint16_t parameter)
{
    if (parameter == kDirectory) {
        directory_.fill(0xFF);
        directoryGot_.assign(kDirectoryRecords, false);
        directorySumOk_.reset();
    } else {
        image_.assign(kImageCapacity - kImageStart, 0xFF);
        imageGot_.assign(kImageRecords, false);
        sizeOk_.reset();
        imageSumOk_.reset();
    }
}

Answer Adapter::setAccess(const Request& r)
{
    if (r.length != 2)
        return failed("access request length is not 2");
    if (r.parameter >> 8)
        warn("access request %u: byte 8 is 0x%02X, not 0", unsigned(r.id), unsigned(r.parameter >> 8));
    access_ = uint8_t(r.parameter);
    return ok(access_);
}

Answer Adapter::fixIndex(const Request& r)
{
    if (options_.refuseIndex)
        return failed("index parameter refused (--refuse-index)");
    if (r.length != 3)
        return failed("command 6 length is not 3");
    if (r.parameter != kDirectory && r.parameter != kImage)
        return failed("not an index parameter");
    if (r.indexWord != r.parameter) {
        warn("request %u: command 6 for 0x%04X carries index word 0x%08X", unsigned(r.id),
             unsigned(r.parameter), unsigned(r.indexWord));
        return failed("index word does not name the parameter being fixed");
    }
    fixed_ = r.parameter;
    reset(r.parameter);
    closed_ = false;
    return ok();
}

Answer Adapter::writeRecord(const Request& r)
{
    if (access_ < kWriteLevel)
        return failed("access level too low");
    if (!fixed_)
        return failed("no index parameter fixed");
    if (r.indexWord != *fixed_) {
        warn("request %u: record of 0x%04X carries index word 0x%08X", unsigned(r.id), unsigned(*fixed_),
             unsigned(r.indexWord));
        return failed("index word does not name the fixed parameter");
    }
    const bool directory = *fixed_ == kDirectory;
    const std::size_t n = directory ? kDirectoryRecord : kImageRecord;
    if (r.length != n + 3)
        return failed("record length does not match the parameter's record size");
    const std::size_t index = r.parameter;
    if (index >= (directory ? kDirectoryRecords : kImageRecords))
        return failed("record index beyond the parameter");
    uint8_t* into = directory ? directory_.data() : image_.data();
    std::copy_n(r.data.begin(), n, into + index * n);
    (directory ? directoryGot_ : imageGot_)[index] = true;
    return ok();
}

Answer Adapter::recompute(const Request& r)
{
    if (r.indexWord != 0xFFFFFFFFu) {
        warn("request %u: command 4 carries index word 0x%08X", unsigned(r.id), unsigned(r.indexWord));
        return failed("command 4 with an index word set");
    }
    if (r.length == 1) { // the end of an exchange
        fixed_.reset();
        closed_ = true;
        return ok();
    }
    if (r.length != 3)
        return failed("command 4 length is neither 1 nor 3");
    if (fixed_ == r.parameter)
        fixed_.reset();
    if (r.parameter == kDirectory)
        return ok(sum8(directory_.data(), directory_.size()));
    if (r.parameter == kImage)
        return ok(sum8(image_.data(), kImageRecord * lastImageRecord()));
    return failed("not an index parameter");
}

Answer Adapter::write(const Request& r)
{
    if (access_ < kWriteLevel)
        return failed("access level too low");
    if (r.length < 4 || r.length > 10)
        return failed("write length out of range");
    std::vector<uint8_t> value(r.data.begin(), r.data.begin() + (r.length - 3));
    values_[r.parameter] = value;
    switch (r.parameter) {
    case kDirectorySum:
        if (r.length != 4)
            return failed("checksum length is not 4");
        directorySumOk_ = std::all_of(directoryGot_.begin(), directoryGot_.end(), [](bool b) { return b; }) &&
                          value[0] == sum8(directory_.data(), directory_.size());
        if (options_.failChecksum)
            return failed("checksum refused (--fail-checksum)");
        return *directorySumOk_ ? ok() : failed("directory checksum does not match the records");
    case kSize: {
        if (r.length != 5)
            return failed("size length is not 5");
        sizeOk_ = sizeMatches(std::size_t(get16(value.data())) + 1);
        return *sizeOk_ ? ok() : failed("size does not match the records");
    }
    case kImageSum: {
        if (r.length != 4)
            return failed("checksum length is not 4");
        if (!sizeOk_ || !*sizeOk_) {
            imageSumOk_ = false;
            return failed("image checksum without a valid size");
        }
        const std::size_t g = std::size_t(get16(values_[kSize].data())) + 1 - kImageStart;
        imageSumOk_ = value[0] == sum8(image_.data(), g);
        if (options_.failChecksum)
            return failed("checksum refused (--fail-checksum)");
        return *imageSumOk_ ? ok() : failed("image checksum does not match the records");
    }
    default:
        return ok();
    }
}

bool Adapter::sizeMatches(std::size_t size) const
{
    if (size <= kImageStart || size > kImageCapacity)
        return false;
    const std::size_t g = size - kImageStart;
    const std::size_t records = (g + kImageRecord - 1) / kImageRecord;
    for (std::size_t i = 0; i < imageGot_.size(); ++i)
        if (imageGot_[i] != (i < records))
            return false;
    for (std::size_t i = g; i < records * kImageRecord; ++i)
        if (image_[i] != 0)
            return false;
    return true;
}

Answer Adapter::read(const Request& r)
{
    if (r.length != 3)
        return failed("read length is not 3");
    const auto it = values_.find(r.parameter);
    if (it == values_.end())
        return failed("parameter never written");
    Answer a;
    a.length = int32_t(std::min<std::size_t>(it->second.size(), a.data.size()));
    std::copy_n(it->second.begin(), a.length, a.data.begin());
    return a;
}

} // namespace rastrova::sim::canbus
