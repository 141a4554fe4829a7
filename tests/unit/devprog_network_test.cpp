// Programming through the controller on a scripted line: the requests byte for
// byte, the key and password rules, the state waits on the fake clock, and the
// blocks.

#include "devprog/networkprog.h"
#include "fakeline.h"
#include "testfiles.h"

#include <gtest/gtest.h>

using namespace rastrova::devprog;
using fakeline::bytes;
using fakeline::FakeClock;
using fakeline::FakeLine;

namespace {

// A controller: EOT to ENQ, ACK to a request with a good sum and the reply of
// the state or password read; in buffer mode it takes adapter commands.
struct FakeController {
    QByteArray state = bytes({0x00, 0x00});
    QByteArray password = bytes({0xFF, 0xFF}); // what the password read returns
    bool stops = true;
    bool buffer = false;
    int pending = 0;
    QList<QByteArray> requests; // data bytes of every request
    QList<QByteArray> frames;   // every block frame

    static QByteArray withSum(QByteArray d)
    {
        uint8_t s = 0;
        for (char c : d)
            s = uint8_t(s + uint8_t(c));
        d += char(uint8_t(-s));
        return d;
    }
    void operator()(FakeLine& l, const QByteArray& sent)
    {
        if (buffer && pending) {
            frames << sent;
            l.arriveByte(0, 1);
            l.arriveByte(0, 2);
            pending = 0;
            return;
        }
        if (buffer && sent.size() == 2 && uint8_t(sent[0]) + uint8_t(sent[1]) == 0x100) {
            l.arriveByte(0, 1);
            if (sent[0] == char(0x70))
                pending = 1;
            else if (sent[0] == char(0xCC))
                buffer = false;
            return;
        }
        if (sent == bytes({0x05})) {
            l.arriveByte(0x04, 2);
            return;
        }
        const QByteArray data = sent.mid(1, sent.size() - 2);
        requests << data;
        l.arriveByte(0x06, 2);
        if (data == bytes({0x01, 0x40, 0x00}))
            l.arrive(withSum(state), 5);
        else if (data == bytes({0x01, 0x40, 0x08}))
            l.arrive(withSum(password), 5);
        else if (data == bytes({0x09}) && stops)
            state[1] = 0x08;
        else if (data == bytes({0x08}))
            state[1] = 0x00;
        else if (data == bytes({0x0F, 0x22}))
            buffer = true;
    }
};

struct Recorder : ProgressSink {
    QStringList log, asked, notices;
    std::deque<bool> answers;
    int notHex = 0;
    void logLine(const QString& l) override { log << l; }
    bool ask(const QString& q) override
    {
        asked << q;
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void notice(const QString& t) override { notices << t; }
    void passwordNotHex() override { ++notHex; }
};

QByteArray pattern(int n)
{
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i)
        b[i] = char(i * 3 + 1);
    return b;
}

struct Network : ::testing::Test {
    FakeClock clock;
    FakeLine line{clock};
    ComLink link{line, clock};
    FakeController controller;
    Recorder sink;
    StopFlag stop{false};
    NetworkOptions options;

