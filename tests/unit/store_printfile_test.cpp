// The print-file header "info.ini" and the names of print files and blanks.

#include "store/blank.h"
#include "store/manager.h"
#include "store/names.h"
#include "store/printfile.h"
#include "text/codepage.h"

#include <gtest/gtest.h>

#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace rastrova;
using namespace rastrova::store;
using namespace testfiles;

namespace {

// A print-file folder whose header holds `text` in code page 1251.
struct HeaderFixture {
    QTemporaryDir dir;
    PrintFileHeader header{dir.path()};

    explicit HeaderFixture(const QString& text)
    {
        writeRaw(header.path(), cp1251(text));
        EXPECT_TRUE(header.load().isOk());
    }
};

const QString kThreeBlanks = QStringLiteral("[HEAD]\r\nА=1\r\nБ=2\r\nВ=3\r\n"
                                            "[OPIS]\r\nT1=0\r\nK1=60\r\nF1=TRUE\r\n"
                                            "T2=1\r\nK2=70\r\nF2=FALSE\r\n"
                                            "T3=0\r\nK3=80\r\nF3=TRUE\r\n");

} // namespace

TEST(PrintFileHeaderFile, MissingThenFreshHeaderHoldsNoBlanks)
{
    QTemporaryDir dir;
    PrintFileHeader missing(dir.path());
    EXPECT_EQ(missing.load().code(), Status::NotFound);
    EXPECT_TRUE(missing.blankNames().isEmpty());

    ASSERT_TRUE(PrintFileHeader::createFresh(dir.path()).isOk());
    PrintFileHeader header(dir.path());
    EXPECT_EQ(header.path(), QDir(dir.path()).filePath(QStringLiteral("info.ini")));
    EXPECT_EQ(readRaw(header.path()), QByteArray("[HEAD]\r\n"));
    ASSERT_TRUE(header.load().isOk());
    EXPECT_TRUE(header.blankNames().isEmpty());
    EXPECT_EQ(header.nextBlankNumber(), 1);
}

TEST(PrintFileHeaderFile, ReadsNumbersKindsAndPageSettings)
{
    HeaderFixture f(QStringLiteral("[HEAD]\r\nЧасовой=1\r\n Архивный = 12 \r\nПустой=0\r\nБезВида=4\r\n"
                                   "[OPIS]\r\nT1=0\r\nT12=1\r\nK12=72\r\nF12=FALSE\r\n"
                                   "F1=true\r\nF4=yes\r\n"));
    const PrintFileHeader& h = f.header;
    EXPECT_EQ(h.blankNames(), (QStringList{QStringLiteral("Часовой"), QStringLiteral("Архивный"),
                                           QStringLiteral("Пустой"), QStringLiteral("БезВида")}));
    EXPECT_EQ(h.blankNumber(QStringLiteral("Архивный")), 12);
    EXPECT_EQ(h.blankNumber(QStringLiteral("АРХИВНЫЙ")), 12); // keys compare without case
    EXPECT_EQ(h.blankNumber(QStringLiteral("Пустой")), 0);
    EXPECT_EQ(h.blankNumber(QStringLiteral("Нет такого")), 0);

    EXPECT_EQ(h.kind(1), BlankKind::Hourly);
    EXPECT_EQ(h.kind(12), BlankKind::Archive);
    EXPECT_EQ(h.kind(QStringLiteral("12")), BlankKind::Archive);
    EXPECT_EQ(h.kind(4), BlankKind::Hourly); // no "T4"

    EXPECT_EQ(h.pageLength(12), QStringLiteral("72"));
    EXPECT_EQ(h.pageLength(1), QStringLiteral("60"));
    EXPECT_FALSE(h.formFeed(12)); // "FALSE"
    EXPECT_FALSE(h.formFeed(1));  // "true" is not "TRUE"
    EXPECT_FALSE(h.formFeed(4));  // "yes"
    EXPECT_TRUE(h.formFeed(7));   // missing
    EXPECT_EQ(h.nextBlankNumber(), 13);
}

