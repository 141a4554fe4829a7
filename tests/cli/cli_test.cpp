// rastrova-cli run as a user runs it: its commands, options and exit status.

#include "text/codepage.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "filelimit.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList& args)
{
    QProcess process;
    process.setProgram(QStringLiteral(RASTROVA_CLI_PATH));
    process.setArguments(args);
    process.start();
    CliRun run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "rastrova-cli did not finish: " << process.errorString().toStdString();
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void makePrintFile(const QString& base, const QString& name, const QString& header)
{
    const QString folder = QDir(base).filePath(name);
    ASSERT_TRUE(QDir().mkpath(folder));
    QByteArray bytes;
    ASSERT_TRUE(rastrova::text::toCp1251(header, bytes));
    QFile f(QDir(folder).filePath(QStringLiteral("info.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Two print files: one empty, one with hourly and archive blanks.
struct Base {
    QTemporaryDir dir;
    Base()
    {
        makePrintFile(
            dir.path(), QStringLiteral("Котельная"),
            QStringLiteral("[HEAD]\r\nЧасовой отчёт=1\r\nСуточный архив=2\r\nабонент=3\r\nПусто=0\r\n"
                           "[OPIS]\r\nT1=0\r\nT2=1\r\nT3=0\r\n"));
        makePrintFile(dir.path(), QStringLiteral("Баня"), QStringLiteral("[HEAD]\r\n"));
    }
    QString path() const { return dir.path(); }
};

const QString kExpectedTree = QStringLiteral("Баня\n"
                                             "Котельная\n"
                                             "  archive Суточный архив\n"
                                             "  hourly абонент\n"
                                             "  hourly Часовой отчёт\n");

} // namespace

TEST(CliScan, PrintsTheTreeArchiveBlanksFirst)
{
    Base base;
    const CliRun run = runCli({QStringLiteral("scan"), base.path()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, kExpectedTree);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

TEST(CliScan, OptionsMayStandAnywhereAfterTheCommand)
{
    Base base;
    QTemporaryDir home;
    const QList<QStringList> variants = {
        {QStringLiteral("scan"), QStringLiteral("--home"), home.path(), base.path()},
        {QStringLiteral("scan"), base.path(), QStringLiteral("--home=") + home.path()},
        {QStringLiteral("scan"), base.path() + QStringLiteral("/")},
    };
    for (const QStringList& args : variants) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 0) << args.join(u' ').toStdString();
        EXPECT_EQ(run.out, kExpectedTree) << args.join(u' ').toStdString();
    }
}

TEST(CliScan, EmptyBaseAndSkippedEntries)
{
    QTemporaryDir empty;
    const CliRun none = runCli({QStringLiteral("scan"), empty.path()});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_TRUE(none.out.isEmpty()) << none.out.toStdString();

    QTemporaryDir base;
    makePrintFile(base.path(), QStringLiteral("ЦТП"), QStringLiteral("[HEAD]\r\na/b=1\r\nСводка=2\r\n"));
    const CliRun run = runCli({QStringLiteral("scan"), base.path()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QStringLiteral("ЦТП\n  hourly Сводка\n"));
    EXPECT_TRUE(run.err.contains(QStringLiteral("a/b"))) << run.err.toStdString();
}

TEST(CliUsage, UsageErrorsExitTwoWithAMessage)
{
    QTemporaryDir base;
    const QList<QStringList> cases = {
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("scan"), QStringLiteral("--bogus"), base.path()},
        {QStringLiteral("scan")},
        {QStringLiteral("scan"), base.path(), base.path()},
        {QStringLiteral("scan"), base.path(), QStringLiteral("--home")},
    };
    for (const QStringList& args : cases) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_FALSE(run.err.trimmed().isEmpty()) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << args.join(u' ').toStdString();
    }
}

TEST(CliUsage, MissingBaseFolderExitsThree)
{
    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath(QStringLiteral("файл"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    for (const QString& base : {QDir(dir.path()).filePath(QStringLiteral("нет такой")), file}) {
        const CliRun run = runCli({QStringLiteral("scan"), base});
        EXPECT_EQ(run.exitCode, 3) << base.toStdString();
        EXPECT_FALSE(run.err.trimmed().isEmpty());
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(CliUsage, HelpAndVersionExitZero)
{
    for (const QStringList& args :
         {QStringList{QStringLiteral("--help")}, {QStringLiteral("scan"), QStringLiteral("--help")}}) {
        const CliRun help = runCli(args);
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.contains(QStringLiteral("scan BASE"))) << help.out.toStdString();
    }
    const CliRun version = runCli({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("rastrova-cli "))) << version.out.toStdString();
}

// ------------------------------------------------------------------ compiling and the catalogue

namespace {

QString copyExample(const QTemporaryDir& dir, const QString& printFile)
{
    const QString from = QDir(QStringLiteral(RASTROVA_EXAMPLES_DIR "/base")).filePath(printFile);
    const QString to = QDir(dir.path()).filePath(printFile);
    EXPECT_TRUE(QDir().mkpath(to));
    for (const QString& name : QDir(from).entryList(QDir::Files))
        EXPECT_TRUE(QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name))) << name.toStdString();
    return to;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString kDatabase = QStringLiteral(RASTROVA_EXAMPLES_DIR "/database");

// Replaces `from` with `to` in a code page 1251 file.
void replaceIn(const QString& path, const QString& from, const QString& to)
{
    QString text = rastrova::text::fromCp1251(fileBytes(path));
    ASSERT_TRUE(text.contains(from)) << from.toStdString();
    text.replace(from, to);
    QByteArray bytes;
    ASSERT_TRUE(rastrova::text::toCp1251(text, bytes));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

TEST(CliCompile, PreviewPrintsThePrinterText)
{
    QTemporaryDir dir;
    const QString folder = copyExample(dir, QStringLiteral("ЦТП-3"));
    const CliRun utf8 = runCli({QStringLiteral("preview"), folder, QStringLiteral("Сводка за час"), QStringLiteral("--utf8")});
    ASSERT_EQ(utf8.exitCode, 0) << utf8.err.toStdString();
    const QStringList lines = utf8.out.split(u'\n');
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("┌────"))) << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("│ ЦТП-3. Сводка за час                       │"));
    EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("\x0C")); // the form feed line

    // Without --utf8 the bytes are code page 866: "Ц" is 0x96, "┌" 0xDA.
    QProcess raw;
    raw.start(QStringLiteral(RASTROVA_CLI_PATH), {QStringLiteral("preview"), folder, QStringLiteral("Сводка за час")});
    ASSERT_TRUE(raw.waitForFinished(30000));
    const QByteArray bytes = raw.readAllStandardOutput();
    EXPECT_EQ(uint8_t(bytes[0]), 0xDA);
    EXPECT_TRUE(bytes.contains("\xB3 \x96\x92\x8F-3."));
}

TEST(CliCompile, ImageOfAType19BlankUsesTheCatalogue)
{
    QTemporaryDir dir;
    const QString folder = copyExample(dir, QStringLiteral("Северная ВИРЕЛ-19"));
    const CliRun run = runCli({QStringLiteral("image"), folder, QStringLiteral("Текущие параметры"),
                               QStringLiteral("--db"), kDatabase});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray image = fileBytes(QDir(folder).filePath(QStringLiteral("Текущие параметры.bin")));
    ASSERT_GE(image.size(), 4 + 6 * 8);
    // Ten lines, 60 a page, eight references, SETN 1; the first reference is "#F018" on line 1.
    EXPECT_EQ(image.left(4), QByteArray("\x0A\x3C\x08\x01"));
    EXPECT_EQ(image.mid(4, 6), QByteArray("\x01\x92\x08\xF0\x18\x00", 6));
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(QStringLiteral("Текущие параметры.rep"))));

    // A database without the blank's task file: said, and a failure.
    QTemporaryDir empty;
    const CliRun missing = runCli({QStringLiteral("image"), folder, QStringLiteral("Текущие параметры"),
                                   QStringLiteral("--db"), empty.path()});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("ненайден!"))) << missing.err.toStdString();
}