    void SetUp() override
    {
        ASSERT_TRUE(link.OpenComPort("/dev/fake", 6, LinkRs232));
        line.handler = std::ref(controller);
    }
    Outcome program(const QByteArray& image)
    {
        VirelProgrammer p(link, options, sink, stop);
        return p.program(cutIntoBlocks(image, 128));
    }
};

TEST(NetworkFrames, BlockNumbersWrap)
{
    const QByteArray block(128, char(0x11));
    const QByteArray f = networkBlockFrame(256, block);
    ASSERT_EQ(f.size(), 130);
    EXPECT_EQ(f[0], 0);
    EXPECT_EQ(uint8_t(f[129]), uint8_t(-(0x11 * 128)));
    EXPECT_EQ(uint8_t(networkBlockFrame(257, block)[0]), 1);
}

TEST_F(Network, ProgramsAndGoesBackToRun)
{
    sink.answers = {true}; // RUN
    ASSERT_EQ(program(pattern(300)), Outcome::Done);
    EXPECT_EQ(line.groups[0], bytes({0x05}));
    EXPECT_EQ(line.groups[1], bytes({0x03, 0x01, 0x40, 0x00, 0xBF}));
    ASSERT_EQ(controller.frames.size(), 3);
    EXPECT_EQ(controller.frames[2][0], 2);
    EXPECT_EQ(controller.frames[2].mid(1, 44), pattern(300).mid(256));
    EXPECT_EQ(controller.frames[2].mid(45, 84), QByteArray(84, char(0xFF)));
    EXPECT_EQ(controller.requests,
              QList<QByteArray>({bytes({1, 0x40, 0}), bytes({9}), bytes({1, 0x40, 0}), bytes({1, 0x40, 0}),
                                 bytes({0x0F, 0x22}), bytes({0x0F, 0xAA}), bytes({8}), bytes({1, 0x40, 0}),
                                 bytes({1, 0x40, 0})}));
    EXPECT_EQ(sink.log, QStringList({"ВИРЕЛ находится в состоянии РАБОТА", "ВИРЕЛ находится в состоянии ОСТАНОВ",
                                     "Копирование в буфер репрогрммации    OK", "Программирование закончено успешно",
                                     "Перевод ВИРЕЛ в режим \"РАБОТА\"", "ВИРЕЛ находится в состоянии РАБОТА"}));
    EXPECT_EQ(sink.asked, QStringList({"Перевести ВИРЕЛ в режим \"РАБОТА\" ?"}));
}

TEST_F(Network, StoppedControllerSkipsStopAndNoRunWhenDeclined)
{
    controller.state = bytes({0x00, 0x08});
    ASSERT_EQ(program(pattern(10)), Outcome::Done);
    EXPECT_FALSE(controller.requests.contains(bytes({0x09})));
    EXPECT_FALSE(controller.requests.contains(bytes({0x08})));
    EXPECT_EQ(sink.log.first(), QStringLiteral("ВИРЕЛ находится в состоянии ОСТАНОВ"));
    EXPECT_EQ(sink.log.last(), QStringLiteral("ВИРЕЛ остался в состоянии СТОП"));
}

TEST_F(Network, MissingKeyIsAskedFor)
{
    controller.state = bytes({0x80, 0x00});
    EXPECT_EQ(program(pattern(10)), Outcome::Failed);
    EXPECT_EQ(sink.log, QStringList({"ВИРЕЛ находится в состоянии РАБОТА"}));
    EXPECT_EQ(sink.asked, QStringList({"Установите электронный ключ "}));
    EXPECT_EQ(controller.requests.size(), 1); // nothing after the state
    sink.answers = {true, false};
    EXPECT_EQ(program(pattern(10)), Outcome::Done);
}

TEST_F(Network, Passwords)
{
    controller.state = bytes({0x00, 0x08});
    options.password = "1A2B";
    controller.password = bytes({0x1A, 0x2B});
    EXPECT_EQ(program(pattern(10)), Outcome::Done);
    EXPECT_EQ(controller.requests[1], bytes({0x05, 0x40, 0x07, 0xBF, 0xF7}));
    EXPECT_EQ(controller.requests[2], bytes({0x05, 0x40, 0x08, 0x1A, 0x2B}));
    EXPECT_TRUE(line.all.contains(bytes({0x05, 0x05, 0x40, 0x08, 0x1A, 0x2B, 0x6E})));

    options.password = "0";
    controller.password = bytes({0xFF, 0xFF});
    EXPECT_EQ(program(pattern(10)), Outcome::Done);

    controller.requests.clear();
    controller.frames.clear();
    options.password = "12345";
    controller.password = bytes({0x23, 0x45});
    EXPECT_EQ(program(pattern(10)), Outcome::Failed);
    EXPECT_EQ(controller.requests[2], bytes({0x05, 0x40, 0x08, 0x23, 0x45}));
    EXPECT_EQ(sink.notices, QStringList({"Задан неверный пароль доступа 12345"}));
    EXPECT_TRUE(controller.frames.isEmpty());

    options.password = "1A 2B";
    controller.requests.clear();
    EXPECT_EQ(program(pattern(10)), Outcome::Failed);
    EXPECT_EQ(sink.notHex, 1);
    EXPECT_EQ(controller.requests.size(), 1); // no password exchange
}

TEST_F(Network, StopNeverReachedEndsTheWait)
{
    controller.stops = false;
    const qint64 before = clock.now;
    EXPECT_EQ(program(pattern(10)), Outcome::Failed);
    EXPECT_EQ(sink.log.last(), QStringLiteral("Невозможно перевести ВИРЕЛ в состояние СТОП"));
    const qint64 waited = clock.now - before;
    EXPECT_GE(waited, 17 * 864);
    EXPECT_LT(waited, 17 * 864 + 400);
    EXPECT_TRUE(controller.frames.isEmpty());
}

TEST_F(Network, StateRequestFailureAndStop)
{
    line.handler = nullptr;
    EXPECT_EQ(program(pattern(10)), Outcome::Failed);
    EXPECT_EQ(sink.log, QStringList({"Чтение информации о состоянии ВИРЕЛ : Нет ответа от ВИРЕЛ "}));

    // A stop during the state wait ends it at once.
    line.handler = std::ref(controller);
    controller.stops = false;
    sink.log.clear();
    struct StopAfterStop : Recorder {
        StopFlag* flag;
        void waitBar(WaitBar b) override
        {
            if (b == WaitBar::Step)
                *flag = true;
        }
    } stopping;
    stopping.flag = &stop;
    VirelProgrammer p(link, options, stopping, stop);
    const qint64 before = clock.now;
    EXPECT_EQ(p.program(cutIntoBlocks(pattern(10), 128)), Outcome::Stopped);
    EXPECT_LT(clock.now - before, 3000);
    EXPECT_FALSE(stopping.log.contains(QStringLiteral("Невозможно перевести ВИРЕЛ в состояние СТОП")));
}

TEST_F(Network, RefusedBlockLeavesTheControllerStopped)
{
    int seen = 0;
    line.handler = [&](FakeLine& l, const QByteArray& sent) {
        if (controller.pending && ++seen == 2) { // the second block frame
            controller.pending = 0;
            l.arriveByte(1, 1);
            return;
        }
        controller(l, sent);
    };
    EXPECT_EQ(program(pattern(300)), Outcome::Failed);
    EXPECT_EQ(sink.log.mid(sink.log.size() - 2),
              QStringList({"NB= 0001 Несовпадение контрольной суммы при передаче данных по адресу  ",
                           "ВИРЕЛ остался в состоянии СТОП"}));
    EXPECT_TRUE(sink.asked.isEmpty()); // no RUN question after a failed block
}

TEST_F(Network, EchoingLine)
{
    line.echo = true;
    options.linkKind = LinkIrpsEcho;
    EXPECT_EQ(program(pattern(200)), Outcome::Done);
    EXPECT_EQ(controller.frames.size(), 2);
}

} // namespace
