// Settings files: reading and editing them as the profile functions do, and
// keeping them whole on disk.

#include "status.h"
#include "text/profile.h"

#include <gtest/gtest.h>

#include "filelimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace rastrova;
using namespace rastrova::text;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

IniProfile parsed(const QByteArray& text)
{
    IniProfile p;
    p.parse(text);
    return p;
}

QByteArray rawFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<cannot read>");
}

const QByteArray kEdited = "; head\r\n"
                           "[A]\r\n"
                           "x = 1\r\n"
                           "; note\r\n"
                           "y=2\r\n"
                           "\r\n"
                           "[B]\r\n"
                           "z=3\r\n";

class ProfileFile : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
};

} // namespace

TEST(ProfileRead, NamesIgnoreCaseAndBlanksValuesLoseQuotes)
{
    const IniProfile p = parsed("[Main]\r\n  Port Name  =  COM1  \r\nQuoted = \" a b \"\r\nSingle='x'\r\n"
                                "Half=\"x\r\nMixed=\"x'\r\nEmpty=\r\nEq=a=b\r\n[ Other ]\nk=v\n");
    const struct {
        const char16_t *section, *key, *expected;
    } cases[] = {
        {u"MAIN", u"port name", u"COM1"}, {u"main", u"PORT NAME", u"COM1"}, {u"Main", u"Quoted", u" a b "},
        {u"Main", u"Single", u"x"},       {u"Main", u"Half", u"\"x"},        {u"Main", u"Mixed", u"\"x'"},
        {u"Main", u"Empty", u""}, // present, so not the default
        {u"Main", u"Eq", u"a=b"},         {u"other", u"K", u"v"},            {u"Main", u"Missing", u"def"},
        {u"Nowhere", u"k", u"def"},       {u"Main", u"k", u"def"}, // keys belong to their own section
    };
    for (const auto& c : cases)
        EXPECT_EQ(p.value(c.section, c.key, QStringLiteral("def")), QString::fromUtf16(c.expected))
            << QString::fromUtf16(c.key).toStdString();

    EXPECT_EQ(p.sections(), QStringList({"Main", "Other"}));
    EXPECT_EQ(p.keys(u"main"), QStringList({"Port Name", "Quoted", "Single", "Half", "Mixed", "Empty", "Eq"}));
    EXPECT_TRUE(p.keys(u"Nowhere").isEmpty());
}

TEST(ProfileRead, FirstOfDuplicateSectionsAndKeysCounts)
{
    IniProfile p = parsed("[A]\r\nk=1\r\nK=2\r\n[a]\r\nk=3\r\nz=4\r\n");
    EXPECT_EQ(p.value(u"A", u"k"), QStringLiteral("1"));
    EXPECT_FALSE(p.hasKey(u"A", u"z"));
    EXPECT_EQ(p.sections(), QStringList({"A"}));

    p.setValue(u"A", u"k", QStringLiteral("9"));
    EXPECT_EQ(p.serialize(), QByteArray("[A]\r\nk=9\r\nK=2\r\n[a]\r\nk=3\r\nz=4\r\n"));
}

TEST(ProfileRead, IntegersAndFlags)
{
    const IniProfile p = parsed("[N]\r\n"
                                "dec=42\r\nneg=-17\r\nblank= 8 \r\nhex=0x1F\r\nhexUpper=0X10\r\nall=0xFFFFFFFF\r\n"
                                "junk=12abc\r\nword=abc\r\nempty=\r\nbare=0x\r\nhuge=99999999999\r\n"
                                "[F]\r\n"
                                "on=TRUE\r\nlower=true\r\ntitle=True\r\none=1\r\noff=FALSE\r\nquoted=\"TRUE\"\r\n");
    const std::pair<const char16_t*, int> numbers[] = {
        {u"dec", 42}, {u"neg", -17}, {u"blank", 8}, {u"hex", 31}, {u"HEXUPPER", 16},
        {u"all", -1}, // a 32-bit pattern, as colours are kept
    };
    for (const auto& [key, expected] : numbers)
        EXPECT_EQ(p.intValue(u"N", key, 77), expected) << QString::fromUtf16(key).toStdString();
    for (const char16_t* key : {u"junk", u"word", u"empty", u"bare", u"huge", u"missing"})
        EXPECT_EQ(p.intValue(u"N", key, 77), 77) << QString::fromUtf16(key).toStdString();

    EXPECT_TRUE(p.flag(u"F", u"on", false));
    EXPECT_TRUE(p.flag(u"F", u"quoted", false));
    for (const char16_t* key : {u"lower", u"title", u"one", u"off"})
        EXPECT_FALSE(p.flag(u"F", key, true)) << QString::fromUtf16(key).toStdString();
    EXPECT_TRUE(p.flag(u"F", u"missing", true));
    EXPECT_FALSE(p.flag(u"F", u"missing", false));
}

