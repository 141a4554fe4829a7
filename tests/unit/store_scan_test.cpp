// The scan of the base folder over a real folder tree.

#include "store/scan.h"
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

// A print-file folder `name` in `base` with the header `header`.
QString makePrintFile(const QString& base, const QString& name, const QString& header)
{
    const QString folder = QDir(base).filePath(name);
    EXPECT_TRUE(QDir().mkpath(folder));
    writeCp1251(QDir(folder).filePath(QStringLiteral("info.ini")), header);
    return folder;
}

template <typename T> QStringList names(const QList<T>& nodes)
{
    QStringList out;
    for (const T& node : nodes)
        out << node.name;
    return out;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(ScanOrder, RussianCaseInsensitiveWithYoBesideYe)
{
    const QStringList ordered = {QStringLiteral("а"),   QStringLiteral("Б"),    QStringLiteral("в"),
                                 QStringLiteral("Ежи"), QStringLiteral("Ёлка"), QStringLiteral("ёмкость"),
                                 QStringLiteral("Жук"), QStringLiteral("Я")};
    for (qsizetype i = 0; i + 1 < ordered.size(); ++i) {
        for (qsizetype j = i + 1; j < ordered.size(); ++j) {
            EXPECT_LT(compareNodeText(ordered[i], ordered[j]), 0) << i << " " << j;
            EXPECT_GT(compareNodeText(ordered[j], ordered[i]), 0) << i << " " << j;
        }
    }
    EXPECT_LT(compareNodeText(QStringLiteral("ежи"), QStringLiteral("ЁЛКА")), 0);
    EXPECT_LT(compareNodeText(QStringLiteral("А"), QStringLiteral("б")), 0);
    EXPECT_EQ(compareNodeText(QStringLiteral("Бланк"), QStringLiteral("Бланк")), 0);

    QTemporaryDir base;
    makePrintFile(base.path(), QStringLiteral("B"), QStringLiteral("[HEAD]\r\n"));
    makePrintFile(base.path(), QStringLiteral("A"), QStringLiteral("[HEAD]\r\n"));
    EXPECT_EQ(names(scanBaseFolder(base.path()).printFiles),
              (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

TEST(ScanTree, ListsPrintFilesAndTheirBlanksByKindInTreeOrder)
{
    QTemporaryDir base;
    const QString boiler =
        makePrintFile(base.path(), QStringLiteral("Котельная"),
                      QStringLiteral("[HEAD]\r\nЖук=1\r\nЁлка=2\r\nежи=3\r\n"
                                     "Архив Б=4\r\nархив а=5\r\nБез вида=6\r\n"
                                     "[OPIS]\r\nT1=0\r\nT2=0\r\nT3=0\r\nT4=1\r\nT5=1\r\n"));
    makePrintFile(base.path(), QStringLiteral("баня"), QStringLiteral("[HEAD]\r\n"));

    const ScanResult result = scanBaseFolder(base.path());
    EXPECT_TRUE(result.problems.isEmpty()) << result.problems.join(u'\n').toStdString();
    ASSERT_EQ(names(result.printFiles), (QStringList{QStringLiteral("баня"), QStringLiteral("Котельная")}));
    EXPECT_TRUE(result.printFiles[0].archive.isEmpty());
    EXPECT_TRUE(result.printFiles[0].hourly.isEmpty());

    const ScannedPrintFile& p = result.printFiles[1];
    EXPECT_EQ(names(p.archive), (QStringList{QStringLiteral("архив а"), QStringLiteral("Архив Б")}));
    EXPECT_EQ(names(p.hourly), (QStringList{QStringLiteral("Без вида"), QStringLiteral("ежи"),
                                            QStringLiteral("Ёлка"), QStringLiteral("Жук")}));
    ASSERT_EQ(p.archive.size(), 2);
    EXPECT_EQ(p.archive[0].number, 5);
    EXPECT_EQ(p.archive[1].number, 4);
    ASSERT_EQ(p.hourly.size(), 4);
    EXPECT_EQ(p.hourly[0].number, 6);
    EXPECT_EQ(p.hourly[3].number, 1);

    // Every listed blank now has its (empty) blank file.
    for (const QString& name : names(p.archive) + names(p.hourly)) {
        const QFileInfo file(QDir(boiler).filePath(name + QStringLiteral(".ini")));
        EXPECT_TRUE(file.isFile()) << name.toStdString();
        EXPECT_EQ(file.size(), 0) << name.toStdString();
    }
}

TEST(ScanTree, ZeroValuesAndDuplicateKeysAndExistingBlankFiles)
{
    QTemporaryDir base;
    const QString folder =
        makePrintFile(base.path(), QStringLiteral("ЦТП"),
                      QStringLiteral("[HEAD]\r\nПервый=1\r\nНоль=0\r\nПервый=2\r\nВторой=3\r\n"
                                     "[OPIS]\r\nT1=1\r\nT2=0\r\nT3=0\r\n"));
    const QString first = QDir(folder).filePath(QStringLiteral("Первый.ini"));
    writeCp1251(first, QStringLiteral("[Бланк]\r\nx=1\r\n"));
    const qint64 firstSize = QFileInfo(first).size();
    ASSERT_GT(firstSize, 0);

    const ScanResult result = scanBaseFolder(base.path());
    ASSERT_EQ(result.printFiles.size(), 1);
    const ScannedPrintFile& p = result.printFiles[0];
    EXPECT_EQ(names(p.archive), QStringList{QStringLiteral("Первый")});
    EXPECT_EQ(names(p.hourly), QStringList{QStringLiteral("Второй")});
    ASSERT_EQ(p.archive.size(), 1);
    EXPECT_EQ(p.archive[0].number, 1); // the first of the duplicate keys counts

    EXPECT_FALSE(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("Ноль.ini"))));
    EXPECT_EQ(QFileInfo(first).size(), firstSize); // left as it was
    EXPECT_EQ(QFileInfo(QDir(folder).filePath(QStringLiteral("Второй.ini"))).size(), 0);
}

TEST(ScanTree, NamesThatCannotBeFileNamesAreReportedAndTouchNothing)
{
    QTemporaryDir base;
    const QString folder =
        makePrintFile(base.path(), QStringLiteral("Файл"),
                      QStringLiteral("[HEAD]\r\n../evil=1\r\na/b=2\r\nХороший=3\r\nc<d=4\r\n"));
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("a")));

    const ScanResult result = scanBaseFolder(base.path());
    ASSERT_EQ(result.printFiles.size(), 1);
    EXPECT_TRUE(result.printFiles[0].archive.isEmpty());
    EXPECT_EQ(names(result.printFiles[0].hourly), QStringList{QStringLiteral("Хороший")});

    ASSERT_EQ(result.problems.size(), 3) << result.problems.join(u'\n').toStdString();
    EXPECT_TRUE(result.problems[0].contains(QStringLiteral("../evil")));
    EXPECT_TRUE(result.problems[1].contains(QStringLiteral("a/b")));
    EXPECT_TRUE(result.problems[2].contains(QStringLiteral("c<d")));

    EXPECT_EQ(entries(base.path()), QStringList{QStringLiteral("Файл")});
    EXPECT_EQ(entries(folder),
              (QStringList{QStringLiteral("a"), QStringLiteral("info.ini"), QStringLiteral("Хороший.ini")}));
    EXPECT_TRUE(entries(QDir(folder).filePath(QStringLiteral("a"))).isEmpty());
}

