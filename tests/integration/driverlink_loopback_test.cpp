// The driver link over real loopback TCP: a driver scripted by the test on a
// QTcpServer, and rastrova-sim's driver with its adapter. The link, the device
// operations and the CAN-bus exchange run as the programs run them, on the
// event loop of this thread.

#include "driverlink/bfsDM.h"
#include "driverlink/deviceops.h"
#include "clirun.h"
#include "simprocess.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QSysInfo>
#include <QEventLoop>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>

using namespace rastrova::driverlink;
using rastrova::devprog::Outcome;
using rastrova::devprog::ProgressSink;
using rastrova::devprog::StopFlag;

namespace {

// ---- Waiting on the event loop -------------------------------------------------------

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        pause(5);
    }
    return true;
}

// ---- Little-endian fields, written out by the test itself ------------------------------

uint32_t le32(const QByteArray& b, int at)
{
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t le16(const QByteArray& b, int at)
{
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}
QByteArray bytes32(uint32_t v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xFF);
    return b;
}

QByteArray driverLead(const char* kind)
{
    return QByteArray(kind, 3) + QByteArray("\0\1\0", 3);
}

// A "DSP" reply: lead, header with data length 20, reply record.
QByteArray dsp(uint32_t id, int32_t length, uint8_t d0 = 0, uint8_t address = 1)
{
    QByteArray header(92, '\0');
    header[0] = 1;
    header[4] = 20;
    QByteArray record = bytes32(id);
    record += char(address);
    record += QByteArray(3, '\0');
    record += bytes32(uint32_t(length));
    record += char(d0);
    record += QByteArray(7, '\0');
    return driverLead("DSP") + header + record;
}

// ---- A driver scripted by the test ----------------------------------------------------

// One packet the link sent, as the driver reads it.
struct Sent {
    int connection = 0;
    QByteArray kind;
    QByteArray raw;
    // "DCP" only:
    QByteArray header;
    uint32_t id = 0;
    uint8_t address = 0, length = 0, command = 0;
    uint16_t parameter = 0;
    QByteArray data; // offsets 9..15
    uint32_t indexWord = 0;
    uint16_t timeout1 = 0, timeout2 = 0;

    bool isRequest() const { return kind == "DCP"; }
};

// The fixed parts of a request's block header: 1, 0, 0, data length 16, zeros.
bool headerFixedParts(const Sent& s)
{
    const QByteArray& h = s.header;
    return h.size() == 92 && h[0] == 1 && h[1] == 0 && h[2] == 0 && h[3] == 0 && le32(h, 4) == 16 &&
           h.mid(8, 16) == QByteArray(16, '\0') && h.mid(32) == QByteArray(60, '\0');
}

class ScriptedDriver : public QObject {
public:
    ScriptedDriver()
    {
        EXPECT_TRUE(server_.listen(QHostAddress(QHostAddress::LocalHost), 0));
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                ++connections;
                peer = s;
                peerClosed = false;
                buffer_.clear();
                sockets_ << QPointer<QObject>(s);
                const int number = connections;
                connect(s, &QTcpSocket::readyRead, this, [this, s, number] {
                    if (s == peer)
                        take(s->readAll(), number);
                });
                connect(s, &QTcpSocket::disconnected, this, [this, s] {
                    if (s == peer)
                        peerClosed = true;
                    s->deleteLater();
                });
                connect(s, &QObject::destroyed, this, [this, s] {
                    if (s == peer)
                        peer = nullptr;
                });
            }
        });
    }
    ~ScriptedDriver() override
    {
        // The sockets go with the server; what they signal on the way is no longer heard.
        for (const QPointer<QObject>& s : sockets_)
            if (s)
                QObject::disconnect(s.data(), nullptr, this, nullptr);
    }

    quint16 port() const { return server_.serverPort(); }

    void write(const QByteArray& bytes)
    {
        ASSERT_TRUE(peer) << "no connection to write to";
        peer->write(bytes);
        peer->flush();
    }
    // Writes `bytes` after `ms` milliseconds of the event loop.
    void writeLater(int ms, const QByteArray& bytes)
    {
        QTimer::singleShot(ms, this, [this, bytes] {
            if (peer)
                write(bytes);
        });
    }
    void reply(const Sent& s, int32_t length = 1, uint8_t d0 = 0) { write(dsp(s.id, length, d0, s.address)); }
    void dropConnection()
    {
        if (peer)
            peer->close();
    }

    QList<Sent> requests() const
    {
        QList<Sent> r;
        for (const Sent& s : sent)
            if (s.isRequest())
                r << s;
        return r;
    }
    int requestCount() const { return int(requests().size()); }

    // Called for every complete packet, after it is added to `sent`.
    std::function<void(const Sent&)> onPacket;
    QList<Sent> sent;
    int connections = 0;
    bool peerClosed = false;
    QTcpSocket* peer = nullptr;

private:
    void take(const QByteArray& bytes, int connection)
    {
        buffer_ += bytes;
        for (;;) {
            if (buffer_.size() < 6)
                return;
            const QByteArray kind = buffer_.left(3);
            const int size = kind == "DCP" ? 114 : 6;
            if (buffer_.size() < size)
                return;
            Sent s;
            s.connection = connection;
            s.kind = kind;
            s.raw = buffer_.left(size);
            buffer_.remove(0, size);
            if (s.isRequest()) {
                s.header = s.raw.mid(6, 92);
                const QByteArray rec = s.raw.mid(98, 16);
                s.id = le32(rec, 0);
                s.address = uint8_t(rec[4]);
                s.length = uint8_t(rec[5]);
                s.command = uint8_t(rec[6]);
                s.parameter = le16(rec, 7);
                s.data = rec.mid(9);
                s.indexWord = le32(s.header, 24);
                s.timeout1 = le16(s.header, 28);
                s.timeout2 = le16(s.header, 30);
            }
            sent << s;
            if (onPacket)
                onPacket(s);
        }
    }

    QTcpServer server_;
    QByteArray buffer_;
    QList<QPointer<QObject>> sockets_;
};

