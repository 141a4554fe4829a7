// Programming the adapter over a real pseudo-terminal against rastrova-sim:
// the port code, the procedures and rastrova-cli, with the simulator
// misbehaving on purpose.

#include "devprog/adapterprog.h"
#include "devprog/serialport.h"
#include "clirun.h"
#include "simprocess.h"
#include "testfiles.h"
#include "text/codepage.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace rastrova::devprog;
using simprocess::Simulator;
using namespace integration;

namespace {

AdapterOptions rs232()
{
    AdapterOptions o;
    o.linkKind = LinkRs232;
    return o;
}

const QString kSuccess = QStringLiteral("Информация в адаптер принтера записана верно");

TEST(AdapterOverPty, CliProgramsReadsBackAndVerifies)
{
    ExampleImage image;
    ASSERT_GT(image.bytes.size(), 256);
    Simulator sim("adapter");
    const CliRun run = cli({"program", "adapter", "--device", sim.device(), "--link", "rs232", image.path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("Чтение банков из файла ") + image.path + "\nОчистка РПЗУ  OK\n"
                           "Запись информации в адаптер принтера\nЧтение информации из адаптера принтера\n" +
                           kSuccess + "\n");

    // Checking the device in the field: read back without writing.
    QTemporaryDir dir;
    const QString readBack = dir.filePath("read.bin");
    const CliRun verified = cli({"verify", "adapter", "--device", sim.device(), image.path, "--dump", readBack});
    EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString();
    EXPECT_EQ(testfiles::readRaw(readBack), image.bytes);
    QByteArray other = image.bytes;
    other[300] = char(other[300] ^ 1);
    const CliRun differs = cli({"verify", "adapter", "--device", sim.device(), writeImage(dir, other)});
    EXPECT_EQ(differs.exitCode, 1);
    EXPECT_TRUE(differs.out.endsWith(QStringLiteral("Несовпадение информации по адресу 012C\n"))) << differs.out.toStdString();

    EXPECT_EQ(sim.dump(), image.bytes);
}

TEST(AdapterOverPty, EchoingLine)
{
    QTemporaryDir dir;
    const QByteArray bytes = pattern(300);
    Simulator sim("adapter", {"--echo"});
    const CliRun run = cli({"program", "adapter", "--device", sim.device(), "--link", "irps-echo", writeImage(dir, bytes)});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith(kSuccess + "\n"));
    EXPECT_EQ(sim.dump(), bytes);
}

TEST(AdapterOverPty, MisbehavingAdapters)
{
    QTemporaryDir dir;
    const QString path = writeImage(dir, pattern(1000));
    const struct {
        QStringList options;
        QString lastLine;
    } cases[] = {
        {{"--nak"}, QStringLiteral("Очистка РПЗУ  Несовпадение контрольной суммы при передаче команды ")},
        {{"--status-error", "3"}, QStringLiteral("Очистка РПЗУ  Ошибка при записи в РПЗУ элемента  3")},
        {{"--corrupt-readback"}, QStringLiteral("Несовпадение информации по адресу 0085")},
        {{"--silent"}, QStringLiteral("Отсутствует связь с адаптером принтера")},
    };
    for (const auto& c : cases) {
        Simulator sim("adapter", c.options);
        const CliRun run = cli({"program", "adapter", "--device", sim.device(), "--link", "rs232", path});
        EXPECT_EQ(run.exitCode, 1) << c.options.join(' ').toStdString();
        EXPECT_TRUE(run.out.endsWith(c.lastLine + "\n")) << run.out.toStdString();
        EXPECT_FALSE(run.out.contains(kSuccess));
    }
}

TEST(AdapterOverPty, CliRefusals)
{
    QTemporaryDir dir;
    const CliRun noPort = cli({"program", "adapter", "--device", dir.filePath("ttyNone"), writeImage(dir, pattern(10))});
    EXPECT_EQ(noPort.exitCode, 1);
    EXPECT_TRUE(noPort.err.contains(QStringLiteral("Ошибка инициализации СОМ-порта"))) << noPort.err.toStdString();
    Simulator sim("adapter");
    const CliRun noFile = cli({"program", "adapter", "--device", sim.device(), dir.filePath("missing.bin")});
    EXPECT_EQ(noFile.exitCode, 3);
    EXPECT_TRUE(noFile.out.contains(QStringLiteral("Ошибка чтения файла ")));
    EXPECT_EQ(cli({"program", "adapter", "--device", sim.device(), "--link", "usb", "x.bin"}).exitCode, 2);
    EXPECT_EQ(cli({"print-test", "weekly", "--device", sim.device()}).exitCode, 2);
    EXPECT_EQ(sim.dump(), QByteArray()); // nothing was written
}

TEST(AdapterOverPty, PrintTestsPrintTheStoredBlanks)
{
    ExampleImage image;
    Simulator sim("adapter", {"--load", image.path});
    const CliRun hourly = cli({"print-test", "hourly", "--device", sim.device(), "--link", "rs232"});
    EXPECT_EQ(hourly.exitCode, 0) << hourly.err.toStdString();
    EXPECT_TRUE(hourly.out.contains(QStringLiteral("часовой отчёт"))) << hourly.out.toStdString();
    EXPECT_TRUE(hourly.out.contains(QStringLiteral("┌─────────────┬")));
    EXPECT_TRUE(hourly.err.contains(QStringLiteral("Тест почасовой печати")));
    const CliRun archive = cli({"print-test", "archive", "--device", sim.device(), "--link", "rs232"});
    EXPECT_EQ(archive.exitCode, 0);
    EXPECT_FALSE(archive.out.contains(QStringLiteral("часовой отчёт")));
    EXPECT_NE(archive.out, hourly.out);
    for (const QString& line : hourly.out.split('\n') + archive.out.split('\n'))
        EXPECT_LE(line.size(), 72);
}

// The port code under the procedures: a stop from another thread ends a slow
// programming at once, even while a read waits.
TEST(AdapterOverPty, StopEndsProgrammingWithinAnExchange)
{
    Simulator sim("adapter", {"--wire", "2400"});
    StopFlag stop{false};
    SerialPortLine line(&stop);
    SteadyClock clock;
    ComLink link(line, clock);
    ASSERT_TRUE(link.OpenComPort(sim.device(), 3, LinkRs232));
    struct Log : ProgressSink {
        QStringList lines;
        std::atomic<int> written{0};
        void logLine(const QString& l) override { lines << l; }
        void setGauge(Gauge g, int p) override
        {
            if (g == Gauge::Write)
                written = p;
        }
    } log;
    std::thread stopper([&] {
        while (log.written.load() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        stop = true;
    });
    QElapsedTimer t;
    t.start();
    const Outcome outcome = programAdapter(link, cutIntoBlocks(pattern(64 * 40), 64), rs232(), log, stop);
    stopper.join();
    EXPECT_EQ(outcome, Outcome::Stopped);
    EXPECT_LT(t.elapsed(), 3000); // forty blocks at 2400 baud would take about 13 s
    EXPECT_FALSE(log.lines.contains(QStringLiteral("Чтение информации из адаптера принтера")));

    // An adapter that prints for ever is stopped the same way.
    stop = false;
    QTemporaryDir dir;
    Simulator endless("adapter", {"--endless-print", "--load", writeImage(dir, pattern(10))});
    ASSERT_TRUE(link.OpenComPort(endless.device(), 3, LinkRs232));
    struct Printed : ProgressSink {
        std::atomic<int> lines{0};
        void printerLine(const QByteArray&) override { ++lines; }
    } printed;
    std::thread stopper2([&] {
        while (printed.lines.load() < 5)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        stop = true;
    });
    t.restart();
    EXPECT_EQ(printTest(link, CmdHourlyTest, rs232(), printed, stop), Outcome::Stopped);
    stopper2.join();
    EXPECT_LT(t.elapsed(), 5000);
}

} // namespace