TEST(ScanTree, AKeyNamedInfoIsTheHeaderNotABlank)
{
    QTemporaryDir base;
    const QString folder =
        makePrintFile(base.path(), QStringLiteral("Файл"), QStringLiteral("[HEAD]\r\nINFO=1\r\nБланк=2\r\n"));
    const QByteArray header = readRaw(QDir(folder).filePath(QStringLiteral("info.ini")));
    const ScanResult result = scanBaseFolder(base.path());
    ASSERT_EQ(result.printFiles.size(), 1);
    EXPECT_EQ(names(result.printFiles[0].hourly), QStringList{QStringLiteral("Бланк")});
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_TRUE(result.problems[0].contains(QStringLiteral("INFO"))) << result.problems[0].toStdString();
    EXPECT_EQ(readRaw(QDir(folder).filePath(QStringLiteral("info.ini"))), header);
}

TEST(ScanSkip, HiddenReadOnlyLinkedAndHeaderlessFolders)
{
    QTemporaryDir base;
    const QString header = QStringLiteral("[HEAD]\r\nБланк=1\r\n");
    makePrintFile(base.path(), QStringLiteral("Настоящий"), header);
    const QString hidden = makePrintFile(base.path(), QStringLiteral(".скрытый"), header);
    const QString readOnly = makePrintFile(base.path(), QStringLiteral("Только чтение"), header);
    ASSERT_TRUE(QFile::link(QDir(base.path()).filePath(QStringLiteral("Настоящий")),
                            QDir(base.path()).filePath(QStringLiteral("Ссылка"))));
    const QString plain = QDir(base.path()).filePath(QStringLiteral("Без заголовка"));
    ASSERT_TRUE(QDir().mkpath(plain));
    writeCp1251(QDir(plain).filePath(QStringLiteral("Бланк.ini")), QString());
    writeCp1251(QDir(base.path()).filePath(QStringLiteral("info.ini")), header);
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                    QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                                    QFileDevice::ReadOther | QFileDevice::ExeOther));

    const ScanResult result = scanBaseFolder(base.path());

    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(names(result.printFiles), QStringList{QStringLiteral("Настоящий")});
    EXPECT_TRUE(result.problems.isEmpty()) << result.problems.join(u'\n').toStdString();
    // Skipped folders are left untouched: no blank file appears in them.
    EXPECT_FALSE(QFileInfo::exists(QDir(hidden).filePath(QStringLiteral("Бланк.ini"))));
    EXPECT_FALSE(QFileInfo::exists(QDir(readOnly).filePath(QStringLiteral("Бланк.ini"))));
}