// A driver that answers every request with length 1 and data byte 0.
void answerAll(ScriptedDriver& d)
{
    d.onPacket = [&d](const Sent& s) {
        if (s.isRequest())
            d.reply(s);
    };
}

void connectTo(TBfsCl& link, const ScriptedDriver& d, const QString& host = QStringLiteral("127.0.0.1"))
{
    link.setHost(host);
    link.setPort(d.port());
    ASSERT_TRUE(link.ConnectAndWait());
    ASSERT_TRUE(link.IsConnected());
}

RequestRecord request(uint32_t id, uint8_t command = CmdRead, uint16_t parameter = 0x0104, uint8_t address = 1)
{
    RequestRecord r;
    r.id = id;
    r.address = address;
    r.length = 3;
    r.command = command;
    r.parameter = parameter;
    return r;
}

struct LogSink : ProgressSink {
    QStringList lines;
    void logLine(const QString& line) override { lines << line; }
};

int closedPort()
{
    QTcpServer gone;
    EXPECT_TRUE(gone.listen(QHostAddress(QHostAddress::LocalHost), 0));
    const int port = gone.serverPort();
    gone.close();
    return port;
}

// ---- Connecting --------------------------------------------------------------------------

TEST(DriverLink, ConnectsAndLogsTheConnection)
{
    ScriptedDriver d;
    {
        QStringList signalled; // outlives the link, which logs its disconnect when destroyed
        TBfsCl link;
        QObject::connect(&link, &TBfsCl::logged, [&](const QString& l) { signalled << l; });
        link.setHost(QString());
        link.setPort(d.port());
        QElapsedTimer t;
        t.start();
        EXPECT_TRUE(link.ConnectAndWait());
        EXPECT_LT(t.elapsed(), 1000);
        EXPECT_EQ(link.host(), QStringLiteral("127.0.0.1"));
        EXPECT_TRUE(link.IsConnected());
        EXPECT_TRUE(link.isReady());
        ASSERT_TRUE(waitFor([&] { return d.connections == 1; }, 2000));
        ASSERT_EQ(link.linkLog().size(), 1) << link.linkLog().join('\n').toStdString();
        const QString line = link.linkLog()[0];
        EXPECT_TRUE(line.startsWith(QStringLiteral("127.0.0.1->Connect to 127.0.0.1 "))) << line.toStdString();
        EXPECT_TRUE(QRegularExpression(QStringLiteral(" w\\d+$")).match(line).hasMatch()) << line.toStdString();
        EXPECT_EQ(signalled, link.linkLog());

        // Connected to that driver already: no second connection.
        EXPECT_TRUE(link.ConnectAndWait());
        pause(50);
        EXPECT_EQ(d.connections, 1);
        // Nothing is sent by connecting.
        EXPECT_TRUE(d.sent.isEmpty());
    }

    TBfsCl dotted;
    connectTo(dotted, d, QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(waitFor([&] { return d.connections == 2; }, 2000));
    ASSERT_FALSE(dotted.linkLog().isEmpty());
    EXPECT_TRUE(dotted.linkLog()[0].startsWith(QStringLiteral("127.0.0.1->Connect to 127.0.0.1 ")));
}

TEST(DriverLink, ConnectLineNamesThePeerAsTyped)
{
    // "Connect to " address, the host name as the user typed it (no lookup that
    // could hold up the window), " w" and the platform's version number (major
    // version in the low byte, minor in the high byte).
    const QStringList kernel = QSysInfo::kernelVersion().split(u'.');
    const int version = (kernel.value(0).toInt() & 0xFF) | (kernel.value(1).toInt() & 0xFF) << 8;
    ASSERT_GT(version, 4);
    {
        ScriptedDriver d;
        TBfsCl link;
        connectTo(link, d, QStringLiteral("127.0.0.1"));
        ASSERT_EQ(link.linkLog().size(), 1);
        EXPECT_EQ(link.linkLog()[0], QStringLiteral("127.0.0.1->Connect to 127.0.0.1  w%1").arg(version));
    }
    ScriptedDriver d;
    TBfsCl link;
    connectTo(link, d, QStringLiteral("localhost"));
    ASSERT_EQ(link.linkLog().size(), 1);
    EXPECT_EQ(link.linkLog()[0], QStringLiteral("127.0.0.1->Connect to 127.0.0.1 localhost w%1").arg(version));
}

TEST(DriverLink, NoDriverListening)
{
    TBfsCl link;
    link.setPort(closedPort());
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link.ConnectAndWait());
    EXPECT_LT(t.elapsed(), 1500);
    EXPECT_FALSE(link.IsConnected());
    EXPECT_FALSE(link.isReady());
    ASSERT_FALSE(link.linkLog().isEmpty());
    EXPECT_TRUE(link.linkLog()[0].startsWith(QStringLiteral("Ошибка связи:"))) << link.linkLog()[0].toStdString();
    EXPECT_FALSE(link.linkLog().join('\n').contains(QStringLiteral("Connect to")));
}

// ---- Requests and replies ---------------------------------------------------------------