TEST(CliCompile, ImageAndBuildReportTheArchiveChecksOnStderr)
{
    // Row 5 becomes an archive row 99 days deep holding parameter 8, made the hourly
    // archive 1005, whose archive is far shorter.
    QTemporaryDir dir;
    const QString folder = copyExample(dir, QStringLiteral("Северная ВИРЕЛ-19"));
    const QString blank = QDir(folder).filePath(QStringLiteral("Текущие параметры"));
    replaceIn(blank + QStringLiteral(".ini"), QStringLiteral("0= Обратка"), QStringLiteral("0=!99"));
    replaceIn(blank + QStringLiteral(".ini"), QStringLiteral("0= @8"), QStringLiteral("0=@8"));
    replaceIn(blank + QStringLiteral(".par"), QStringLiteral("0=#1103"), QStringLiteral("0=~1005"));
    replaceIn(QDir(folder).filePath(QStringLiteral("info.ini")), QStringLiteral("T1=0"), QStringLiteral("T1=1"));
    const QString expected =
        QStringLiteral("rastrova-cli: Глубина часового архива 1005 в строке 5  не соответсвует описателю! \n");

    const CliRun image = runCli({QStringLiteral("image"), folder, QStringLiteral("Текущие параметры"),
                                 QStringLiteral("--db"), kDatabase});
    EXPECT_EQ(image.exitCode, 0) << image.err.toStdString();
    EXPECT_TRUE(image.err.contains(expected)) << image.err.toStdString();
    EXPECT_TRUE(QFile::exists(blank + QStringLiteral(".bin")));

    const CliRun build = runCli({QStringLiteral("build"), folder, QStringLiteral("--db"), kDatabase});
    EXPECT_EQ(build.exitCode, 0) << build.err.toStdString();
    EXPECT_EQ(build.err.count(expected), 1) << build.err.toStdString();
    // Without the catalogue only the depths are checked, and "!99" alone is fine.
    const CliRun plain = runCli({QStringLiteral("image"), folder, QStringLiteral("Текущие параметры")});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_FALSE(plain.err.contains(QStringLiteral("описателю"))) << plain.err.toStdString();
}

