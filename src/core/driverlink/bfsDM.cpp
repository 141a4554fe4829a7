#include "driverlink/bfsDM.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QLocale>
#include <QSysInfo>
#include <QTcpSocket>

namespace rastrova::driverlink {

namespace {
// The platform's version as one number: the major version in the low byte, the
// minor version in the high byte.
int platformVersionNumber()
{
    const QStringList parts = QSysInfo::kernelVersion().split(u'.');
    const int major = parts.value(0).toInt() & 0xFF;
    const int minor = parts.value(1).toInt() & 0xFF;
    return major | minor << 8;
}
} // namespace

TBfsCl::TBfsCl(QObject* parent) : QObject(parent), ClientSocket1(new QTcpSocket(this))
{
    ClientSocket1->setObjectName(QStringLiteral("ClientSocket1"));
    Timer1.setObjectName(QStringLiteral("Timer1"));
    QElapsedTimer* clock = new QElapsedTimer;
    clock->start();
    now_ = [clock] { return clock->elapsed(); };
    connect(this, &QObject::destroyed, [clock] { delete clock; });
    lastSend_ = now_();

    connect(ClientSocket1, &QTcpSocket::connected, this, &TBfsCl::ClientSocket1Connect);
    connect(ClientSocket1, &QTcpSocket::disconnected, this, &TBfsCl::ClientSocket1Disconnect);
    connect(ClientSocket1, &QTcpSocket::readyRead, this, &TBfsCl::ClientSocket1Read);
    connect(ClientSocket1, &QTcpSocket::errorOccurred, this, &TBfsCl::ClientSocket1Error);
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &TBfsCl::Timer1Timer);
    Timer1.start();
}

TBfsCl::~TBfsCl()
{
    // Nothing is reported while the link goes away.
    ClientSocket1->disconnect(this);
    ClientSocket1->abort();
}

void TBfsCl::addLogLine(const QString& message)
{
    const QString line = prefix_ + message;
    log_ << line;
    emit logged(line);
}

void TBfsCl::addTimedLogLine(const QString& message)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    const QString line = prefix_ + locale.toString(now.date(), QLocale::ShortFormat) + u' ' +
                         locale.toString(now.time(), QLocale::LongFormat) + u':' +
                         QString::number(now.time().msec()) + QStringLiteral(" - ") + message;
    log_ << line;
    emit logged(line);
}

bool TBfsCl::IsConnected() const
{
    return ClientSocket1->state() == QAbstractSocket::ConnectedState;
}

