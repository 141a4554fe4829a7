#pragma once
// Code pages at the program's boundaries. Files on disk are code page 1251; the
// printer receives code page 866 bytes made from 1251 bytes by the printer table.

#include <QByteArray>
#include <QString>

namespace rastrova::text {

// 1251 bytes to Unicode. Every byte has a character (0x98, unassigned in 1251,
// becomes U+0098 so that it survives a round trip).
QString fromCp1251(QByteArrayView bytes);

// Unicode to 1251. Returns false, and leaves `out` unchanged, when a character has
// no 1251 byte; `badChar` then receives the first such character.
bool toCp1251(QStringView text, QByteArray& out, QChar* badChar = nullptr);

// Unicode to 1251 for text that has already been checked; a character without a
// 1251 byte becomes '?'. Use only where the text cannot hold such characters.
QByteArray toCp1251Lossy(QStringView text);

// The 1251 byte of one character, '?' when it has none.
char toCp1251Byte(QChar c);

// True when every character of `text` has a 1251 byte.
bool fitsCp1251(QStringView text, QChar* badChar = nullptr);

// The printer table: one 1251 byte to the 866 byte the adapter prints.
// Letters move to their 866 places, Ё and ё to 0xF0 and 0xF1; every other byte
// (digits, Latin letters, "№" 0xB9 ...) stays as it is.
constexpr unsigned char printerByte(unsigned char b)
{
    if (b == 0xA8)
        return 0xF0;
    if (b == 0xB8)
        return 0xF1;
    if (b >= 0xC0 && b <= 0xEF)
        return static_cast<unsigned char>(b - 0x40);
    if (b >= 0xF0)
        return static_cast<unsigned char>(b - 0x10);
    return b;
}

// Maps a whole 1251 byte string through the printer table.
QByteArray toPrinterBytes(QByteArrayView cp1251);

// 866 bytes to Unicode, for showing printer text on screen.
QString fromCp866(QByteArrayView bytes);

} // namespace rastrova::text