TEST(DriverLink, TransactTakesOnlyTheReplyWithItsIdentifier)
{
    ScriptedDriver d;
    TBfsCl link;
    connectTo(link, d);

    // Replies to other requests, identifier 0 and 0xFFFFFFFF first; the right one later.
    d.onPacket = [&](const Sent& s) {
        if (s.id == 500) {
            d.write(dsp(501, 1, 0x11) + dsp(0, 1, 0x22) + dsp(0xFFFFFFFF, 1, 0x33));
            d.writeLater(150, dsp(500, 1, 0x44, 9));
        }
    };
    RequestRecord r = request(500, CmdSetAccess, 3, 9);
    r.length = 2;
    QElapsedTimer t;
    t.start();
    ReplyRecord reply = link.Transact(r, 2000);
    const qint64 took = t.elapsed();
    EXPECT_EQ(reply.id, 500u);
    EXPECT_EQ(reply.length, 1);
    EXPECT_EQ(reply.data[0], 0x44);
    EXPECT_EQ(reply.address, 9);
    EXPECT_GE(took, 120);
    EXPECT_LT(took, 1500);
    ASSERT_EQ(d.requestCount(), 1);
    const Sent sent = d.requests()[0];
    EXPECT_TRUE(headerFixedParts(sent));
    EXPECT_EQ(sent.timeout1, 1400);
    EXPECT_EQ(sent.timeout2, 1400);
    EXPECT_EQ(sent.address, 9);
    EXPECT_EQ(sent.command, CmdSetAccess);
    EXPECT_EQ(sent.parameter, 3);

    // A reply after its wait has ended is dropped and does not answer the next request.
    d.onPacket = [&](const Sent& s) {
        if (s.id == 600)
            d.writeLater(500, dsp(600, 1, 0x60));
        if (s.id == 601)
            d.writeLater(400, dsp(601, 1, 0x61));
    };
    t.restart();
    reply = link.Transact(request(600), 250);
    EXPECT_EQ(reply.id, 600u);
    EXPECT_EQ(reply.length, -1);
    EXPECT_GE(t.elapsed(), 225);
    EXPECT_LT(t.elapsed(), 450);
    t.restart();
    reply = link.Transact(request(601), 2000);
    EXPECT_EQ(reply.id, 601u);
    EXPECT_EQ(reply.length, 1);
    EXPECT_EQ(reply.data[0], 0x61);
    EXPECT_GE(t.elapsed(), 350);

    // A fresh identifier per request, 21 first.
    answerAll(d);
    reply = link.TransactNewId(request(12345), 1000);
    EXPECT_EQ(reply.id, 21u);
    EXPECT_EQ(reply.length, 1);
    reply = link.TransactNewId(request(12345), 1000);
    EXPECT_EQ(reply.id, 22u);
    const QList<Sent> all = d.requests();
    ASSERT_EQ(all.size(), 5);
    EXPECT_EQ(all[3].id, 21u);
    EXPECT_EQ(all[4].id, 22u);
    EXPECT_EQ(all[3].timeout1, 700);
}

TEST(DriverLink, FailedReplyDoesNotEndTheWaitEarly)
{
    // A reply whose length is -1 or less is kept, but the wait runs its time.
    ScriptedDriver d;
    TBfsCl link;
    connectTo(link, d);
    d.onPacket = [&](const Sent& s) { d.write(dsp(s.id, -1, 0x55, 4)); };
    QElapsedTimer t;
    t.start();
    const ReplyRecord reply = link.Transact(request(650), 400);
    EXPECT_EQ(reply.length, -1);
    EXPECT_GE(t.elapsed(), 360);
    EXPECT_LT(t.elapsed(), 1200);

    // Length 0 is an answer: the wait ends with it.
    d.onPacket = [&](const Sent& s) { d.write(dsp(s.id, 0, 0x56, 4)); };
    t.restart();
    const ReplyRecord failed = link.Transact(request(651), 2000);
    EXPECT_EQ(failed.length, 0);
    EXPECT_EQ(failed.data[0], 0x56);
    EXPECT_LT(t.elapsed(), 1000);
}

TEST(DriverLink, NestedWaitsEachEndOnTheirOwnReply)
{
    ScriptedDriver d;
    TBfsCl link;
    connectTo(link, d);
    QElapsedTimer outerClock;
    ReplyRecord inner;
    qint64 innerStarted = -1, innerEnded = -1;
    const auto nestInside = [&](uint32_t id) {
        QTimer::singleShot(50, [&, id] {
            innerStarted = outerClock.elapsed();
            inner = link.Transact(request(id), 3000);
            innerEnded = outerClock.elapsed();
        });
    };

    // The second (inner) request is answered first; the outer 200 ms later.
    d.onPacket = [&](const Sent& s) {
        if (s.id == 701) {
            d.reply(s, 1, 0x71);
            d.writeLater(200, dsp(700, 1, 0x70));
        }
    };
    nestInside(701);
    outerClock.start();
    ReplyRecord outer = link.Transact(request(700), 3000);
    qint64 took = outerClock.elapsed();
    EXPECT_EQ(inner.id, 701u);
    EXPECT_EQ(inner.data[0], 0x71);
    EXPECT_EQ(outer.id, 700u);
    EXPECT_EQ(outer.data[0], 0x70);
    EXPECT_LT(innerEnded - innerStarted, 150);
    EXPECT_GE(took, 220);
    EXPECT_LT(took, 1500);

    // The outer reply comes first: the inner wait goes on until its own.
    d.onPacket = [&](const Sent& s) {
        if (s.id == 711) {
            d.write(dsp(710, 1, 0x80));
            d.writeLater(300, dsp(711, 1, 0x81));
        }
    };
    nestInside(711);
    outerClock.restart();
    outer = link.Transact(request(710), 3000);
    took = outerClock.elapsed();
    EXPECT_EQ(inner.id, 711u);
    EXPECT_EQ(inner.length, 1);
    EXPECT_EQ(inner.data[0], 0x81);
    EXPECT_GE(innerEnded - innerStarted, 270);
    EXPECT_EQ(outer.data[0], 0x80);
    EXPECT_LT(took, 1500);

    // Both replies in one write: both dispatched, neither wait runs to its time.
    for (const bool innerFirst : {true, false}) {
        const uint32_t outerId = innerFirst ? 720 : 730, innerId = outerId + 1;
        d.onPacket = [&, outerId, innerId, innerFirst](const Sent& s) {
            if (s.id == innerId)
                d.write(innerFirst ? dsp(innerId, 1, 0x91) + dsp(outerId, 1, 0x90)
                                   : dsp(outerId, 1, 0x90) + dsp(innerId, 1, 0x91));
        };
        nestInside(innerId);
        outerClock.restart();
        outer = link.Transact(request(outerId), 3000);
        took = outerClock.elapsed();
        EXPECT_EQ(inner.id, innerId);
        EXPECT_EQ(inner.data[0], 0x91);
        EXPECT_EQ(outer.id, outerId);
        EXPECT_EQ(outer.data[0], 0x90);
        EXPECT_LT(took, 1000) << "inner first: " << innerFirst;
    }
}