TEST(CliCompile, BuildOnAFullDiskExitsThreeAndKeepsTheOldImage)
{
    QTemporaryDir dir;
    const QString folder = copyExample(dir, QStringLiteral("Котельная Северная"));
    ASSERT_EQ(runCli({QStringLiteral("build"), folder}).exitCode, 0);
    const QString infoBin = QDir(folder).filePath(QStringLiteral("info.bin"));
    const QByteArray before = fileBytes(infoBin);
    ASSERT_GT(before.size(), 256);
    CliRun run;
    {
        // The program inherits the limit: no file may grow past 200 bytes.
        testfiles::FileSizeLimit full(200);
        ASSERT_TRUE(full.active());
        run = runCli({QStringLiteral("build"), folder});
    }
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains(QStringLiteral("файл превысил допустимый размер"))) << run.err.toStdString();
    EXPECT_EQ(fileBytes(infoBin), before);
}

TEST(CliCompile, OutputsInPlaceOfLinksAreRefusedAndTheLinkTargetsStayAsTheyWere)
{
    QTemporaryDir dir;
    const QString folder = copyExample(dir, QStringLiteral("Котельная Северная"));
    const QString elsewhere = QDir(dir.path()).filePath(QStringLiteral("чужой файл"));
    {
        QFile f(elsewhere);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not ours");
    }

    const QString infoBin = QDir(folder).filePath(QStringLiteral("info.bin"));
    ASSERT_TRUE(QFile::remove(infoBin));
    ASSERT_TRUE(QFile::link(elsewhere, infoBin));
    CliRun run = runCli({QStringLiteral("build"), folder});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains(QStringLiteral("символическая ссылка"))) << run.err.toStdString();
    EXPECT_EQ(fileBytes(elsewhere), QByteArray("not ours"));
    EXPECT_TRUE(QFileInfo(infoBin).isSymLink());

    // A link to nowhere is not followed to create its target either.
    const QString report = QDir(folder).filePath(QStringLiteral("Часовой отчёт.rep"));
    const QString nowhere = QDir(dir.path()).filePath(QStringLiteral("создан ссылкой"));
    QFile::remove(report);
    ASSERT_TRUE(QFile::link(nowhere, report));
    run = runCli({QStringLiteral("image"), folder, QStringLiteral("Часовой отчёт")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_FALSE(QFileInfo::exists(nowhere));
}

TEST(CliCompile, ABlankFileThatIsAChannelIsRefusedAtOnce)
{
    QTemporaryDir dir;
    const QString folder = copyExample(dir, QStringLiteral("Котельная Северная"));
    const QString blankFile = QDir(folder).filePath(QStringLiteral("Часовой отчёт.ini"));
    ASSERT_TRUE(QFile::remove(blankFile));
    ASSERT_EQ(mkfifo(QFile::encodeName(blankFile).constData(), 0644), 0);
    // Nobody writes into the channel: a reader that opened it would wait for ever.
    const CliRun preview = runCli({QStringLiteral("preview"), folder, QStringLiteral("Часовой отчёт")});
    EXPECT_EQ(preview.exitCode, 3);
    EXPECT_TRUE(preview.err.contains(QStringLiteral("не обычный файл"))) << preview.err.toStdString();
    EXPECT_EQ(runCli({QStringLiteral("build"), folder}).exitCode, 3);
}

TEST(CliCompile, BuildTouchesItsOwnPrintFileAlone)
{
    QTemporaryDir dir;
    const QString folder = copyExample(dir, QStringLiteral("Котельная Северная"));
    // A neighbour whose header lists a blank without its file, and a name the
    // header cannot hold in the built print file itself.
    makePrintFile(dir.path(), QStringLiteral("Соседний"), QStringLiteral("[HEAD]\r\nБез файла=1\r\n"));
    const QString neighbour = QDir(dir.path()).filePath(QStringLiteral("Соседний"));
    const QString header = QDir(folder).filePath(QStringLiteral("info.ini"));
    replaceIn(header, QStringLiteral("[HEAD]\r\n"), QStringLiteral("[HEAD]\r\ninfo=7\r\n"));

    const CliRun run = runCli({QStringLiteral("build"), folder});
    EXPECT_EQ(QDir(neighbour).entryList(QDir::Files), QStringList{QStringLiteral("info.ini")});
    // The skipped name is told, and the exit says the print file is not whole.
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains(QStringLiteral("пропущен"))) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("info.bin "))) << run.out.toStdString();
}

