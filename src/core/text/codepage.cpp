#include "text/codepage.h"

#include <array>

namespace rastrova::text {
namespace {

// Upper halves (0x80..0xFF) of the two code pages; 0xC0..0xFF of 1251 and
// 0x80..0xAF, 0xE0..0xEF of 866 are the Cyrillic block and are computed.
constexpr std::array<char16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};

constexpr std::array<char16_t, 48> kCp866Graphics = {
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, // D8
};

constexpr std::array<char16_t, 16> kCp866Tail = {
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E, // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0, // F8
};

char16_t cp1251Char(unsigned char b)
{
    if (b < 0x80)
        return b;
    if (b >= 0xC0)
        return char16_t(0x0410 + (b - 0xC0));
    return kCp1251High[b - 0x80];
}

// The 1251 byte of a character, or -1.
int cp1251Byte(char16_t c)
{
    if (c < 0x80)
        return c;
    if (c >= 0x0410 && c <= 0x044F)
        return 0xC0 + (c - 0x0410);
    for (size_t i = 0; i < kCp1251High.size(); ++i)
        if (kCp1251High[i] == c)
            return int(0x80 + i);
    return -1;
}

} // namespace

QString fromCp1251(QByteArrayView bytes)
{
    QString s;
    s.resize(bytes.size());
    QChar* out = s.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(cp1251Char(static_cast<unsigned char>(bytes[i])));
    return s;
}

bool fitsCp1251(QStringView text, QChar* badChar)
{
    for (QChar c : text) {
        if (cp1251Byte(c.unicode()) < 0) {
            if (badChar)
                *badChar = c;
            return false;
        }
    }
    return true;
}

bool toCp1251(QStringView text, QByteArray& out, QChar* badChar)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        int b = cp1251Byte(text[i].unicode());
        if (b < 0) {
            if (badChar)
                *badChar = text[i];
            return false;
        }
        bytes[i] = char(b);
    }
    out = bytes;
    return true;
}

char toCp1251Byte(QChar c)
{
    const int b = cp1251Byte(c.unicode());
    return b < 0 ? '?' : char(b);
}

QByteArray toCp1251Lossy(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        int b = cp1251Byte(text[i].unicode());
        bytes[i] = b < 0 ? '?' : char(b);
    }
    return bytes;
}

QByteArray toPrinterBytes(QByteArrayView cp1251)
{
    QByteArray out(cp1251.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < cp1251.size(); ++i)
        out[i] = char(printerByte(static_cast<unsigned char>(cp1251[i])));
    return out;
}

QString fromCp866(QByteArrayView bytes)
{
    QString s;
    s.resize(bytes.size());
    QChar* out = s.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        char16_t c;
        if (b < 0x80)
            c = b;
        else if (b < 0xB0)
            c = char16_t(0x0410 + (b - 0x80));
        else if (b < 0xE0)
            c = kCp866Graphics[b - 0xB0];
        else if (b < 0xF0)
            c = char16_t(0x0440 + (b - 0xE0));
        else
            c = kCp866Tail[b - 0xF0];
        out[i] = QChar(c);
    }
    return s;
}

} // namespace rastrova::text
