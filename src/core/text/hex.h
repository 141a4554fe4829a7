#pragma once
// Hexadecimal helpers and the 8-bit frame checksum.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace rastrova::text {

// Reads hexadecimal text as the device dialogs type it: a blank counts as the
// digit 0 ("1 F" is 0x10F); an empty text is 0. Returns nothing when a character
// is neither a hexadecimal digit nor a blank, or the value does not fit 32 bits.
std::optional<uint32_t> parseHexBlankZero(QStringView text);

// Upper-case hexadecimal with at least `digits` digits ("0A", "403C").
QString hexDigits(uint32_t value, int digits);

// Every byte as two upper-case hexadecimal digits and a blank: "0A FF ".
QString hexBytes(QByteArrayView bytes);

// The byte that makes `data` plus itself sum to 0 modulo 256: the two's
// complement of the 8-bit sum. 0 for no data.
uint8_t checksum8(QByteArrayView data);

} // namespace rastrova::text