// ---- Losing the driver ------------------------------------------------------------------

TEST(DriverLink, CloseFromTheDriver)
{
    ScriptedDriver d;
    TBfsCl link;
    connectTo(link, d);
    ASSERT_TRUE(waitFor([&] { return d.peer != nullptr; }, 2000));
    d.write(driverLead("000"));
    EXPECT_TRUE(waitFor([&] { return !link.IsConnected(); }, 2000));
    EXPECT_FALSE(link.isReady());
    EXPECT_TRUE(link.linkLog().contains(QStringLiteral("127.0.0.1->Disconnect"))) << link.linkLog().join('\n').toStdString();
    EXPECT_TRUE(waitFor([&] { return d.peerClosed; }, 2000));
    // The log prefix goes with the connection.
    link.addLogLine(QStringLiteral("после"));
    EXPECT_EQ(link.linkLog().last(), QStringLiteral("после"));
}

TEST(DriverLink, LostConnectionEndsTheWaitAndNothingIsSentUntilReconnected)
{
    ScriptedDriver d;
    TBfsCl link;
    connectTo(link, d);
    d.onPacket = [&](const Sent& s) {
        if (s.id == 800)
            QTimer::singleShot(100, &d, [&] { d.dropConnection(); });
    };
    QElapsedTimer t;
    t.start();
    ReplyRecord reply = link.Transact(request(800), 5000);
    EXPECT_EQ(reply.length, -1);
    EXPECT_EQ(reply.id, 800u);
    EXPECT_LT(t.elapsed(), 1500);
    EXPECT_FALSE(link.IsConnected());
    EXPECT_TRUE(link.linkLog().contains(QStringLiteral("127.0.0.1->Disconnect"))) << link.linkLog().join('\n').toStdString();

    // Not connected: nothing goes out, the wait runs its full time.
    EXPECT_EQ(link.SendRequest(request(801)), 1);
    t.restart();
    reply = link.Transact(request(802), 300);
    EXPECT_EQ(reply.length, -1);
    EXPECT_GE(t.elapsed(), 270);
    EXPECT_LT(t.elapsed(), 1000);

    // Connected again: the first request on the new connection is the new one.
    answerAll(d);
    connectTo(link, d);
    ASSERT_TRUE(waitFor([&] { return d.connections == 2; }, 2000));
    reply = link.Transact(request(803), 2000);
    EXPECT_EQ(reply.length, 1);
    QList<Sent> second;
    for (const Sent& s : d.sent)
        if (s.connection == 2)
            second << s;
    ASSERT_EQ(second.size(), 1);
    EXPECT_EQ(second[0].id, 803u);
}

TEST(DriverLink, SilentDriverAndNoConnection)
{
    ScriptedDriver d;
    TBfsCl link;
    connectTo(link, d);
    QElapsedTimer t;
    t.start();
    ReplyRecord reply = link.Transact(request(900), 400);
    EXPECT_EQ(reply.length, -1);
    EXPECT_EQ(reply.id, 900u);
    EXPECT_GE(t.elapsed(), 360);
    EXPECT_LT(t.elapsed(), 1200);
    ASSERT_TRUE(waitFor([&] { return d.requestCount() == 1; }, 1000));
    EXPECT_EQ(d.requests()[0].id, 900u);
    EXPECT_EQ(d.requests()[0].timeout1, 280);
    EXPECT_EQ(d.requests()[0].timeout2, 280);

    // A link never connected: nothing sent, the full wait, length -1; the index
    // word still follows the request.
    TBfsCl idle;
    EXPECT_FALSE(idle.IsConnected());
    EXPECT_EQ(idle.SendRequest(request(901)), 1);
    t.restart();
    reply = idle.Transact(request(902, CmdFixIndex, 0x0100), 300);
    EXPECT_EQ(reply.length, -1);
    EXPECT_GE(t.elapsed(), 270);
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(idle.indexWord(), 0x00000100u);
    EXPECT_TRUE(idle.linkLog().isEmpty());
}

TEST(DriverLink, WaitsRunTheirFullTime)
{
    // A wait without a reply ends when more than its time has passed, never before.
    ScriptedDriver d;
    TBfsCl link;
    connectTo(link, d);
    TBfsCl idle;
    for (const int wait : {500, 300, 200, 130, 110}) {
        for (TBfsCl* l : {&link, &idle}) {
            QElapsedTimer t;
            t.start();
            EXPECT_EQ(l->Transact(request(960), wait).length, -1);
            const qint64 took = t.elapsed();
            EXPECT_GE(took, wait) << (l == &idle ? "not connected" : "silent driver");
            EXPECT_LT(took, wait + 500);
        }
    }
}

// ---- Keep-alive and disconnecting -------------------------------------------------------

TEST(DriverLink, KeepAliveAfterTenSecondsWithoutSending)
{
    ScriptedDriver d;
    TBfsCl link;
    qint64 now = 0;
    link.setClock([&] { return now; });
    connectTo(link, d);
    answerAll(d);
    const auto keepAlives = [&] {
        int n = 0;
        for (const Sent& s : d.sent)
            n += s.kind == "CKP";
        return n;
    };

    now = 5000;
    link.Timer1Timer();
    pause(100);
    EXPECT_EQ(keepAlives(), 0);

    now = 20000;
    link.Timer1Timer();
    ASSERT_TRUE(waitFor([&] { return keepAlives() == 1; }, 1000));
    QByteArray ckp = d.sent.last().raw;
    ASSERT_EQ(ckp.size(), 6);
    ckp[3] = 0;
    EXPECT_EQ(ckp, QByteArray::fromHex("434B50000100"));
    link.Timer1Timer(); // just sent
    pause(50);
    EXPECT_EQ(keepAlives(), 1);

    // A request resets the time.
    now = 25000;
    EXPECT_EQ(link.Transact(request(950), 1000).length, 1);
    now = 35000; // 10 s exactly: not more than 10 s
    link.Timer1Timer();
    pause(100);
    EXPECT_EQ(keepAlives(), 1);
    now = 35001;
    link.Timer1Timer();
    ASSERT_TRUE(waitFor([&] { return keepAlives() == 2; }, 1000));
    EXPECT_EQ(d.sent.size(), 3); // the request and two keep-alives, nothing else
}

