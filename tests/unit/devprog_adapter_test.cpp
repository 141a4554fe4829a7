// Programming the adapter and the print tests, on a scripted line: the frames,
// the log lines, the stop request and what a faulty adapter leads to.

#include "devprog/adapterprog.h"
#include "fakeline.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace rastrova::devprog;
using fakeline::bytes;
using fakeline::FakeClock;
using fakeline::FakeLine;

namespace {

struct Recorder : ProgressSink {
    QStringList log;
    QList<QByteArray> printed;
    int steps = 0;
    int lastWrite = -1, lastRead = -1;
    void logLine(const QString& line) override { log << line; }
    void setGauge(Gauge g, int percent) override { (g == Gauge::Write ? lastWrite : lastRead) = percent; }
    void printerLine(const QByteArray& line) override { printed << line; }
    void printerStep() override { ++steps; }
};

// An adapter as the line sees it: groups of two bytes are commands, the group
// after 0x70 or 0x02 is its frame.
struct FakeAdapter {
    QByteArray memory = QByteArray(0x20000, char(0xFF));
    QList<QByteArray> frames; // every data frame, in order
    int pending = 0;          // the command whose frame comes next
    int writeStatus = 0;
    int failWriteAt = -1;     // the frame number whose status is `writeStatus`
    int silentReadAt = -1;    // the read request that gets no data
    int corruptAt = -1;       // the memory byte read back wrong
    std::function<void()> onFrame;

    static qint64 address(const QByteArray& f, int at)
    {
        const uint8_t lo = uint8_t(f[at + 1]);
        return (qint64(uint8_t(f[at])) << 8 | (lo & 0xFE)) + (lo & 1 ? 0x10000 : 0);
    }

    void operator()(FakeLine& l, const QByteArray& sent)
    {
        if (pending == 0) {
            l.arriveByte(0, 1);
            if (sent[0] == char(0x10)) {
                memory.fill(char(0xFF));
                l.arriveByte(0, 5);
            } else if (sent[0] == char(0x70) || sent[0] == char(0x02)) {
                pending = uint8_t(sent[0]);
            }
            return;
        }
        frames << sent;
        l.arriveByte(0, 1);
        if (pending == 0x70) {
            const int n = int(sent.size()) - 4;
            memory.replace(address(sent, 1), n, sent.mid(3, n));
            l.arriveByte(uint8_t(frames.size() - 1 == failWriteAt ? writeStatus : 0), 3);
        } else if (frames.size() - 1 != silentReadAt) {
            const qint64 a = address(sent, 0);
            QByteArray data = memory.mid(a, 64);
            if (corruptAt >= a && corruptAt < a + 64)
                data[corruptAt - a] = char(data[corruptAt - a] ^ 0x55);
            l.arrive(data, 2);
        }
        pending = 0;
        if (onFrame)
            onFrame();
    }
};

QByteArray pattern(int n)
{
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i)
        b[i] = char(i * 7 + 3);
    return b;
}

struct Programming : ::testing::Test {
    FakeClock clock;
    FakeLine line{clock};
    ComLink link{line, clock};
    FakeAdapter adapter;
    Recorder sink;
    StopFlag stop{false};
    AdapterOptions options;

    void SetUp() override
    {
        ASSERT_TRUE(link.OpenComPort("/dev/fake", 3, LinkIrps));
        line.handler = std::ref(adapter);
    }
    Outcome program(const QByteArray& image) { return programAdapter(link, cutIntoBlocks(image, 64), options, sink, stop); }
};

TEST(AdapterFrames, BlocksAndAddresses)
{
    const ImageBlocks image = cutIntoBlocks(pattern(300), 64);
    ASSERT_EQ(image.count(), 5);
    EXPECT_EQ(image.lastBlockSize, 44);
    EXPECT_EQ(image.blocks[4].size(), 64);
    EXPECT_EQ(image.blocks[4].right(20), QByteArray(20, char(0xFF)));
    EXPECT_EQ(cutIntoBlocks(pattern(128), 64).lastBlockSize, 64);

    QByteArray zeros(64, 0);
    EXPECT_EQ(adapterBlockFrame(0, zeros), bytes({0x44, 0, 0}) + zeros + bytes({0xBC}));
    const QByteArray last = adapterBlockFrame(256, QByteArray(44, 1));
    EXPECT_EQ(last.size(), 48);
    EXPECT_EQ(uint8_t(last[0]), 0x30);
    EXPECT_EQ(adapterBlockFrame(1024 * 64, zeros).mid(1, 2), bytes({0x00, 0x01}));
    EXPECT_EQ(adapterBlockFrame(1025 * 64, zeros).mid(1, 2), bytes({0x00, 0x41}));
    EXPECT_EQ(readRequestFrame(0x1240), bytes({0x12, 0x40, 0xAE}));
    EXPECT_EQ(readRequestFrame(1025 * 64), bytes({0x00, 0x41, 0xBF}));
}

