#include "text/hex.h"

namespace rastrova::text {

std::optional<uint32_t> parseHexBlankZero(QStringView text)
{
    uint64_t value = 0;
    for (QChar c : text) {
        int digit;
        char16_t u = c.unicode();
        if (u == ' ')
            digit = 0;
        else if (u >= '0' && u <= '9')
            digit = u - '0';
        else if (u >= 'A' && u <= 'F')
            digit = u - 'A' + 10;
        else if (u >= 'a' && u <= 'f')
            digit = u - 'a' + 10;
        else
            return std::nullopt;
        value = value * 16 + uint64_t(digit);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return uint32_t(value);
}

QString hexDigits(uint32_t value, int digits)
{
    return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

QString hexBytes(QByteArrayView bytes)
{
    QString s;
    s.reserve(bytes.size() * 3);
    for (char b : bytes)
        s += hexDigits(uint8_t(b), 2) + u' ';
    return s;
}

uint8_t checksum8(QByteArrayView data)
{
    uint8_t sum = 0;
    for (char b : data)
        sum = uint8_t(sum + uint8_t(b));
    return uint8_t(0u - sum);
}

} // namespace rastrova::text