TEST(DriverLink, DisconnectFromDriverSendsCloseFirst)
{
    TBfsCl idle;
    QElapsedTimer t;
    t.start();
    idle.DisconnectFromDriver();
    EXPECT_LT(t.elapsed(), 100);
    EXPECT_TRUE(idle.linkLog().isEmpty());
    EXPECT_FALSE(idle.IsConnected());

    ScriptedDriver d;
    d.onPacket = [&](const Sent& s) {
        if (s.kind == "000")
            d.dropConnection();
    };
    TBfsCl link;
    connectTo(link, d);
    ASSERT_TRUE(waitFor([&] { return d.peer != nullptr; }, 2000));
    link.clearLog();
    link.DisconnectFromDriver();
    EXPECT_FALSE(link.IsConnected());
    EXPECT_TRUE(link.linkLog().contains(QStringLiteral("127.0.0.1->Disconnect"))) << link.linkLog().join('\n').toStdString();
    ASSERT_TRUE(waitFor([&] { return !d.sent.isEmpty(); }, 2000));
    ASSERT_EQ(d.sent.size(), 1);
    QByteArray close = d.sent[0].raw;
    close[3] = 0;
    EXPECT_EQ(close, QByteArray::fromHex("303030000100"));
    EXPECT_TRUE(waitFor([&] { return d.peerClosed; }, 2000));
}

// ---- Device operations ------------------------------------------------------------------

TEST(DriverOps, SetAccess)
{
    TBfsCl idle;
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(SetAccess(idle, 1, 3), -1);
    EXPECT_LT(t.elapsed(), 50);

    ScriptedDriver d;
    TBfsCl link;
    connectTo(link, d);
    struct Answer {
        int32_t length;
        uint8_t d0;
    };
    QList<Answer> answers{{1, 0x07}, {0, 0x07}, {1, 0xFF}, {-3, 0x07}, {2, 0x00}};
    d.onPacket = [&](const Sent& s) {
        if (!answers.isEmpty()) {
            const Answer a = answers.takeFirst();
            d.reply(s, a.length, a.d0);
        }
    };
    EXPECT_EQ(SetAccess(link, 0x2A, 3), 7);
    EXPECT_EQ(SetAccess(link, 0x2A, 3), -1);
    EXPECT_EQ(SetAccess(link, 0x2A, 3), 255);
    EXPECT_EQ(SetAccess(link, 0x2A, 3), -1);
    EXPECT_EQ(SetAccess(link, 0x2A, 0xC5), 0);
    t.restart();
    EXPECT_EQ(SetAccess(link, 0x2A, 3), -1); // no answer within 1000 ms
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_LT(t.elapsed(), 2000);

    const QList<Sent> sent = d.requests();
    ASSERT_EQ(sent.size(), 6);
    for (int i = 0; i < sent.size(); ++i) {
        const Sent& s = sent[i];
        EXPECT_TRUE(headerFixedParts(s));
        EXPECT_EQ(s.address, 0x2A);
        EXPECT_EQ(s.length, 2);
        EXPECT_EQ(s.command, 5);
        EXPECT_EQ(uint8_t(s.raw[98 + 7]), i == 4 ? 0xC5 : 3);
        EXPECT_EQ(uint8_t(s.raw[98 + 8]), 0);
        EXPECT_EQ(s.timeout1, 700);
        EXPECT_EQ(s.timeout2, 700);
        EXPECT_EQ(s.indexWord, 0xFFFFFFFFu);
        if (i > 0) {
            EXPECT_NE(s.id, sent[i - 1].id);
        }
    }
}

TEST(DriverOps, WriteIndexedBlockSendsFixRecordsAndRecompute)
{
    ScriptedDriver d;
    TBfsCl link;
    connectTo(link, d);
    answerAll(d);

    QByteArray data(128, 0);
    for (int i = 0; i < 128; ++i)
        data[i] = char(0x80 + i);
    EXPECT_TRUE(WriteIndexedBlock(link, data, 0x33, 2, 64, 0x0100));
    QList<Sent> sent = d.requests();
    ASSERT_EQ(sent.size(), 66);
    for (const Sent& s : sent) {
        EXPECT_TRUE(headerFixedParts(s));
        EXPECT_EQ(s.address, 0x33);
    }
    EXPECT_EQ(sent[0].command, 6);
    EXPECT_EQ(sent[0].length, 3);
    EXPECT_EQ(sent[0].parameter, 0x0100);
    EXPECT_EQ(sent[0].indexWord, 0x00000100u);
    EXPECT_EQ(sent[0].timeout1, 350);
    EXPECT_EQ(sent[0].timeout2, 350);
    for (int i = 0; i < 64; ++i) {
        const Sent& s = sent[1 + i];
        SCOPED_TRACE(i);
        EXPECT_EQ(s.command, 7);
        EXPECT_EQ(s.length, 5);
        EXPECT_EQ(s.parameter, i);
        EXPECT_EQ(uint8_t(s.data[0]), 0x80 + 2 * i);
        EXPECT_EQ(uint8_t(s.data[1]), 0x80 + 2 * i + 1);
        EXPECT_EQ(s.data.mid(2, 2), QByteArray(2, '\0')); // offsets 11, 12 cleared
        EXPECT_EQ(s.indexWord, 0x00000100u);
        EXPECT_EQ(s.timeout1, 2100);
        EXPECT_EQ(s.id, sent[i].id + 1);
    }
    EXPECT_EQ(sent[65].command, 4);
    EXPECT_EQ(sent[65].length, 3);
    EXPECT_EQ(sent[65].parameter, 0x0100);
    EXPECT_EQ(sent[65].indexWord, 0xFFFFFFFFu);
    EXPECT_EQ(sent[65].timeout1, 2100);
    EXPECT_EQ(link.indexWord(), 0xFFFFFFFFu);

    // Four bytes per record: record i is bytes 4i..4i+3 at offsets 9..12.
    d.sent.clear();
    QByteArray four(20, 0);
    for (int i = 0; i < 20; ++i)
        four[i] = char(i * 7 + 1);
    EXPECT_TRUE(WriteIndexedBlock(link, four, 0x33, 4, 5, 0x0101));
    sent = d.requests();
    ASSERT_EQ(sent.size(), 7);
    EXPECT_EQ(sent[0].parameter, 0x0101);
    EXPECT_EQ(sent[0].indexWord, 0x00000101u);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sent[1 + i].length, 7);
        EXPECT_EQ(sent[1 + i].parameter, i);
        EXPECT_EQ(sent[1 + i].raw.mid(98 + 9, 4), four.mid(4 * i, 4));
        EXPECT_EQ(sent[1 + i].indexWord, 0x00000101u);
    }
    EXPECT_EQ(sent[6].command, 4);
    EXPECT_EQ(sent[6].parameter, 0x0101);

    // One byte per record: offsets 10..12 cleared; record indices above 255 take both bytes.
    d.sent.clear();
    QByteArray ones(300, char(0xAB));
    EXPECT_TRUE(WriteIndexedBlock(link, ones, 0x33, 1, 300, 0x0100));
    sent = d.requests();
    ASSERT_EQ(sent.size(), 302);
    EXPECT_EQ(sent[1 + 299].parameter, 299);
    EXPECT_EQ(uint8_t(sent[1 + 299].raw[98 + 7]), 0x2B);
    EXPECT_EQ(uint8_t(sent[1 + 299].raw[98 + 8]), 0x01);
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(sent[1 + i].length, 4);
        ASSERT_EQ(sent[1 + i].data.mid(0, 4), QByteArray::fromHex("AB000000")) << i;
    }
}