TEST_F(Programming, WritesReadsBackAndVerifies)
{
    const QByteArray image = pattern(300);
    ASSERT_EQ(program(image), Outcome::Done);
    EXPECT_EQ(adapter.memory.left(300), image);
    ASSERT_EQ(adapter.frames.size(), 10);
    EXPECT_EQ(adapter.frames[4].size(), 48);
    EXPECT_EQ(adapter.frames[9], bytes({0x01, 0x00, 0xFF}));
    EXPECT_EQ(sink.log, QStringList({"Очистка РПЗУ  OK", "Запись информации в адаптер принтера",
                                     "Чтение информации из адаптера принтера",
                                     "Информация в адаптер принтера записана верно"}));
    EXPECT_EQ(sink.lastWrite, 100);
    EXPECT_EQ(sink.lastRead, 100);
    // The pauses the adapter needs and nothing more: one before each group sent,
    // and 20 ms before each read request.
    EXPECT_EQ(clock.paused, 1 + 5 * 2 + 5 * (20 + 2));
}

TEST_F(Programming, TraceShowsFramesAndKeepsTheReadBack)
{
    QTemporaryDir dir;
    options.trace = true;
    options.traceFile = dir.filePath("Temp.fil");
    ASSERT_EQ(program(QByteArray(70, 0)), Outcome::Done);
    EXPECT_TRUE(sink.log.contains(QStringLiteral("ком 70 , 44 00 00 ") + QString("00 ").repeated(64) + "BC "));
    EXPECT_TRUE(sink.log.contains(QStringLiteral("ком 2  00 40 C0 ")));
    EXPECT_EQ(testfiles::readRaw(options.traceFile), QByteArray(70, 0));
}

TEST_F(Programming, DeviceFailures)
{
    line.handler = nullptr;
    EXPECT_EQ(program(pattern(100)), Outcome::Failed);
    EXPECT_EQ(sink.log, QStringList({"Отсутствует связь с адаптером принтера"}));

    sink.log.clear();
    line.handler = [](FakeLine& l, const QByteArray&) {
        l.arriveByte(0);
        l.arriveByte(2, 1);
    };
    EXPECT_EQ(program(pattern(100)), Outcome::Failed);
    EXPECT_EQ(sink.log, QStringList({"Очистка РПЗУ  Ошибка при записи в РПЗУ элемента  2"}));

    sink.log.clear();
    line.handler = std::ref(adapter);
    adapter.failWriteAt = 1;
    adapter.writeStatus = 5;
    EXPECT_EQ(program(pattern(300)), Outcome::Failed);
    EXPECT_EQ(sink.log.last(), QStringLiteral("Адрес 0040  Ошибка при записи в РПЗУ элемента  5"));
    EXPECT_EQ(adapter.frames.size(), 2); // no read-back after a failed write
}

TEST_F(Programming, VerificationNamesTheLastDifference)
{
    adapter.corruptAt = 0x85;
    EXPECT_EQ(program(pattern(300)), Outcome::Failed);
    EXPECT_EQ(sink.log.last(), QStringLiteral("Несовпадение информации по адресу 0085"));
    EXPECT_FALSE(sink.log.contains(QStringLiteral("Информация в адаптер принтера записана верно")));
}

TEST_F(Programming, BlocksNotReadBackAreNotVerified)
{
    adapter.silentReadAt = 5 + 2; // the third read request
    EXPECT_EQ(program(pattern(300)), Outcome::Failed);
    EXPECT_EQ(sink.log.last(),
              QStringLiteral("Нет данных из адаптера принтера по адресу 0080: блоки с адреса 0080 по адрес 0100 не проверены"));
    EXPECT_EQ(adapter.frames.size(), 5 + 3); // the read-back ends at the silent block
}

TEST_F(Programming, StopDuringWriting)
{
    adapter.onFrame = [&] {
        if (adapter.frames.size() == 2)
            stop = true;
    };
    EXPECT_EQ(program(pattern(300)), Outcome::Stopped);
    EXPECT_EQ(adapter.frames.size(), 2);
    EXPECT_EQ(sink.log.last(), QStringLiteral("Запись информации в адаптер принтера"));
}

TEST_F(Programming, ImageBeyondTheAdapterIsRefusedBeforeErasing)
{
    EXPECT_EQ(program(QByteArray(0x20000, 1)), Outcome::Failed);
    EXPECT_TRUE(line.all.isEmpty());
    EXPECT_TRUE(sink.log.last().contains(QStringLiteral("не помещается в память адаптера принтера")));
    // The largest image that can be addressed goes through.
    sink.log.clear();
    EXPECT_EQ(program(pattern(0x20000 - 64)), Outcome::Done);
    EXPECT_EQ(adapter.frames[2046].mid(1, 2), bytes({0xFF, 0x81}));
}

