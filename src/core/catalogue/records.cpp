#include "catalogue/records.h"

#include "text/codepage.h"

namespace rastrova::catalogue::detail {

uint16_t le16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

void setLe16(uint8_t* p, uint16_t value)
{
    p[0] = uint8_t(value & 0xFF);
    p[1] = uint8_t(value >> 8);
}

QString shortString(const uint8_t* field, int fieldSize)
{
    const int length = qMin<int>(field[0], fieldSize - 1);
    return text::fromCp1251(QByteArrayView(reinterpret_cast<const char*>(field + 1), length));
}

} // namespace rastrova::catalogue::detail
