// rastrova-cli run as a user runs it: the scan command, options and exit status.

#include "text/codepage.h"

#include <gtest/gtest.h>

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
