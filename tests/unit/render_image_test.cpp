// The blank image and the print-file image: the bytes the adapter receives.

#include "editor/paramlist.h"
#include "render/blankimage.h"
#include "render/printfileimage.h"
#include "store/printfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace rastrova;
using render::BlankImage;
using render::BlankImageInput;
using render::ImageParameter;

namespace {

BlankImageInput input(QList<QByteArray> lines, QList<ImageParameter> parameters = {}, int type = 0)
{
    BlankImageInput in;
    in.text.lines = std::move(lines);
    in.parameters = std::move(parameters);
    in.pageLength = QStringLiteral("60");
    in.virelType = type;
    in.setn = 0x1A5; // only the low byte is kept
    return in;
}

BlankImage build(const BlankImageInput& in)
{
    BlankImage image;
    const Status st = render::buildBlankImage(in, QStringLiteral("/pf/b.bin"), image);
    EXPECT_TRUE(st.isOk()) << st.message().toStdString();
    return image;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b += char(v);
    return b;
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

TEST(RenderBlankImage, HeaderAndTextWithoutReferences)
{
    const BlankImage image = build(input({"ab", "c"}));
    EXPECT_EQ(image.bytes, bytes({2, 60, 0, 0xA5}) + "ab\x0D" "c\x0D");
    // Stored values beyond a byte: 285 and -1, as loaded, give their low 8 bits.
    BlankImageInput stored = input({"x"});
    stored.setn = 285;
    EXPECT_EQ(uint8_t(build(stored).bytes[3]), 0x1D);
    stored.setn = -1;
    EXPECT_EQ(uint8_t(build(stored).bytes[3]), 0xFF);
    EXPECT_EQ(image.report,
              QStringList({"Создание двоичного образа для бланка \"/pf/b.bin\"", "В исходном бланке 2 строк.",
                           "Количество строк в странице печати до перевода формата60",
                           "В бланке найдено 0 параметров.", "Образ сформирован.", "Запись образа на диск."}));
}

TEST(RenderBlankImage, ReferenceInAFramedCell)
{
    // "│T=@1" on line 1: the descriptor points at the "@" and the mark is blanked.
    const QByteArray top = "\xDA\xC4\xC4\xC4\xC4\xC4\xC4\xBF";
    const BlankImage image = build(input({top, "\xB3T=@1  \xB3", "\xC0\xC4\xC4\xC4\xC4\xC4\xC4\xD9"},
                                         {{"#4015", "", "", false}}));
    EXPECT_EQ(image.bytes.mid(0, 4), bytes({3, 60, 1, 0xA5}));
    EXPECT_EQ(image.bytes.mid(4, 6), bytes({1, 0x92, 3, 0x40, 0x15, 0}));
    EXPECT_EQ(image.bytes.mid(10 + top.size() + 1, 8), QByteArray("\xB3T=    \xB3"));
}

TEST(RenderBlankImage, FormatAndAddressBytes)
{
    // A type other than 0 and 1 (a damaged file) is type "10", as a missing key is.
    EXPECT_EQ(render::addressBytes(QStringLiteral("~12"), 2), (std::array<uint8_t, 2>{0xC0, 0x0C}));
    EXPECT_EQ(render::addressBytes(QStringLiteral("~12"), 1), (std::array<uint8_t, 2>{0x00, 0x12}));
    EXPECT_EQ(editor::archiveNumber(QStringLiteral("$12"), -1), 12);
    EXPECT_EQ(render::formatByte({"#4015", "", "", false}), 0x92);
    EXPECT_EQ(render::formatByte({"#4015", "7", "3", false}), 0x73);
    EXPECT_EQ(render::formatByte({"#4015", "12", "-1", false}), 0x92);
    // A value in range gives the cell's first digit, as the adapter reads it.
    EXPECT_EQ(render::formatByte({"#4015", "03", "05", false}), 0x00);
    EXPECT_EQ(render::formatByte({"#4015", " 7 ", "07", false}), 0x72);
    EXPECT_EQ(render::formatByte({"#4015", "+5", "+1", false}), 0x51);
    EXPECT_EQ(render::formatByte({"#4015", "5", "4", true}), 0x5F);
    using A = std::array<uint8_t, 2>;
    EXPECT_EQ(render::addressBytes("#4015", 0), (A{0x40, 0x15}));
    EXPECT_EQ(render::addressBytes("~12", 0), (A{0xC0, 0x0C}));
    EXPECT_EQ(render::addressBytes("$05", 0), (A{0xC0, 0xC5}));
    EXPECT_EQ(render::addressBytes("~00A0", 1), (A{0x00, 0xA0}));
    EXPECT_EQ(render::addressBytes("#4015", 1), (A{0x40, 0x15}));
}

TEST(RenderBlankImage, ArchiveMarkTakesItsKindFromTheFirstFollowingReference)
{
    const QList<ImageParameter> list = {{"#4015", "", "", false}, {"$03", "", "", false}};
    // Resolved by "@2" on a later line: a daily archive.
    BlankImage image = build(input({"!24", "x @2"}, list));
    EXPECT_EQ(image.bytes.mid(4, 6), bytes({0, 0xF0, 0, 24, 0, 0}));
    EXPECT_EQ(image.bytes.mid(10, 6), bytes({1, 0x92, 2, 0xC0, 0xC3, 0}));
    // With an end depth it stays 0xFF and byte 4 holds the depth.
    image = build(input({"!24,1", "x @2"}, list));
    EXPECT_EQ(image.bytes.mid(4, 6), bytes({0, 0xFF, 0, 24, 1, 0}));
    EXPECT_EQ(image.bytes.mid(16, 6), QByteArray("     \x0D"));

    // Type "19": the catalogue's archive length decides.
    BlankImageInput in = input({"!3 @1"}, {{"~00A0", "", "", false}}, 1);
    in.archiveDays = [](uint32_t number) { return number == 0xA0 ? 32 : 0; };
    EXPECT_EQ(uint8_t(build(in).bytes[5]), 0xF2);
}

TEST(RenderBlankImage, UnknownReferenceIsBlankedWithoutDescriptor)
{
    QList<ImageParameter> five(5, ImageParameter{"#4015", "", "", false});
    const BlankImage image = build(input({"a@7b"}, five));
    EXPECT_EQ(image.bytes, bytes({1, 60, 0, 0xA5}) + "a  b\x0D");
}

TEST(RenderBlankImage, LimitsOfLinesPagesAndDescriptors)
{
    QList<QByteArray> lines(300, "x");
    BlankImageInput in = input(lines);
    in.pageLength = QStringLiteral("300");
    BlankImage image = build(in);
    EXPECT_EQ(uint8_t(image.bytes[0]), 255);
    EXPECT_EQ(uint8_t(image.bytes[1]), 255);
    EXPECT_EQ(image.bytes.size(), 4 + 300 * 2); // every line is kept
    EXPECT_TRUE(image.report.contains("В исходном бланке строк больше чем 255, бланк будет обрезан до 255 строк!"));
    EXPECT_TRUE(image.report.contains("Количество строк в странице печати не может быть больше 255 (рекомендуется "
                                      "60), количество будет обрезано до 255 строк!"));

    // 300 references: 255 descriptors, the last one overwritten by the later ones.
    QByteArray many;
    for (int i = 0; i < 300; ++i)
        many += "@1";
    image = build(input({many}, {{"#4015", "", "", false}}));
    EXPECT_EQ(uint8_t(image.bytes[2]), 255);
    EXPECT_EQ(uint8_t(image.bytes[4 + 6 * 254 + 2]), uint8_t(299 * 2));

    // A form feed line is a line of the text too.
    image = build(input({"a", "\x0C"}));
    EXPECT_EQ(image.bytes, bytes({2, 60, 0, 0xA5}) + "a\x0D\x0C\x0D");
}

TEST(RenderBlankImage, BadPageLengthAndOversizedImageAreRefused)
{
    BlankImageInput in = input({"a"});
    in.pageLength = QString();
    BlankImage image;
    EXPECT_FALSE(render::buildBlankImage(in, "b.bin", image).isOk());
    in = input(QList<QByteArray>(600, QByteArray(72, 'x')));
    EXPECT_EQ(render::buildBlankImage(in, "b.bin", image).code(), Status::Refused);
}

TEST(RenderPrintFileImage, DirectoryOffsetsAndTerminators)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    writeFile(QDir(folder).filePath("info.ini"), "[HEAD]\r\nh=1\r\na1=2\r\na2=3\r\n");
    writeFile(QDir(folder).filePath("h.bin"), QByteArray(100, 'h'));
    writeFile(QDir(folder).filePath("a1.bin"), QByteArray(50, '1'));
    writeFile(QDir(folder).filePath("a2.bin"), QByteArray(60, '2'));

    QByteArray image;
    ASSERT_TRUE(render::buildPrintFileImage(folder, {"h"}, {}, image).isOk());
    EXPECT_EQ(image.left(6), bytes({0x01, 0x00, 0xFF, 0x00, 0xFF, 0x00}));
    EXPECT_EQ(image.mid(6, 250), QByteArray(250, char(0xFF)));
    EXPECT_EQ(image.size(), 356);
    EXPECT_EQ(image.mid(256), QByteArray(100, 'h'));

    ASSERT_TRUE(render::buildPrintFileImage(folder, {}, {"a1", "a2"}, image).isOk());
    EXPECT_EQ(image.left(8), bytes({0xFF, 0x00, 0x01, 0x00, 0x01, 0x32, 0xFF, 0x00}));
    EXPECT_EQ(image.size(), 366);
}

TEST(RenderPrintFileImage, EmptyHeaderSeventyBlanksAndMissingImage)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    writeFile(QDir(folder).filePath("info.ini"), "[HEAD]\r\n");
    QByteArray image;
    ASSERT_TRUE(render::buildPrintFileImage(folder, {}, {}, image).isOk());
    EXPECT_EQ(image, QByteArray(128, char(0xFF)));