TEST(PrintFileHeaderEdit, AddedBlankIsSavedTrimmedWithDecimalKeysIn1251)
{
    QTemporaryDir dir;
    ASSERT_TRUE(PrintFileHeader::createFresh(dir.path()).isOk());
    PrintFileHeader header(dir.path());
    ASSERT_TRUE(header.load().isOk());
    header.addBlank(QStringLiteral("  Итоги за сутки  "), 12, BlankKind::Archive);
    header.setPageSettings(12, QStringLiteral("66"), false);
    header.addBlank(QStringLiteral("Ёмкость"), 3, BlankKind::Hourly);
    header.setPageSettings(3, QStringLiteral("60"), true);
    ASSERT_TRUE(header.save().isOk());

    const QByteArray raw = readRaw(header.path());
    EXPECT_TRUE(raw.startsWith(cp1251(QStringLiteral("[HEAD]\r\nИтоги за сутки=12\r\nЁмкость=3\r\n"))))
        << raw.toStdString();
    for (const char* line :
         {"T12=1\r\n", "K12=66\r\n", "F12=FALSE\r\n", "T3=0\r\n", "K3=60\r\n", "F3=TRUE\r\n"})
        EXPECT_TRUE(raw.contains(line)) << line;

    PrintFileHeader again(dir.path());
    ASSERT_TRUE(again.load().isOk());
    EXPECT_EQ(again.blankNumber(QStringLiteral("Итоги за сутки")), 12);
    EXPECT_EQ(again.kind(12), BlankKind::Archive);
    EXPECT_EQ(again.nextBlankNumber(), 13);
}

TEST(PrintFileHeaderEdit, RemovalKeepsNumbersGrowingAndTakesTheRightKeys)
{
    HeaderFixture f(kThreeBlanks);
    PrintFileHeader& h = f.header;
    const auto opis = [&](const char* key) { return h.profile().hasKey(u"OPIS", QString::fromLatin1(key)); };

    EXPECT_EQ(h.nextBlankNumber(), 4);
    // A single blank takes its page settings along.
    h.removeBlank(QStringLiteral("Б"), PrintFileHeader::Removal::WithPageSettings);
    EXPECT_EQ(h.blankNames(), (QStringList{QStringLiteral("А"), QStringLiteral("В")}));
    EXPECT_EQ(h.nextBlankNumber(), 4);
    EXPECT_FALSE(opis("T2"));
    EXPECT_FALSE(opis("K2"));
    EXPECT_FALSE(opis("F2"));

    // A blank of a deleted group loses only its kind.
    h.removeBlank(QStringLiteral("В"), PrintFileHeader::Removal::KindOnly);
    EXPECT_EQ(h.blankNames(), QStringList{QStringLiteral("А")});
    EXPECT_FALSE(opis("T3"));
    EXPECT_TRUE(opis("K3"));
    EXPECT_TRUE(opis("F3"));

    // The other blank keeps everything.
    EXPECT_TRUE(opis("T1"));
    EXPECT_TRUE(opis("K1"));
    EXPECT_TRUE(opis("F1"));

    HeaderFixture gaps(QStringLiteral("[HEAD]\r\nА=5\r\nБ=0\r\nВ=2\r\nГ=x\r\n"));
    EXPECT_EQ(gaps.header.nextBlankNumber(), 6);
}