TEST_F(Programming, VerifyWithoutWriting)
{
    adapter.memory.replace(0, 300, pattern(300));
    QByteArray back;
    EXPECT_EQ(verifyAdapter(link, cutIntoBlocks(pattern(300), 64), options, sink, stop, &back), Outcome::Done);
    EXPECT_EQ(back, pattern(300));
    EXPECT_EQ(adapter.frames.size(), 5); // only read requests
    adapter.corruptAt = 299;
    EXPECT_EQ(verifyAdapter(link, cutIntoBlocks(pattern(300), 64), options, sink, stop), Outcome::Failed);
    EXPECT_EQ(sink.log.last(), QStringLiteral("Несовпадение информации по адресу 012B"));
}

TEST(ImageFile, ReadsBlocksOrSaysWhy)
{
    QTemporaryDir dir;
    Recorder sink;
    ImageBlocks image;
    const QString path = dir.filePath("info.bin");
    EXPECT_FALSE(ReadImageBlocks(path, 64, 1 << 20, image, sink));
    EXPECT_EQ(sink.log, QStringList({"Чтение банков из файла " + path, "Ошибка чтения файла " + path}));
    testfiles::writeRaw(path, pattern(130));
    sink.log.clear();
    ASSERT_TRUE(ReadImageBlocks(path, 128, 1 << 20, image, sink));
    EXPECT_EQ(image.count(), 2);
    EXPECT_EQ(image.lastBlockSize, 2);
    sink.log.clear();
    EXPECT_FALSE(ReadImageBlocks(path, 64, 100, image, sink));
    ASSERT_EQ(sink.log.size(), 2);
    EXPECT_TRUE(sink.log[1].contains(QStringLiteral("длиннее 100 байт")));
}

TEST(PrinterCaptureRules, WrapsAtSeventyTwo)
{
    Recorder sink;
    PrinterCapture capture(sink);
    EXPECT_TRUE(capture.feed(QByteArray(80, 'a') + "\n" + "bc\r\n"));
    ASSERT_EQ(sink.printed.size(), 2);
    EXPECT_EQ(sink.printed[0], QByteArray(72, 'a'));
    EXPECT_EQ(sink.printed[1], QByteArray(8, 'a') + "bc");
    EXPECT_FALSE(capture.feed("\n\xB0\x1A tail"));
    capture.finish();
    ASSERT_EQ(sink.printed.size(), 4);
    EXPECT_EQ(sink.printed[2], "");
    EXPECT_EQ(sink.printed[3], "\xB0");
    // The bar steps at the first line and every third.
    for (int i = 0; i < 5; ++i)
        capture.feed("x\n");
    EXPECT_EQ(capture.lineCount(), 8);
    EXPECT_EQ(sink.steps, 1 + 2);
}

TEST_F(Programming, PrintTestCapturesUntilTheEnd)
{
    line.handler = [](FakeLine& l, const QByteArray& sent) {
        if (sent == bytes({0xDD, 0x23})) {
            l.arriveByte(0);
            l.arrive(QByteArray("\x8F\xE0\xA8\xA2\xA5\xE2\r\n\x0C\r\nline 2\r\n\x1A", 20), 10);
        }
    };
    EXPECT_EQ(printTest(link, CmdArchiveTest, options, sink, stop), Outcome::Done);
    EXPECT_EQ(sink.log, QStringList({"Тест архивной печати"}));
    EXPECT_EQ(sink.printed, QList<QByteArray>({"\x8F\xE0\xA8\xA2\xA5\xE2", "", "line 2"}));

    sink.log.clear();
    line.handler = nullptr;
    EXPECT_EQ(printTest(link, CmdHourlyTest, options, sink, stop), Outcome::Failed);
    EXPECT_EQ(sink.log, QStringList({"Тест почасовой печати", "Отсутствует связь с адаптером принтера или ошибка обмена"}));
    options.trace = true;
    EXPECT_EQ(printTest(link, CmdHourlyTest, options, sink, stop), Outcome::Failed);
    EXPECT_EQ(sink.log.last(), adapterResultText(AdNoAck));
}

TEST_F(Programming, EndlessPrintTestRunsUntilStopped)
{
    int reads = 0;
    struct Endless : Recorder {
        StopFlag* stop;
        int* lines;
        void printerLine(const QByteArray& l) override
        {
            Recorder::printerLine(l);
            if (++*lines == 500)
                *stop = true;
        }
    } endless;
    endless.stop = &stop;
    endless.lines = &reads;
    line.handler = [](FakeLine& l, const QByteArray&) {
        l.arriveByte(0);
        l.arrive(QByteArray("0123456789\n").repeated(1000), 1, 0);
    };
    EXPECT_EQ(printTest(link, CmdHourlyTest, options, endless, stop), Outcome::Stopped);
    EXPECT_GE(endless.printed.size(), 500);
    EXPECT_LT(endless.printed.size(), 520);
}

} // namespace