TEST(DriverOps, WriteIndexedBlockWhenTheIndexIsRefusedOrUnanswered)
{
    ScriptedDriver d;
    TBfsCl link;
    connectTo(link, d);
    link.clearLog();
    d.onPacket = [&](const Sent& s) {
        if (s.isRequest())
            d.reply(s, s.command == CmdFixIndex ? 0 : 1, 0x03);
    };
    const QByteArray data(128, 0x11);
    EXPECT_FALSE(WriteIndexedBlock(link, data, 1, 2, 64, 0x0100));
    pause(200);
    ASSERT_EQ(d.requestCount(), 1);
    EXPECT_EQ(d.requests()[0].command, 6);
    EXPECT_EQ(link.linkLog(), QStringList{QStringLiteral("127.0.0.1->Не могу зафиксировать индексный параметр!")});
    // No command 4 went out: the index word stays until the next one.
    EXPECT_EQ(link.indexWord(), 0x00000100u);
    EXPECT_EQ(SetAccess(link, 1, 3), 3);
    ASSERT_EQ(d.requestCount(), 2);
    EXPECT_EQ(d.requests()[1].indexWord, 0x00000100u);

    // A failed reply other than 0, or none within 500 ms: the records go anyway.
    for (const bool answerFix : {true, false}) {
        SCOPED_TRACE(answerFix);
        d.sent.clear();
        link.clearLog();
        d.onPacket = [&, answerFix](const Sent& s) {
            if (s.command != CmdFixIndex)
                d.reply(s, 1);
            else if (answerFix)
                d.reply(s, -1);
        };
        QElapsedTimer t;
        t.start();
        EXPECT_TRUE(WriteIndexedBlock(link, data, 1, 2, 2, 0x0100));
        if (!answerFix) {
            EXPECT_GE(t.elapsed(), 450); // the full wait: DriverLink.WaitsRunTheirFullTime
        }
        EXPECT_LT(t.elapsed(), 2000);
        const QList<Sent> sent = d.requests();
        ASSERT_EQ(sent.size(), 4);
        EXPECT_EQ(sent[1].command, 7);
        EXPECT_EQ(sent[2].command, 7);
        EXPECT_EQ(sent[3].command, 4);
        EXPECT_TRUE(link.linkLog().isEmpty());
    }
}

// ---- The CAN-bus exchange ----------------------------------------------------------------

QByteArray canImage(int n)
{
    QByteArray b = integration::pattern(n);
    for (int i = 128; i < 256 && i < n; ++i)
        b[i] = char(0xFF);
    return b;
}

uint8_t sum8(const QByteArray& b, int from, int count)
{
    unsigned s = 0;
    for (int i = from; i < from + count; ++i)
        s += uint8_t(b[i]);
    return uint8_t(s & 0xFF);
}

CanExchangeOptions to(int port, int address = 1)
{
    CanExchangeOptions o;
    o.port = port;
    o.address = address;
    return o;
}