TEST(NamesDisk, RefusesEveryKindOfBadName)
{
    const struct {
        QString name;
        NameProblem problem;
    } cases[] = {
        {QString(), NameProblem::Empty},
        {QStringLiteral("   "), NameProblem::Empty},
        {QStringLiteral("а\\б"), NameProblem::Separator},
        {QStringLiteral("а/б"), NameProblem::Separator},
        {QStringLiteral(".."), NameProblem::DotDot},
        {QStringLiteral("а..б"), NameProblem::DotDot},
        {QStringLiteral("а<б"), NameProblem::BadCharacter},
        {QStringLiteral("а>б"), NameProblem::BadCharacter},
        {QStringLiteral("а:б"), NameProblem::BadCharacter},
        {QStringLiteral("а\"б"), NameProblem::BadCharacter},
        {QStringLiteral("а|б"), NameProblem::BadCharacter},
        {QStringLiteral("а?б"), NameProblem::BadCharacter},
        {QStringLiteral("а*б"), NameProblem::BadCharacter},
        {QStringLiteral("а\tб"), NameProblem::BadCharacter},
        {QStringLiteral("а") + QChar(0x01), NameProblem::BadCharacter},
        {QStringLiteral("漢字"), NameProblem::NotCp1251},
        {QStringLiteral("бланк α"), NameProblem::NotCp1251},
        {QStringLiteral("бланк \U0001F600"), NameProblem::NotCp1251},
        {QStringLiteral("бланк."), NameProblem::BadEnd},
        {QStringLiteral("бланк "), NameProblem::BadEnd},
        {QStringLiteral("CON"), NameProblem::Reserved},
        {QStringLiteral("nul"), NameProblem::Reserved},
        {QStringLiteral("Prn"), NameProblem::Reserved},
        {QStringLiteral("AUX"), NameProblem::Reserved},
        {QStringLiteral("COM1"), NameProblem::Reserved},
        {QStringLiteral("lpt9"), NameProblem::Reserved},
        {QStringLiteral("con.txt"), NameProblem::Reserved},
    };
    for (const auto& c : cases) {
        const NameCheck check = checkDiskName(c.name);
        EXPECT_EQ(check.problem, c.problem) << c.name.toStdString();
        EXPECT_FALSE(check.message.isEmpty()) << c.name.toStdString();
    }
}

TEST(NamesDisk, AcceptsOrdinaryNames)
{
    for (const QString& name :
         {QStringLiteral("Бланк №1"), QStringLiteral("Ёлка"), QStringLiteral("CONSOLE"),
          QStringLiteral("COM10"), QStringLiteral("отчёт.v2"), QStringLiteral("Сумма € 100")}) {
        const NameCheck check = checkDiskName(name);
        EXPECT_TRUE(check.ok()) << name.toStdString() << ": " << check.message.toStdString();
        EXPECT_TRUE(check.message.isEmpty());
    }
}

TEST(NamesPrintFile, MustNotNameAnExistingFolder)
{
    QTemporaryDir base;
    ASSERT_TRUE(QDir(base.path()).mkdir(QStringLiteral("Котельная")));
    EXPECT_EQ(checkPrintFileName(base.path(), QStringLiteral("Котельная")).problem, NameProblem::Taken);
    EXPECT_TRUE(checkPrintFileName(base.path(), QStringLiteral("Котельная 2")).ok());
    EXPECT_EQ(checkPrintFileName(base.path(), QStringLiteral("ЦТП/3")).problem, NameProblem::Separator);
    EXPECT_EQ(checkPrintFileName(base.path(), QStringLiteral("NUL")).problem, NameProblem::Reserved);
}

TEST(NamesBlank, IsTrimmedAndUniqueWithoutRegardToCase)
{
    const QStringList keys = {QStringLiteral(" бланк "), QStringLiteral("Ёлка"), QStringLiteral("Report")};
    EXPECT_EQ(checkBlankName(keys, QStringLiteral("Бланк")).problem, NameProblem::Taken);
    EXPECT_EQ(checkBlankName(keys, QStringLiteral("  БЛАНК  ")).problem, NameProblem::Taken);
    EXPECT_EQ(checkBlankName(keys, QStringLiteral("ёлка")).problem, NameProblem::Taken);
    EXPECT_EQ(checkBlankName(keys, QStringLiteral("REPORT")).problem, NameProblem::Taken);
    EXPECT_TRUE(isBlankNameTaken(keys, QStringLiteral("ЁЛКА")));
    EXPECT_FALSE(isBlankNameTaken(keys, QStringLiteral("Елка"))); // Е is not Ё
    EXPECT_TRUE(checkBlankName(keys, QStringLiteral("Бланк 2")).ok());
    EXPECT_TRUE(checkBlankName(keys, QStringLiteral("  Новый  ")).ok()); // trimmed before the checks
    EXPECT_EQ(checkBlankName(keys, QStringLiteral("   ")).problem, NameProblem::Empty);
    EXPECT_EQ(checkBlankName(keys, QStringLiteral("а*б")).problem, NameProblem::BadCharacter);
    // The name becomes a header key: "=" would split it, "[" and ";" would hide it.
    for (const QString& name : {QStringLiteral("Итог=сутки"), QStringLiteral("[Итог]"), QStringLiteral(" ;Заметка")})
        EXPECT_EQ(checkBlankName(keys, name).problem, NameProblem::BadCharacter) << name.toStdString();
}