TEST(CliCompile, APrintFileThatTakesNoWriteIsSaidSoAndStillPreviews)
{
    QTemporaryDir dir;
    const QString folder = copyExample(dir, QStringLiteral("Котельная Северная"));
    CliRun build, preview;
    {
        // Not a byte may be written: as on a read-only or a full file system.
        testfiles::FileSizeLimit noRoom(0);
        ASSERT_TRUE(noRoom.active());
        build = runCli({QStringLiteral("build"), folder});
        preview = runCli({QStringLiteral("preview"), folder, QStringLiteral("Часовой отчёт")});
    }
    EXPECT_EQ(build.exitCode, 3);
    EXPECT_TRUE(build.err.contains(QStringLiteral("нельзя записать"))) << build.err.toStdString();
    EXPECT_FALSE(build.err.contains(QStringLiteral("не является файлом печати")));
    EXPECT_TRUE(build.out.isEmpty()) << build.out.toStdString();
    EXPECT_EQ(preview.exitCode, 0) << preview.err.toStdString();
    EXPECT_FALSE(preview.out.isEmpty());
}

TEST(CliCompile, ANameLongerThanAFileSystemTakesIsSaidToBeTooLong)
{
    QTemporaryDir dir;
    const QString folder = copyExample(dir, QStringLiteral("Котельная Северная"));
    const QString name(200, QChar(0x0416)); // 400 bytes in UTF-8
    for (const char* command : {"preview", "image"}) {
        const CliRun run = runCli({QLatin1String(command), folder, name});
        EXPECT_EQ(run.exitCode, 3) << command;
        EXPECT_TRUE(run.err.contains(QStringLiteral("длиннее 255 байт"))) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(QStringLiteral("не найден"))) << run.err.toStdString();
    }
}

TEST(CliCompile, BuildMakesEveryImageAndInfoBin)
{
    QTemporaryDir dir;
    const QString folder = copyExample(dir, QStringLiteral("Котельная Северная"));
    const CliRun run = runCli({QStringLiteral("build"), folder});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.trimmed().split(u'\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("hourly Часовой отчёт"));
    EXPECT_EQ(lines[1], QStringLiteral("archive Суточный архив"));
    const QByteArray hourly = fileBytes(QDir(folder).filePath(QStringLiteral("Часовой отчёт.bin")));
    const QByteArray archive = fileBytes(QDir(folder).filePath(QStringLiteral("Суточный архив.bin")));
    const QByteArray info = fileBytes(QDir(folder).filePath(QStringLiteral("info.bin")));
    EXPECT_EQ(lines[2], QStringLiteral("info.bin %1").arg(info.size()));
    EXPECT_EQ(info.size(), 256 + hourly.size() + archive.size());
    EXPECT_EQ(info.mid(256, hourly.size()), hourly);
    EXPECT_EQ(info.mid(256 + hourly.size()), archive);

    EXPECT_EQ(runCli({QStringLiteral("build")}).exitCode, 2);
    EXPECT_EQ(runCli({QStringLiteral("preview"), folder}).exitCode, 2);
    EXPECT_EQ(runCli({QStringLiteral("build"), QDir(dir.path()).filePath(QStringLiteral("нет такого"))}).exitCode, 3);
}

TEST(CliCatalogue, PrintsTheTreeFilteredUnlessAll)
{
    const CliRun shown = runCli({QStringLiteral("catalogue"), QStringLiteral("--db"), kDatabase});
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    const QStringList lines = shown.out.split(u'\n');
    EXPECT_EQ(lines[0], QStringLiteral("Базовая задача ВИРЕЛ-19"));
    EXPECT_EQ(lines[1], QStringLiteral("  Системные параметры"));
    EXPECT_TRUE(lines.contains(QStringLiteral("    F017\\Текущее время\\Время\\\\")));
    EXPECT_FALSE(lines.contains(QStringLiteral("    F002\\Версия программы\\HEX\\\\")));
    const CliRun all = runCli({QStringLiteral("catalogue"), QStringLiteral("--all"), QStringLiteral("--db"), kDatabase});
    EXPECT_TRUE(all.out.split(u'\n').contains(QStringLiteral("    F002\\Версия программы\\HEX\\\\")));
    EXPECT_EQ(runCli({QStringLiteral("catalogue"), QStringLiteral("--db"), QStringLiteral("/нет/базы")}).exitCode, 3);
}