TEST(DriverCanExchange, RequestsInOrderForImagesOf356And357Bytes)
{
    for (const int size : {356, 357}) {
        SCOPED_TRACE(size);
        ScriptedDriver d;
        TBfsCl link;
        LogSink sink;
        QList<int> logSizeAt; // the sink's lines when each request arrived
        d.onPacket = [&](const Sent& s) {
            if (!s.isRequest())
                return;
            logSizeAt << int(sink.lines.size());
            d.reply(s, 1, 0);
        };
        // Bytes 128..255 are not 0xFF here, so a sum over the whole directory would differ.
        QByteArray image = integration::pattern(size);
        for (int i = 128; i < 256; ++i)
            image[i] = char(i);
        QTemporaryDir dir;
        const QString path = integration::writeImage(dir, image);
        StopFlag stop{false};
        const Outcome outcome = runCanExchange(link, path, to(d.port(), 0x1234), sink, stop);
        EXPECT_EQ(outcome, Outcome::Done) << sink.lines.join('\n').toStdString();
        ASSERT_EQ(sink.lines.size(), 2) << sink.lines.join('\n').toStdString();
        EXPECT_TRUE(sink.lines[0].startsWith(QStringLiteral("127.0.0.1->Connect to 127.0.0.1 ")));
        EXPECT_EQ(sink.lines[1], QStringLiteral("Обмен закончен"));
        EXPECT_TRUE(link.IsConnected()); // stays connected afterwards

        const int records = size == 356 ? 25 : 26;
        const QList<Sent> sent = d.requests();
        ASSERT_EQ(sent.size(), 1 + 66 + 1 + 1 + records + 1 + 3);
        for (const Sent& s : sent) {
            EXPECT_EQ(s.address, 0x34);
            EXPECT_TRUE(headerFixedParts(s));
        }
        int at = 0;
        // Access level 3.
        EXPECT_EQ(sent[at].command, 5);
        EXPECT_EQ(sent[at].length, 2);
        EXPECT_EQ(sent[at].parameter, 3);
        ++at;
        // Directory bytes 0..127 as 64 two-byte records of 0x0100.
        EXPECT_EQ(sent[at].command, 6);
        EXPECT_EQ(sent[at].parameter, 0x0100);
        ++at;
        for (int i = 0; i < 64; ++i, ++at) {
            ASSERT_EQ(sent[at].command, 7);
            ASSERT_EQ(sent[at].parameter, i);
            ASSERT_EQ(sent[at].length, 5);
            ASSERT_EQ(sent[at].raw.mid(98 + 9, 2), image.mid(2 * i, 2)) << i;
        }
        EXPECT_EQ(sent[at].command, 4);
        EXPECT_EQ(sent[at].parameter, 0x0100);
        EXPECT_EQ(sent[at].length, 3);
        ++at;
        // Their checksum: 128 bytes, not 256.
        EXPECT_EQ(sent[at].command, 3);
        EXPECT_EQ(sent[at].length, 4);
        EXPECT_EQ(sent[at].parameter, 0x0102);
        EXPECT_EQ(uint8_t(sent[at].data[0]), sum8(image, 0, 128));
        EXPECT_NE(sum8(image, 0, 128), sum8(image, 0, 256));
        EXPECT_EQ(sent[at].timeout1, 2100);
        ++at;
        // The blank images as four-byte records of 0x0101, the last padded with 0x00.
        EXPECT_EQ(sent[at].command, 6);
        EXPECT_EQ(sent[at].parameter, 0x0101);
        EXPECT_EQ(sent[at].indexWord, 0x00000101u);
        ++at;
        QByteArray padded = image.mid(256);
        while (padded.size() % 4)
            padded += '\0';
        ASSERT_EQ(padded.size(), records * 4);
        for (int i = 0; i < records; ++i, ++at) {
            ASSERT_EQ(sent[at].command, 7);
            ASSERT_EQ(sent[at].parameter, i);
            ASSERT_EQ(sent[at].length, 7);
            ASSERT_EQ(sent[at].raw.mid(98 + 9, 4), padded.mid(4 * i, 4)) << i;
            ASSERT_EQ(sent[at].indexWord, 0x00000101u);
        }
        if (size == 357) {
            EXPECT_EQ(sent[at - 1].raw.mid(98 + 9, 4), image.right(1) + QByteArray(3, '\0'));
        }
        EXPECT_EQ(sent[at].command, 4);
        EXPECT_EQ(sent[at].parameter, 0x0101);
        EXPECT_EQ(sent[at].indexWord, 0xFFFFFFFFu);
        ++at;
        // The size - 1, low byte first.
        EXPECT_EQ(sent[at].command, 3);
        EXPECT_EQ(sent[at].length, 5);
        EXPECT_EQ(sent[at].parameter, 0x0104);
        EXPECT_EQ(sent[at].data.left(2), size == 356 ? QByteArray::fromHex("6301") : QByteArray::fromHex("6401"));
        ++at;
        // The sum of the blank images without the padding.
        EXPECT_EQ(sent[at].command, 3);
        EXPECT_EQ(sent[at].length, 4);
        EXPECT_EQ(sent[at].parameter, 0x0103);
        EXPECT_EQ(uint8_t(sent[at].data[0]), sum8(image, 256, size - 256));
        EXPECT_EQ(logSizeAt[at], 1); // "Обмен закончен" not yet
        ++at;
        // The closing command: length 1, parameter bytes 0x01 0x01, after "Обмен закончен".
        EXPECT_EQ(sent[at].command, 4);
        EXPECT_EQ(sent[at].length, 1);
        EXPECT_EQ(sent[at].raw.mid(98 + 7, 2), QByteArray::fromHex("0101"));
        EXPECT_EQ(sent[at].indexWord, 0xFFFFFFFFu);
        EXPECT_EQ(logSizeAt[at], 2);

        for (int i = 1; i < sent.size(); ++i)
            EXPECT_NE(sent[i].id, sent[i - 1].id);
    }
}

TEST(DriverCanExchange, RefusalsBeforeAnythingIsSent)
{
    QTemporaryDir dir;
    {
        // The driver not running: the link's connection lines, nothing else.
        TBfsCl link;
        LogSink sink;
        StopFlag stop{false};
        QElapsedTimer t;
        t.start();
        EXPECT_EQ(runCanExchange(link, integration::writeImage(dir, canImage(400)), to(closedPort()), sink, stop),
                  Outcome::Failed);
        EXPECT_LT(t.elapsed(), 2000);
        ASSERT_FALSE(sink.lines.isEmpty());
        EXPECT_TRUE(sink.lines[0].startsWith(QStringLiteral("Ошибка связи:"))) << sink.lines[0].toStdString();
        EXPECT_EQ(sink.lines, link.linkLog());
    }
    for (const int size : {256, 36865}) {
        ScriptedDriver d;
        answerAll(d);
        TBfsCl link;
        LogSink sink;
        StopFlag stop{false};
        EXPECT_EQ(runCanExchange(link, integration::writeImage(dir, canImage(size)), to(d.port()), sink, stop),
                  Outcome::Failed);
        pause(50);
        EXPECT_EQ(d.requestCount(), 0) << size;
        ASSERT_EQ(sink.lines.size(), 2);
        EXPECT_TRUE(sink.lines[1].startsWith(QStringLiteral("Образ длиной "))) << sink.lines[1].toStdString();
    }
    {
        ScriptedDriver d;
        answerAll(d);
        TBfsCl link;
        LogSink sink;
        StopFlag stop{false};
        EXPECT_EQ(runCanExchange(link, dir.filePath("none.bin"), to(d.port()), sink, stop), Outcome::Failed);
        pause(50);
        EXPECT_EQ(d.requestCount(), 0);
        EXPECT_EQ(sink.lines.last(), QStringLiteral("Ошибка чтения файла ") + dir.filePath("none.bin"));
    }
}