TEST(ProfileWrite, ExistingKeyIsReplacedInPlace)
{
    IniProfile p = parsed(kEdited);
    EXPECT_EQ(p.serialize(), kEdited); // untouched text comes back as it was
    p.setValue(u"a", u"x", QStringLiteral("9"));
    EXPECT_EQ(p.serialize(), QByteArray("; head\r\n[A]\r\nx=9\r\n; note\r\ny=2\r\n\r\n[B]\r\nz=3\r\n"));
    EXPECT_EQ(p.keys(u"A"), QStringList({"x", "y"}));
}

TEST(ProfileWrite, NewKeyGoesToTheEndOfItsSectionBeforeBlankLines)
{
    IniProfile p = parsed(kEdited);
    p.setValue(u"A", u"w", QStringLiteral("4"));
    p.setValue(u"b", u"v", QStringLiteral("5"));
    EXPECT_EQ(p.serialize(), QByteArray("; head\r\n[A]\r\nx = 1\r\n; note\r\ny=2\r\nw=4\r\n\r\n[B]\r\nz=3\r\nv=5\r\n"));
    EXPECT_EQ(p.keys(u"A"), QStringList({"x", "y", "w"}));
}

TEST(ProfileWrite, NewSectionGoesToTheEndOfTheFile)
{
    IniProfile p = parsed(kEdited);
    p.setValue(u"C", u"k", QStringLiteral("1"));
    const QByteArray out = p.serialize();
    EXPECT_TRUE(out.startsWith(kEdited)) << out.toStdString();
    EXPECT_TRUE(out.endsWith("[C]\r\nk=1\r\n")) << out.toStdString();
    EXPECT_EQ(p.sections(), QStringList({"A", "B", "C"}));

    p.ensureSection(u"c"); // already there
    p.ensureSection(u"D");
    EXPECT_TRUE(p.serialize().endsWith("[C]\r\nk=1\r\n[D]\r\n"));
}

TEST(ProfileWrite, RemoveDeletesTheLine)
{
    IniProfile p = parsed(kEdited);
    EXPECT_TRUE(p.remove(u"A", u"Y"));
    EXPECT_EQ(p.serialize(), QByteArray("; head\r\n[A]\r\nx = 1\r\n; note\r\n\r\n[B]\r\nz=3\r\n"));
    EXPECT_FALSE(p.remove(u"A", u"y"));
    EXPECT_FALSE(p.remove(u"B", u"x"));
    EXPECT_FALSE(p.remove(u"Nowhere", u"z"));
    EXPECT_EQ(p.value(u"B", u"z"), QStringLiteral("3"));
}

TEST(ProfileWrite, WrittenValuesReadBackAsAfterReload)
{
    IniProfile p;
    p.setInt(u"S", u"n", -5);
    p.setFlag(u"S", u"on", true);
    p.setFlag(u"S", u"off", false);
    p.setValue(u"S", u"padded", QStringLiteral("  v  "));
    p.setValue(u"S", u"quoted", QStringLiteral("\"q\""));
    EXPECT_EQ(p.intValue(u"S", u"n", 0), -5);
    EXPECT_TRUE(p.flag(u"S", u"on", false));
    EXPECT_FALSE(p.flag(u"S", u"off", true));

    const IniProfile reloaded = parsed(p.serialize());
    for (const char16_t* key : {u"n", u"on", u"off", u"padded", u"quoted"})
        EXPECT_EQ(p.value(u"S", key), reloaded.value(u"S", key)) << QString::fromUtf16(key).toStdString();
}

TEST(ProfileWrite, LineFeedsBecomeCrLf)
{
    EXPECT_EQ(parsed("[A]\nx=1\n;c").serialize(), QByteArray("[A]\r\nx=1\r\n;c\r\n"));
}

TEST_F(ProfileFile, SavesCp1251WithCrLfAndLoadsItBack)
{
    IniProfile p;
    p.setValue(u"Адрес", u"Имя", QStringLiteral("Ёлка №1"));
    ASSERT_TRUE(p.save(path).isOk());
    EXPECT_EQ(rawFile(path), QByteArray("[\xC0\xE4\xF0\xE5\xF1]\r\n\xC8\xEC\xFF=\xA8\xEB\xEA\xE0 \xB9"
                                        "1\r\n"));

    IniProfile back;
    ASSERT_EQ(back.load(path).code(), Status::Ok);
    EXPECT_EQ(back.value(u"адрес", u"ИМЯ"), QStringLiteral("Ёлка №1"));
}