    QByteArray head = "[HEAD]\r\n";
    QStringList hourly;
    for (int i = 0; i < 70; ++i) {
        hourly << QStringLiteral("b%1").arg(i, 2, 10, QLatin1Char('0'));
        head += hourly.last().toLatin1() + "=" + QByteArray::number(i + 1) + "\r\n";
        writeFile(QDir(folder).filePath(hourly.last() + ".bin"), "xy");
    }
    writeFile(QDir(folder).filePath("info.ini"), head);
    ASSERT_TRUE(render::buildPrintFileImage(folder, hourly, {}, image).isOk());
    EXPECT_EQ(image.size(), 256 + 62 * 2);
    EXPECT_EQ(image.mid(2 * 62, 2), bytes({0xFF, 0x00}));

    // A blank never saved has no image: the build stops and info.bin stays as it was.
    writeFile(QDir(folder).filePath("info.bin"), "old");
    QFile::remove(QDir(folder).filePath("b05.bin"));
    EXPECT_EQ(render::writePrintFileImage(folder, hourly, {}).code(), Status::IoError);
    QFile old(QDir(folder).filePath("info.bin"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));
}

TEST(RenderPrintFileImage, AnImageBeyondTheAdaptersMemoryIsRefusedWhole)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    writeFile(QDir(folder).filePath("info.ini"), "[HEAD]\r\na=1\r\nb=2\r\n");
    writeFile(QDir(folder).filePath("a.bin"), QByteArray(20000, 'a'));
    writeFile(QDir(folder).filePath("b.bin"), QByteArray(20000, 'b'));
    writeFile(QDir(folder).filePath("info.bin"), "old");
    const Status st = render::writePrintFileImage(folder, {"a"}, {"b"});
    EXPECT_EQ(st.code(), Status::Refused);
    // 256 + 40000 bytes: 3392 more than the adapter holds.
    EXPECT_TRUE(st.message().contains("3392")) << st.message().toStdString();
    QFile old(QDir(folder).filePath("info.bin"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));
}
