// The adapter command and controller request protocols, byte for byte, on a
// scripted line and a fake clock.

#include "devprog/comlink.h"
#include "fakeline.h"
#include "testfiles.h"

#include <gtest/gtest.h>

using namespace rastrova::devprog;
using fakeline::bytes;
using fakeline::FakeClock;
using fakeline::FakeLine;

namespace {

struct Link : ::testing::Test {
    FakeClock clock;
    FakeLine line{clock};
    ComLink link{line, clock};

    void SetUp() override { ASSERT_TRUE(link.OpenComPort("/dev/fake", 3, LinkIrps)); }

    // A device that acknowledges every group with `ack` and sends `status` after
    // a data frame.
    void acknowledgeAll(int ack = 0, int status = -1)
    {
        line.handler = [=](FakeLine& l, const QByteArray& sent) {
            l.arriveByte(uint8_t(ack), 1);
            if (status >= 0 && sent.size() > 2)
                l.arriveByte(uint8_t(status), 2);
        };
    }
};

TEST_F(Link, CommandPairsSumToZero)
{
    acknowledgeAll();
    const std::pair<int, QByteArray> pairs[] = {{0x70, bytes({0x70, 0x90})}, {0x10, bytes({0x10, 0xF0})},
                                                {0x02, bytes({0x02, 0xFE})}, {0xCC, bytes({0xCC, 0x34})},
                                                {0xDD, bytes({0xDD, 0x23})}};
    for (const auto& [command, pair] : pairs) {
        line.groups.clear();
        EXPECT_EQ(link.AdapterCommand(LinkIrps, uint8_t(command), {}, 1, false, 0), AdOk);
        ASSERT_EQ(line.groups.size(), 1);
        EXPECT_EQ(line.groups[0], pair) << command;
        EXPECT_EQ(link.trace(), "00 ");
    }
}

TEST_F(Link, AdapterCommandResults)
{
    const QByteArray frame = bytes({0x05, 0x00, 0x00, 0xAA, 0x51});

    // A refused pair: result 2, and the frame is never sent.
    acknowledgeAll(1);
    line.groups.clear();
    EXPECT_EQ(link.AdapterCommand(LinkIrps, 0x70, frame, 2, true, 2), AdPairRefused);
    EXPECT_EQ(line.groups.size(), 1);
    EXPECT_EQ(link.trace(), "01 ");

    // The frame refused: 3; the trace holds both acknowledgements.
    int group = 0;
    line.handler = [&](FakeLine& l, const QByteArray&) { l.arriveByte(group++ == 0 ? 0 : 7); };
    EXPECT_EQ(link.AdapterCommand(LinkIrps, 0x70, frame, 2, true, 2), AdFrameRefused);
    EXPECT_EQ(link.trace(), "00 07 ");

    // Status 2 after the write: -2, and its text carries the status.
    line.handler = [](FakeLine& l, const QByteArray& sent) {
        l.arriveByte(0);
        if (sent.size() > 2)
            l.arriveByte(2, 5);
    };
    line.groups.clear();
    EXPECT_EQ(link.AdapterCommand(LinkIrps, 0x70, frame, 2, true, 2), -2);
    ASSERT_EQ(line.groups.size(), 2);
    EXPECT_EQ(line.groups[1], frame);
    EXPECT_EQ(adapterResultText(-2), QStringLiteral("Ошибка при записи в РПЗУ элемента  2"));

    // No status within its time: 4, after exactly the status time.
    acknowledgeAll(0);
    qint64 before = clock.now;
    EXPECT_EQ(link.AdapterCommand(LinkIrps, 0x10, {}, 1, true, 3), AdNoStatus);
    EXPECT_EQ(clock.now - before, 1 + 1 + 3000); // pause, ack after 1 ms, 3 s

    // Silence: 1 after the 5-second time-out.
    line.handler = nullptr;
    before = clock.now;
    EXPECT_EQ(link.AdapterCommand(LinkIrps, 0x10, {}, 1, true, 3), AdNoAck);
    EXPECT_EQ(clock.now - before, 1 + 5000);
    EXPECT_EQ(link.trace(), "");
    EXPECT_EQ(adapterResultText(AdNoAck), QStringLiteral("Нет подтверждения о приеме команды  "));
}

TEST_F(Link, AdapterEchoIsDropped)
{
    line.echo = true;
    acknowledgeAll(0, 0);
    const QByteArray frame = bytes({0x05, 0x00, 0x40, 0x11, 0xAA});
    EXPECT_EQ(link.AdapterCommand(LinkIrpsEcho, 0x70, frame, 2, true, 2), AdOk);
    EXPECT_EQ(link.trace(), "00 00 ");
    // Without echo handling the echoed command byte is taken for the acknowledgement.
    EXPECT_EQ(link.AdapterCommand(LinkIrps, 0x70, frame, 2, true, 2), AdPairRefused);
}

TEST_F(Link, PresendPauseByBaudIndex)
{
    acknowledgeAll();
    for (const auto& [index, ms] : {std::pair{0, 3}, {1, 2}, {2, 2}, {3, 1}, {6, 1}}) {
        ASSERT_TRUE(link.OpenComPort("/dev/fake", index, LinkRs232));
        clock.paused = 0;
        link.AdapterCommand(LinkRs232, 0x70, bytes({1, 2, 3}), 2, false, 0);
        EXPECT_EQ(clock.paused, 2 * ms) << index; // one pause per group, not per byte
    }
}

TEST_F(Link, OpeningSetsLineAndModemLines)
{
    ASSERT_TRUE(link.OpenComPort("/dev/ttyS2", 6, LinkRs485));
    EXPECT_EQ(line.opened, "/dev/ttyS2");
    EXPECT_EQ(line.baud, 19200);
    EXPECT_FALSE(line.dtr);
    EXPECT_FALSE(line.rts);
    ASSERT_TRUE(link.OpenComPort("/dev/ttyS2", 0, LinkIrpsEcho));
    EXPECT_EQ(line.baud, 300);
    EXPECT_TRUE(line.dtr);
    EXPECT_FALSE(line.rts);
    line.openable = false;
    EXPECT_FALSE(link.OpenComPort("/dev/ttyS9", 3, LinkIrps));
}

TEST_F(Link, EchoProbe)
{
    EXPECT_EQ(link.ProbeEcho(LinkRs232), LinkRs232);
    EXPECT_EQ(link.ProbeEcho(LinkRs485), LinkRs485);
    EXPECT_TRUE(line.all.isEmpty()); // nothing is sent on those kinds
    EXPECT_EQ(link.ProbeEcho(LinkIrpsEcho), LinkIrps);
    EXPECT_EQ(line.all, bytes({0xFF}));
    line.echo = true;
    EXPECT_EQ(link.ProbeEcho(LinkIrps), LinkIrpsEcho);
}

// A controller that answers the enquiry with EOT and the request with ACK,
// then `reply` after it.
void controller(FakeLine& line, QByteArray reply = {}, int ackByte = 0x06)
{
    line.handler = [=](FakeLine& l, const QByteArray& sent) {
        if (sent == bytes({0x05}))
            l.arriveByte(0x04, 2);
        else if (sent.size() > 1) {
            l.arriveByte(uint8_t(ackByte), 3);
            l.arrive(reply, 10);
        }
    };
}

TEST_F(Link, ControllerRequestFrame)
{
    controller(line);
    line.groups.clear();
    EXPECT_EQ(link.ControllerRequest(bytes({0x01, 0x40, 0x00}), nullptr, 0, LinkIrps), CtrlOk);
    ASSERT_EQ(line.groups.size(), 2);
    EXPECT_EQ(line.groups[0], bytes({0x05}));
    EXPECT_EQ(line.groups[1], bytes({0x03, 0x01, 0x40, 0x00, 0xBF}));
    line.groups.clear();
    EXPECT_EQ(link.ControllerRequest({}, nullptr, 0, LinkIrps), CtrlOk);
    EXPECT_EQ(line.groups[1], bytes({0x00, 0x00}));
}

TEST_F(Link, ControllerRequestOnEchoingLine)
{
    line.echo = true;
    controller(line);
    EXPECT_EQ(link.ControllerRequest(bytes({0x01, 0x40, 0x00}), nullptr, 0, LinkIrpsEcho), CtrlOk);
}

TEST_F(Link, ControllerReplies)
{
    QByteArray reply;
    controller(line, bytes({0x12, 0x34, 0xBA}));
    EXPECT_EQ(link.ControllerRequest(bytes({0x02}), &reply, 2, LinkIrps), CtrlOk);
    EXPECT_EQ(reply, bytes({0x12, 0x34, 0xBA}));

    controller(line, bytes({0x12, 0x34}));
    EXPECT_EQ(link.ControllerRequest(bytes({0x02}), &reply, 2, LinkIrps), CtrlShortReply);
    controller(line, bytes({0x12, 0x34, 0xBB}));
    EXPECT_EQ(link.ControllerRequest(bytes({0x02}), &reply, 2, LinkIrps), CtrlReplySum);
    controller(line, {}, 0x15);
    EXPECT_EQ(link.ControllerRequest(bytes({0x02}), &reply, 2, LinkIrps), CtrlNak);

    // The reply's time: 3 s at 2400 baud, 2 s more beyond 50 bytes, 8 s at 300.
    controller(line);
    qint64 before = clock.now;
    EXPECT_EQ(link.ControllerRequest({}, &reply, 51, LinkIrps), CtrlShortReply);
    EXPECT_EQ(clock.now - before, 1 + 2 + 1 + 3 + 5000);
    ASSERT_TRUE(link.OpenComPort("/dev/fake", 0, LinkIrps));
    before = clock.now;
    EXPECT_EQ(link.ControllerRequest({}, &reply, 4, LinkIrps), CtrlShortReply);
    EXPECT_EQ(clock.now - before, 3 + 2 + 3 + 3 + 8000);
}

TEST_F(Link, ControllerSilenceAndNoise)
{
    // NAK to the enquiry, then silence: 1 as soon as the next 1 s read is empty.
    line.handler = [](FakeLine& l, const QByteArray&) { l.arriveByte(0x15, 1); };
    qint64 before = clock.now;
    EXPECT_EQ(link.ControllerRequest(bytes({1}), nullptr, 0, LinkIrps), CtrlNoEot);
    EXPECT_EQ(clock.now - before, 1 + 1 + 1000);

    // Other bytes all the time: 1 once 1.728 s have passed.
    line.handler = [](FakeLine& l, const QByteArray&) { l.arrive(QByteArray(100, 'x'), 0, 50); };
    before = clock.now;
    EXPECT_EQ(link.ControllerRequest(bytes({1}), nullptr, 0, LinkIrps), CtrlNoEot);
    EXPECT_GE(clock.now - before, 1 + 1728);
    EXPECT_LT(clock.now - before, 1 + 1728 + 50);

    // EOT, then neither ACK nor NAK: 2 after 1.728 s, empty reads included.
    line.silence();
    line.handler = [](FakeLine& l, const QByteArray& sent) {
        if (sent == bytes({0x05}))
            l.arriveByte(0x04);
    };
    before = clock.now;
    EXPECT_EQ(link.ControllerRequest(bytes({1}), nullptr, 0, LinkIrps), CtrlNoAck);
    EXPECT_GE(clock.now - before, 2 + 1728);

    line.handler = nullptr;
    line.writable = false;
    EXPECT_EQ(link.ControllerRequest(bytes({1}), nullptr, 0, LinkIrps), CtrlWriteFailed);
}

TEST_F(Link, ControllerAttempts)
{
    link.SetAttemptCount(3);
    int enquiries = 0;
    line.handler = [&](FakeLine& l, const QByteArray& sent) {
        if (sent == bytes({0x05}) && ++enquiries == 3)
            l.arriveByte(0x04);
        else if (sent.size() > 1)
            l.arriveByte(0x06);
    };
    clock.paused = 0;
    EXPECT_EQ(link.ControllerRequest(bytes({1}), nullptr, 0, LinkIrps), CtrlOk);
    EXPECT_EQ(enquiries, 3);
    EXPECT_EQ(clock.paused, 2 * 3000 + 4 * 1); // two retry pauses, four pre-send pauses
}

TEST(ResultTexts, Tables)
{
    EXPECT_EQ(controllerResultText(CtrlOk), QStringLiteral("  OK"));
    EXPECT_EQ(controllerResultText(CtrlNoEot), QStringLiteral("Нет ответа от ВИРЕЛ "));
    EXPECT_EQ(controllerResultText(CtrlShortReply), QStringLiteral("  Не получены  данные на запрос "));
    EXPECT_FALSE(controllerResultText(CtrlWriteFailed).trimmed().isEmpty());
    EXPECT_EQ(adapterResultText(AdFrameRefused),
              QStringLiteral("Несовпадение контрольной суммы при передаче данных по адресу  "));
    EXPECT_EQ(baudOfIndex(5), 9600);
    EXPECT_EQ(indexOfBaud(19200), 6);
    EXPECT_EQ(indexOfBaud(1234), -1);
}

} // namespace