TEST_F(ProfileFile, MissingFileGivesNotFoundAndAnEmptyProfile)
{
    IniProfile p = parsed("[A]\r\nx=1\r\n");
    EXPECT_EQ(p.load(dir.filePath("none.ini")).code(), Status::NotFound);
    EXPECT_TRUE(p.sections().isEmpty());
    EXPECT_TRUE(p.serialize().isEmpty());
}

TEST_F(ProfileFile, SaveIntoMissingFolderFails)
{
    const QString missing = dir.filePath("no/such/settings.ini");
    const Status st = parsed("[A]\r\nx=1\r\n").save(missing);
    EXPECT_EQ(st.code(), Status::IoError);
    EXPECT_FALSE(st.message().isEmpty());
    EXPECT_FALSE(QFile::exists(missing));
}

TEST_F(ProfileFile, TextWithout1251FormIsRefusedAndTheFileKept)
{
    ASSERT_TRUE(parsed(kEdited).save(path).isOk());

    IniProfile p = parsed(kEdited);
    p.setValue(u"A", u"x", QStringLiteral("1 Ω"));
    const Status st = p.save(path);
    EXPECT_EQ(st.code(), Status::Refused);
    EXPECT_TRUE(st.message().contains(u'Ω')) << st.message().toStdString();
    EXPECT_EQ(rawFile(path), kEdited);
    EXPECT_TRUE(p.serialize().contains("x=1 ?\r\n"));
}

TEST_F(ProfileFile, FailedSaveLeavesTheOldFileWhole)
{
    ASSERT_TRUE(parsed(kEdited).save(path).isOk());
    ASSERT_GT(kEdited.size(), 8);

    IniProfile p = parsed(kEdited);
    p.setValue(u"A", u"x", QStringLiteral("changed"));
    Status st;
    {
        testfiles::FileSizeLimit full(8); // the disk fills after 8 bytes
        ASSERT_TRUE(full.active());
        st = p.save(path);
    }
    EXPECT_EQ(st.code(), Status::IoError);
    EXPECT_EQ(rawFile(path), kEdited);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"settings.ini"})); // no leftovers
}

TEST_F(ProfileFile, OversizedFileIsDamagedAndNotRead)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));

    IniProfile p;
    ASSERT_TRUE(f.resize(IniProfile::kMaxFileBytes));
    EXPECT_EQ(p.load(path).code(), Status::Ok); // the largest accepted size

    p = parsed("[A]\r\nx=1\r\n");
    ASSERT_TRUE(f.resize(IniProfile::kMaxFileBytes + 1));
    const Status st = p.load(path);
    EXPECT_EQ(st.code(), Status::Damaged);
    EXPECT_FALSE(st.message().isEmpty());
    EXPECT_TRUE(p.sections().isEmpty());

    // Far more than memory holds: a reader that takes the file wholesale fails or crawls here.
    ASSERT_TRUE(f.resize(qint64(1) << 40) || f.resize(qint64(1) << 34)) << "no sparse file of 1 TiB or 16 GiB";
    EXPECT_EQ(p.load(path).code(), Status::Damaged);
}

TEST_F(ProfileFile, ManyTinyLinesAreRefusedRatherThanCostingGigabytes)
{
    // Just under the size bound, four million entries of one letter: held as lines
    // they would take more than a gigabyte.
    QByteArray tiny;
    tiny.reserve(IniProfile::kMaxFileBytes);
    tiny += "[A]\r\n";
    while (tiny.size() + 4 <= IniProfile::kMaxFileBytes)
        tiny += "a=\r\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(tiny), tiny.size());
    }
    IniProfile p = parsed("[B]\r\ny=2\r\n");
    const Status st = p.load(path);
    EXPECT_EQ(st.code(), Status::Damaged);
    EXPECT_TRUE(st.message().contains(QStringLiteral("слишком много записей"))) << st.message().toStdString();
    EXPECT_TRUE(p.sections().isEmpty());

    // A header of twenty thousand blanks is nowhere near the bound.
    QByteArray header = "[HEAD]\r\n";
    for (int i = 1; i <= 20000; ++i)
        header += QByteArray("Blank number ") + QByteArray::number(i) + "=" + QByteArray::number(i) + "\r\n";
    ASSERT_TRUE(p.parse(header));
    EXPECT_EQ(p.keys(QStringLiteral("HEAD")).size(), 20000);
}