struct SimRun {
    Outcome outcome = Outcome::Failed;
    QStringList lines;
    qint64 ms = 0;
    QByteArray dump;
};

SimRun runAgainstSimulator(const QByteArray& image, const QStringList& options = {}, int stopAfterMs = -1)
{
    simprocess::DriverSimulator driver(options);
    QTemporaryDir dir;
    const QString path = integration::writeImage(dir, image);
    TBfsCl link;
    LogSink sink;
    StopFlag stop{false};
    if (stopAfterMs >= 0)
        QTimer::singleShot(stopAfterMs, [&] { stop = true; });
    SimRun run;
    QElapsedTimer t;
    t.start();
    run.outcome = runCanExchange(link, path, to(driver.port()), sink, stop);
    run.ms = t.elapsed();
    run.lines = sink.lines;
    run.dump = driver.dump();
    return run;
}

TEST(DriverCanExchange, SimulatedAdapterReceivesTheImage)
{
    for (const int size : {356, 357, 400, 36864}) {
        SCOPED_TRACE(size);
        const QByteArray image = canImage(size);
        const SimRun run = runAgainstSimulator(image);
        EXPECT_EQ(run.outcome, Outcome::Done) << run.lines.join('\n').toStdString();
        ASSERT_EQ(run.lines.size(), 2) << run.lines.join('\n').toStdString();
        EXPECT_TRUE(run.lines[0].startsWith(QStringLiteral("127.0.0.1->Connect to 127.0.0.1 ")));
        EXPECT_EQ(run.lines[1], QStringLiteral("Обмен закончен"));
        EXPECT_EQ(run.dump.size(), image.size());
        EXPECT_TRUE(run.dump == image);
        std::cerr << "image of " << size << " bytes: " << run.ms << " ms\n";
    }
}

TEST(DriverCanExchange, SimulatedDriverMisbehaving)
{
    const QByteArray image = canImage(357);
    const auto show = [](const SimRun& r) { return r.lines.join('\n').toStdString(); };
    {
        // Unsolicited packets of every kind around the replies change nothing.
        const SimRun run = runAgainstSimulator(image, {"--garbage", "--seed", "7"});
        EXPECT_EQ(run.outcome, Outcome::Done) << show(run);
        EXPECT_TRUE(run.dump == image);
    }
    {
        // The link is ready once connected, "DKP" or not.
        const SimRun run = runAgainstSimulator(image, {"--no-ready"});
        EXPECT_EQ(run.outcome, Outcome::Done) << show(run);
        EXPECT_TRUE(run.dump == image);
    }
    {
        const SimRun run = runAgainstSimulator(image, {"--refuse-index"});
        EXPECT_EQ(run.outcome, Outcome::Failed);
        const qsizetype refused = run.lines.indexOf(QStringLiteral("127.0.0.1->Не могу зафиксировать индексный параметр!"));
        EXPECT_GE(refused, 1) << show(run);
        EXPECT_EQ(run.lines.last(), QStringLiteral("Ошибка обмена!")) << show(run);
        EXPECT_FALSE(run.lines.contains(QStringLiteral("Обмен закончен")));
        EXPECT_LT(run.ms, 3000);
    }
    {
        const SimRun run = runAgainstSimulator(image, {"--fail-checksum"});
        EXPECT_EQ(run.outcome, Outcome::Failed);
        EXPECT_EQ(run.lines.last(), QStringLiteral("Ошибка обмена!")) << show(run);
        EXPECT_FALSE(run.lines.contains(QStringLiteral("Обмен закончен")));
        EXPECT_LT(run.ms, 3000);
    }
    {
        const SimRun run = runAgainstSimulator(image, {"--huge-length"});
        EXPECT_EQ(run.outcome, Outcome::Failed);
        EXPECT_TRUE(run.lines.join('\n').contains(QStringLiteral("Драйвер прислал блок невозможной длины")))
            << show(run);
        EXPECT_LT(run.ms, 3000);
    }
    {
        // Silent: every wait runs its time; the stop request ends it after a record.
        const SimRun run = runAgainstSimulator(image, {"--silent"}, 2000);
        EXPECT_EQ(run.outcome, Outcome::Stopped) << show(run);
        EXPECT_EQ(run.lines.last(), QStringLiteral("Обмен остановлен")) << show(run);
        EXPECT_GE(run.ms, 4000); // access 1 s, index 0.5 s, the first record 3 s
        EXPECT_LT(run.ms, 6000);
    }
}

TEST(DriverCanExchange, ConnectionDroppedBySimulatedDriver)
{
    // 357 bytes: 99 requests. The driver closes after its reply to request N:
    // the access level, the index, a directory record, the directory's recompute,
    // a blank-image record, the size.
    const QByteArray image = canImage(357);
    for (const int n : {1, 2, 40, 66, 67, 80, 97}) {
        SCOPED_TRACE(n);
        const SimRun run = runAgainstSimulator(image, {"--drop-after", QString::number(n)});
        const std::string log = run.lines.join('\n').toStdString();
        EXPECT_EQ(run.outcome, Outcome::Failed) << log;
        EXPECT_TRUE(run.lines.contains(QStringLiteral("127.0.0.1->Disconnect"))) << log;
        EXPECT_FALSE(run.lines.contains(QStringLiteral("Обмен закончен"))) << log;
        EXPECT_LT(run.ms, 2000) << log;
    }
}

} // namespace