bool TBfsCl::ConnectAndWait()
{
    if (host_.isEmpty())
        host_ = QStringLiteral("127.0.0.1");
    // Another driver than the one connected: the old connection goes.
    if (ClientSocket1->state() != QAbstractSocket::UnconnectedState &&
        (host_ != connectedHost_ || port_ != connectedPort_))
        ClientSocket1->abort();
    if (ClientSocket1->state() == QAbstractSocket::UnconnectedState) {
        ready_ = false;
        reader_.reset();
        connectedHost_ = host_;
        connectedPort_ = port_;
        const QHostAddress address(host_);
        if (!address.isNull() && address.protocol() == QAbstractSocket::IPv4Protocol)
            ClientSocket1->connectToHost(address, quint16(port_));
        else
            ClientSocket1->connectToHost(host_, quint16(port_));
    }
    if (!ready_) {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        limit.setTimerType(Qt::PreciseTimer);
        connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(ClientSocket1, &QTcpSocket::connected, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        connect(ClientSocket1, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        limit.start(kReadyWaitMs);
        while (!ready_ && limit.isActive() && ClientSocket1->state() != QAbstractSocket::UnconnectedState)
            loop.exec();
    }
    return ready_;
}

void TBfsCl::ClientSocket1Connect()
{
    ready_ = false;
    const QString peer = ClientSocket1->peerAddress().toString();
    prefix_ = peer + QStringLiteral("->");
    const int version = platformVersionNumber();
    const QString name = version > 4 ? ClientSocket1->peerName() : QString();
    addLogLine(QStringLiteral("Connect to ") + peer + u' ' + (name == peer ? QString() : name) + QStringLiteral(" w") +
               QString::number(version));
    // The socket can be written from here on: the link is ready.
    ready_ = true;
}

void TBfsCl::ClientSocket1Disconnect()
{
    ready_ = false;
    addLogLine(QStringLiteral("Disconnect"));
    prefix_.clear();
    reader_.reset();
    // Waits end now instead of at their time-outs: no reply can come.
    emit replyDispatched();
}

void TBfsCl::ClientSocket1Error()
{
    if (ClientSocket1->error() == QAbstractSocket::RemoteHostClosedError)
        return; // the disconnect says it
    addLogLine(QStringLiteral("Ошибка связи:") + QString::number(int(ClientSocket1->error())) + u' ' +
               ClientSocket1->errorString());
}

void TBfsCl::ClientSocket1Read()
{
    while (ClientSocket1->bytesAvailable() > 0) {
        const QByteArray bytes = ClientSocket1->read(64 * 1024);
        const PacketReader::Events events = reader_.feed(bytes);
        if (events.ready)
            ready_ = true;
        for (const ReplyRecord& reply : events.replies)
            dispatch(reply);
        if (events.nonsense) {
            addLogLine(QStringLiteral("Драйвер прислал блок невозможной длины: связь разорвана"));
            ClientSocket1->abort();
            return;
        }
        if (events.close) {
            ClientSocket1->close();
            return;
        }
    }
}

void TBfsCl::dispatch(const ReplyRecord& reply)
{
    if (reply.id == 0 || reply.id == 0xFFFFFFFF)
        return;
    for (qsizetype i = 0; i < pending_.size(); ++i) {
        if (pending_[i]->id == reply.id) {
            *pending_[i] = reply;
            pending_.removeAt(i);
            emit replyDispatched();
            return;
        }
    }
}

bool TBfsCl::sendBytes(const QByteArray& bytes)
{
    const qint64 sent = ClientSocket1->write(bytes);
    if (sent > 0)
        lastSend_ = now_();
    return sent == bytes.size();
}

int TBfsCl::SendRequest(const RequestRecord& request)
{
    indexWord_ = indexWordAfter(indexWord_, request);
    if (!ready_ || !IsConnected())
        return 1;
    if (!sendBytes(requestPacket(request, indexWord_, timeout1_, timeout2_)))
        addTimedLogLine(QStringLiteral("Ошибка при передаче данных. Потеря связи."));
    return 0;
}

ReplyRecord TBfsCl::Transact(const RequestRecord& request, int waitMs)
{
    timeout1_ = timeout2_ = headerTimeout(waitMs);
    ReplyRecord reply;
    reply.id = request.id;
    reply.length = -1;
    pending_.append(&reply);
    const bool sent = SendRequest(request) == 0;

    bool answered = false;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    limit.setTimerType(Qt::PreciseTimer);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    // A reply that reports no transaction (length -1 or less) is kept but does
    // not end the wait: it is returned when the time is up.
    connect(this, &TBfsCl::replyDispatched, &loop, [&] {
        if ((!pending_.contains(&reply) && reply.length > -1) || !IsConnected()) {
            answered = true;
            loop.quit();
        }
    });
    limit.start(waitMs);
    // A request that went out waits for its reply or the loss of the link; one
    // that could not go out waits its time, as a device that does not answer.
    if (!sent || IsConnected())
        while (!answered && limit.isActive())
            loop.exec();
    pending_.removeAll(&reply);
    return reply;
}

ReplyRecord TBfsCl::TransactNewId(RequestRecord request, int waitMs)
{
    request.id = NextRequestId();
    return Transact(request, waitMs);
}

void TBfsCl::SendKeepAlive()
{
    if (IsConnected() && ready_)
        sendBytes(lead("CKP"));
}

void TBfsCl::Timer1Timer()
{
    ClientSocket1Read();
    if (now_() - lastSend_ > kKeepAliveMs) {
        SendKeepAlive();
        if (!IsConnected() || !ready_)
            lastSend_ = now_();
    }
}

void TBfsCl::DisconnectFromDriver()
{
    if (!IsConnected())
        return;
    sendBytes(lead("000"));
    ClientSocket1->flush();
    ClientSocket1->waitForDisconnected(1000);
    ClientSocket1->close();
}

} // namespace rastrova::driverlink
