// rastrova-cli program can against the driver simulator on loopback.

#include "clirun.h"
#include "simprocess.h"

#include <QTcpServer>
#include <gtest/gtest.h>

using namespace integration;

namespace {

QByteArray canImage(int n)
{
    QByteArray b = pattern(n);
    for (int i = 128; i < 256 && i < n; ++i)
        b[i] = char(0xFF);
    return b;
}

TEST(CanCli, ProgramsTheExampleAndTheLargestImage)
{
    ExampleImage example;
    simprocess::DriverSimulator driver;
    const QString port = QString::number(driver.port());
    const CliRun run = cli({"program", "can", "--port", port, "--address", "1", example.path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("127.0.0.1->Connect to 127.0.0.1 "));
    EXPECT_EQ(lines[1], QStringLiteral("Обмен закончен"));
    EXPECT_EQ(driver.dump(), example.bytes);

    QTemporaryDir dir;
    simprocess::DriverSimulator second;
    const QByteArray largest = canImage(36864);
    EXPECT_EQ(cli({"program", "can", "--host", "localhost", "--port", QString::number(second.port()),
                   writeImage(dir, largest)})
                  .exitCode,
              0);
    EXPECT_EQ(second.dump(), largest);
}

TEST(CanCli, RefusalsAndFailures)
{
    QTemporaryDir dir;
    QTcpServer gone;
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost));
    const QString nobody = QString::number(gone.serverPort());
    gone.close();
    const CliRun noDriver = cli({"program", "can", "--port", nobody, writeImage(dir, canImage(400))});
    EXPECT_EQ(noDriver.exitCode, 1);
    EXPECT_TRUE(noDriver.out.startsWith(QStringLiteral("Ошибка связи:"))) << noDriver.out.toStdString();

    simprocess::DriverSimulator driver({"--fail-checksum"});
    const QString port = QString::number(driver.port());
    const CliRun refused = cli({"program", "can", "--port", port, writeImage(dir, canImage(400))});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.out.endsWith(QStringLiteral("Ошибка обмена!\n"))) << refused.out.toStdString();

    const CliRun tiny = cli({"program", "can", "--port", port, writeImage(dir, QByteArray(128, char(0xFF)))});
    EXPECT_EQ(tiny.exitCode, 1);
    EXPECT_TRUE(tiny.out.contains(QStringLiteral("Образ длиной 128 байт не передаётся"))) << tiny.out.toStdString();
    EXPECT_EQ(cli({"program", "can", "--port", port, dir.filePath("none.bin")}).exitCode, 3);
    EXPECT_EQ(cli({"program", "can", "--port", "0", dir.filePath("none.bin")}).exitCode, 2);
}

TEST(CanCli, LostConnectionEndsAtOnce)
{
    QTemporaryDir dir;
    simprocess::DriverSimulator driver({"--drop-after", "30"});
    QElapsedTimer t;
    t.start();
    const CliRun run = cli({"program", "can", "--port", QString::number(driver.port()), writeImage(dir, canImage(36864))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains(QStringLiteral("Связь с драйвером потеряна: обмен прерван"))) << run.out.toStdString();
    EXPECT_LT(t.elapsed(), 8000);
}

} // namespace