TEST(ScanSkip, MissingOrEmptyBaseGivesNothing)
{
    QTemporaryDir base;
    for (const QString& folder :
         {base.path(), QDir(base.path()).filePath(QStringLiteral("нет такой")), QString()}) {
        const ScanResult result = scanBaseFolder(folder);
        EXPECT_TRUE(result.printFiles.isEmpty() && result.problems.isEmpty()) << folder.toStdString();
    }
    EXPECT_TRUE(entries(base.path()).isEmpty());
}

TEST(ScanTree, TemporariesOfKilledSavesGoAndTheUsersOwnFilesStay)
{
    QTemporaryDir base;
    const QString folder = makePrintFile(base.path(), QStringLiteral("Котельная"), QStringLiteral("[HEAD]\r\nОтчёт=1\r\n"));
    const QStringList leftovers = {QStringLiteral(".rastrova-save-AbC123"), QStringLiteral(".rastrova-save-zzzzzz")};
    const QStringList kept = {QStringLiteral("Отчёт.bin.backup"), QStringLiteral("Отчёт.ini.AbC123"),
                              QStringLiteral(".rastrova-save-AbC1234"), QStringLiteral(".rastrova-save-")};
    for (const QString& name : leftovers + kept)
        writeRaw(QDir(folder).filePath(name), "x");

    const ScanResult scan = scanBaseFolder(base.path());
    ASSERT_EQ(scan.printFiles.size(), 1);
    QStringList expected = kept + QStringList{QStringLiteral("info.ini"), QStringLiteral("Отчёт.ini")};
    expected.sort();
    QStringList present = entries(folder);
    present.sort();
    EXPECT_EQ(present, expected);
}

TEST(ScanTree, ANameTooLongForAFileIsReportedNotListed)
{
    QTemporaryDir base;
    const QString longName(126, QChar(0x0416)); // 252 bytes, 256 with ".ini"
    makePrintFile(base.path(), QStringLiteral("Котельная"), QStringLiteral("[HEAD]\r\n") + longName +
                                                              QStringLiteral("=1\r\nКороткое=2\r\n"));
    const ScanResult scan = scanBaseFolder(base.path());
    ASSERT_EQ(scan.printFiles.size(), 1);
    EXPECT_EQ(names(scan.printFiles[0].hourly), QStringList{QStringLiteral("Короткое")});
    ASSERT_EQ(scan.problems.size(), 1);
    EXPECT_TRUE(scan.problems[0].contains(QStringLiteral("слишком длинное"))) << scan.problems[0].toStdString();
}
