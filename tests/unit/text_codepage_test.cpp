// Code page 1251 on disk, the printer table and code page 866 on screen.

#include "text/codepage.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

using namespace rastrova::text;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QByteArray allBytes()
{
    QByteArray bytes(256, '\0');
    for (int i = 0; i < 256; ++i)
        bytes[i] = char(i);
    return bytes;
}

QByteArray byte(int b) { return QByteArray(1, char(b)); }

} // namespace

TEST(Cp1251, EveryByteRoundTripsThroughUnicode)
{
    const QByteArray bytes = allBytes();
    const QString text = fromCp1251(bytes);
    ASSERT_EQ(text.size(), 256);
    QByteArray back;
    ASSERT_TRUE(toCp1251(text, back));
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(toCp1251Lossy(text), bytes);
    EXPECT_TRUE(fitsCp1251(text));
}

TEST(Cp1251, KnownBytesAndCharacters)
{
    const struct {
        int byte;
        char16_t ch;
    } cases[] = {
        {0x41, u'A'}, {0x88, u'€'}, {0x98, 0x0098}, {0xA0, 0x00A0}, {0xA5, u'Ґ'}, {0xA8, u'Ё'},
        {0xAF, u'Ї'}, {0xB8, u'ё'}, {0xB9, u'№'},   {0xBF, u'ї'},   {0xC0, u'А'}, {0xDF, u'Я'},
        {0xE0, u'а'}, {0xFF, u'я'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << c.byte);
        EXPECT_EQ(fromCp1251(byte(c.byte)), QString(QChar(c.ch)));
        QByteArray out;
        ASSERT_TRUE(toCp1251(QString(QChar(c.ch)), out));
        EXPECT_EQ(out, byte(c.byte));
    }
}

TEST(Cp1251, RefusesCharactersItCannotHoldAndNamesTheFirst)
{
    const QString text = QStringLiteral("Дом Ωx中");
    QByteArray out = "keep";
    QChar bad;
    EXPECT_FALSE(toCp1251(text, out, &bad));
    EXPECT_EQ(out, QByteArray("keep"));
    EXPECT_EQ(bad, QChar(u'Ω'));

    bad = QChar();
    EXPECT_FALSE(fitsCp1251(text, &bad));
    EXPECT_EQ(bad, QChar(u'Ω'));

    EXPECT_FALSE(toCp1251(QStringLiteral("中"), out, &bad));
    EXPECT_EQ(bad, QChar(u'中'));
    EXPECT_FALSE(fitsCp1251(QStringLiteral("a😀")));
    EXPECT_FALSE(toCp1251(QStringLiteral("a😀"), out)); // no badChar pointer: must not crash
    EXPECT_EQ(out, QByteArray("keep"));

    EXPECT_EQ(toCp1251Lossy(QStringLiteral("aΩb")), QByteArray("a?b"));
}

TEST(CpPrinterTable, WholeTableMovesLettersToTheir866Places)
{
    // The 866 layout: А..п at 0x80..0xAF, р..я at 0xE0..0xEF, Ё and ё at 0xF0, 0xF1.
    std::array<int, 256> expected{};
    for (int b = 0; b < 256; ++b)
        expected[b] = b;
    for (int i = 0; i < 48; ++i) // А..п
        expected[0xC0 + i] = 0x80 + i;
    for (int i = 0; i < 16; ++i) // р..я
        expected[0xF0 + i] = 0xE0 + i;
    expected[0xA8] = 0xF0;
    expected[0xB8] = 0xF1;

    QByteArray expectedBytes(256, '\0');
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(int(printerByte(static_cast<unsigned char>(b))), expected[b]) << "byte " << b;
        expectedBytes[b] = char(expected[b]);
    }
    EXPECT_EQ(toPrinterBytes(allBytes()), expectedBytes);
}

TEST(CpPrinterTable, PrintedLettersShowAsTheSameLetters)
{
    const QString word = QStringLiteral("Счёт №5 Ёж я");
    QByteArray cp1251;
    ASSERT_TRUE(toCp1251(word, cp1251));
    EXPECT_EQ(toPrinterBytes(cp1251), QByteArray("\x91\xE7\xF1\xE2 \xB9"
                                                  "5 \xF0\xA6 \xEF"));

    // Every Cyrillic letter of 1251 goes to the 866 byte of the same letter.
    for (int b = 0; b < 256; ++b) {
        if (b < 0x80 || b >= 0xC0 || b == 0xA8 || b == 0xB8) {
            const QByteArray one = byte(b);
            EXPECT_EQ(fromCp866(toPrinterBytes(one)), fromCp1251(one)) << "byte " << b;
        }
    }
}

TEST(Cp866, BoxDrawingAndCyrillic)
{
    const struct {
        int byte;
        char16_t ch;
    } cases[] = {
        {0xC4, u'─'}, {0xB3, u'│'}, {0xDA, u'┌'}, {0xBF, u'┐'}, {0xC0, u'└'}, {0xD9, u'┘'},
        {0xC3, u'├'}, {0xB4, u'┤'}, {0xC2, u'┬'}, {0xC1, u'┴'}, {0xC5, u'┼'}, {0x80, u'А'},
        {0xAF, u'п'}, {0xE0, u'р'}, {0xEF, u'я'}, {0xF0, u'Ё'}, {0xF1, u'ё'}, {0x5A, u'Z'},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fromCp866(byte(c.byte)), QString(QChar(c.ch))) << "byte " << c.byte;

    const QString all = fromCp866(allBytes());
    ASSERT_EQ(all.size(), 256);
    EXPECT_EQ(std::set<QChar>(all.begin(), all.end()).size(), 256u) << "two bytes share a character";
}
