// Hexadecimal fields of the device dialogs and the frame checksum.

#include "text/hex.h"

#include <gtest/gtest.h>

using namespace rastrova::text;

TEST(HexParse, BlanksCountAsZeroDigits)
{
    EXPECT_EQ(parseHexBlankZero(u"1 F"), 0x10Fu);
    EXPECT_EQ(parseHexBlankZero(u""), 0u);
    EXPECT_EQ(parseHexBlankZero(u" "), 0u);
    EXPECT_EQ(parseHexBlankZero(u"  1"), 1u);
    EXPECT_EQ(parseHexBlankZero(u"1  "), 0x100u); // trailing blanks are digits, not trimmed
    EXPECT_EQ(parseHexBlankZero(u"ff"), 0xFFu);
    EXPECT_EQ(parseHexBlankZero(u"FF"), 0xFFu);
    EXPECT_EQ(parseHexBlankZero(u"aBc9"), 0xABC9u);
}

TEST(HexParse, RefusesNonDigits)
{
    for (const char16_t* text : {u"G", u"1G", u"-1", u"+1", u"0x1F", u"1\t2", u"１", u"٣", u"Ａ"})
        EXPECT_FALSE(parseHexBlankZero(text).has_value()) << QString::fromUtf16(text).toStdString();
}

TEST(HexParse, ThirtyTwoBitLimit)
{
    EXPECT_EQ(parseHexBlankZero(u"FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(parseHexBlankZero(u"00FFFFFFFF"), 0xFFFFFFFFu); // leading zeros do not overflow
    EXPECT_FALSE(parseHexBlankZero(u"100000000").has_value());
    EXPECT_FALSE(parseHexBlankZero(u"FFFFFFFF ").has_value());
    EXPECT_FALSE(parseHexBlankZero(u"FFFFFFFFFFFFFFFFFFFF").has_value()); // past 64 bits as well
}

TEST(HexDigits, PadsToWidthInUpperCase)
{
    EXPECT_EQ(hexDigits(0x0A, 2), QStringLiteral("0A"));
    EXPECT_EQ(hexDigits(0x403C, 4), QStringLiteral("403C"));
    EXPECT_EQ(hexDigits(0, 4), QStringLiteral("0000"));
    EXPECT_EQ(hexDigits(0xabcdef, 2), QStringLiteral("ABCDEF")); // never cut
    EXPECT_EQ(hexDigits(0xFFFFFFFFu, 8), QStringLiteral("FFFFFFFF"));
}

TEST(Checksum8, DataPlusChecksumSumsToZero)
{
    EXPECT_EQ(checksum8({}), 0);
    EXPECT_EQ(checksum8(QByteArray("\x01\x02")), 0xFD);
    EXPECT_EQ(checksum8(QByteArray("\xFF\xFF")), 0x02);
    EXPECT_EQ(checksum8(QByteArray(1, '\0')), 0);

    QByteArray ramp(300, '\0');
    for (int i = 0; i < ramp.size(); ++i)
        ramp[i] = char(i * 37);
    const QByteArray inputs[] = {QByteArray("\x80"), QByteArray("\x7F\x80\x81"), QByteArray("AT+PRINT"), ramp};
    for (const QByteArray& data : inputs) {
        unsigned sum = checksum8(data);
        for (char b : data)
            sum += static_cast<unsigned char>(b);
        EXPECT_EQ(sum % 256, 0u) << data.toHex().toStdString();
    }
}