TEST(NamesBlank, InfoClashesWithTheHeaderFiles)
{
    for (const QString& name : {QStringLiteral("info"), QStringLiteral("INFO"), QStringLiteral(" Info ")})
        EXPECT_EQ(checkBlankName({}, name).problem, NameProblem::Reserved) << name.toStdString();
    EXPECT_TRUE(checkBlankName({}, QStringLiteral("info 2")).ok());
}

TEST(NamesSaveAs, RefusesNamesTheHeaderWouldMisreadAndLeavesTheFolderAlone)
{
    HeaderFixture fx(kThreeBlanks);
    const QByteArray before = readRaw(fx.header.path());
    BlankDocument blank;
    for (const QString& name : {QStringLiteral("x=y"), QStringLiteral(";c"), QStringLiteral("[s]"), QStringLiteral(" x")}) {
        const QString ini = QDir(fx.dir.path()).filePath(name + QStringLiteral(".ini"));
        const Status st = saveBlankAs(ini, blank, QStringLiteral("60"), true);
        EXPECT_EQ(st.code(), Status::Refused) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(ini)) << name.toStdString();
    }
    EXPECT_EQ(readRaw(fx.header.path()), before);
    // An ordinary name, also one a blank of the header has, is saved with a new number.
    int number = 0;
    ASSERT_TRUE(saveBlankAs(QDir(fx.dir.path()).filePath(QStringLiteral("Б.ini")), blank, QStringLiteral("60"), true,
                            &number));
    EXPECT_EQ(number, 4);
}

TEST(NamesDefault, TakesTheFirstFreeNumber)
{
    QTemporaryDir base;
    EXPECT_EQ(defaultPrintFileName(base.path()), QStringLiteral("Файл печати 1"));
    ASSERT_TRUE(QDir(base.path()).mkdir(QStringLiteral("Файл печати 1")));
    ASSERT_TRUE(QDir(base.path()).mkdir(QStringLiteral("Файл печати 2")));
    ASSERT_TRUE(QDir(base.path()).mkdir(QStringLiteral("Файл печати 4")));
    EXPECT_EQ(defaultPrintFileName(base.path()), QStringLiteral("Файл печати 3"));

    EXPECT_EQ(defaultBlankName({}, BlankKind::Hourly), QStringLiteral("Часовой бланк 1"));
    EXPECT_EQ(defaultBlankName({}, BlankKind::Archive), QStringLiteral("Архивный бланк 1"));
    const QStringList keys = {QStringLiteral("часовой бланк 1"), QStringLiteral(" ЧАСОВОЙ БЛАНК 2 "),
                              QStringLiteral("Архивный бланк 2")};
    EXPECT_EQ(defaultBlankName(keys, BlankKind::Hourly), QStringLiteral("Часовой бланк 3"));
    EXPECT_EQ(defaultBlankName(keys, BlankKind::Archive), QStringLiteral("Архивный бланк 1"));
}

TEST(SaveAsPlace, APrintFileOfTheBaseFolderOrNone)
{
    const QString base = QStringLiteral("/data/База");
    EXPECT_EQ(printFileUnderBase(base, QStringLiteral("/data/База/Котельная/Отчёт.ini")), QStringLiteral("Котельная"));
    EXPECT_EQ(printFileUnderBase(QStringLiteral("/data/база/"), QStringLiteral("/data/БАЗА/Котельная/Отчёт.ini")),
              QStringLiteral("Котельная"));
    EXPECT_EQ(printFileUnderBase(base, QStringLiteral("/data/База/Котельная/../Баня/Б.ini")), QStringLiteral("Баня"));
    EXPECT_TRUE(printFileUnderBase(base, QStringLiteral("/data/База/Отчёт.ini")).isEmpty()); // the base itself
    EXPECT_TRUE(printFileUnderBase(base, QStringLiteral("/data/База/Котельная/старые/Отчёт.ini")).isEmpty());
    EXPECT_TRUE(printFileUnderBase(base, QStringLiteral("/data/Другая/Котельная/Отчёт.ini")).isEmpty());
    EXPECT_TRUE(printFileUnderBase(QString(), QStringLiteral("/data/База/Котельная/Отчёт.ini")).isEmpty());
}
