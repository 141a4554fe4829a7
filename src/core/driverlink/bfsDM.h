#pragma once
// The link to the driver program: one TCP connection over which requests go to
// devices on the CAN bus and replies come back, matched by request identifier.
// It lives for the whole run and serves the window and the command line alike.
// A wait for a reply sleeps in the event loop until the reply, its time-out or
// the loss of the connection; nothing spins.

#include "driverlink/records.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

class QTcpSocket;

namespace rastrova::driverlink {

class TBfsCl : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultPort = 3000;
    static constexpr int kReadyWaitMs = 1000;
    static constexpr int kKeepAliveMs = 10000;

    explicit TBfsCl(QObject* parent = nullptr);
    ~TBfsCl() override;

    void setHost(const QString& host) { host_ = host; }
    const QString& host() const { return host_; }
    void setPort(int port) { port_ = port; }
    int port() const { return port_; }

    // Connects (unless connected to that host and port already) and waits up to
    // 1000 ms for the link to be ready; the result is the ready flag.
    bool ConnectAndWait();
    bool IsConnected() const;
    bool isReady() const { return ready_; }

    uint32_t NextRequestId() { return ids_.NextRequestId(); }
    // 0 when handed to the socket, 1 when the link is not ready.
    int SendRequest(const RequestRecord& request);
    ReplyRecord Transact(const RequestRecord& request, int waitMs);
    ReplyRecord TransactNewId(RequestRecord request, int waitMs);
    void SendKeepAlive();
    void DisconnectFromDriver();

    // The link log: connection events and failures.
    const QStringList& linkLog() const { return log_; }
    void clearLog() { log_.clear(); }
    void addLogLine(const QString& message);

    uint32_t indexWord() const { return indexWord_; }
    RequestIds& ids() { return ids_; }

    // Housekeeping, every second: a read pass and the keep-alive.
    void Timer1Timer();
    // The clock of the keep-alive (tests put their own).
    void setClock(std::function<qint64()> nowMs) { now_ = std::move(nowMs); }

signals:
    void logged(const QString& line);
    void replyDispatched();

private:
    struct Pending {
        ReplyRecord* record;
    };
    void ClientSocket1Connect();
    void ClientSocket1Disconnect();
    void ClientSocket1Read();
    void ClientSocket1Error();
    void dispatch(const ReplyRecord& reply);
    bool sendBytes(const QByteArray& bytes);
    void addTimedLogLine(const QString& message);

    QTcpSocket* ClientSocket1;
    QTimer Timer1;
    QString host_ = QStringLiteral("127.0.0.1");
    int port_ = kDefaultPort;
    QString connectedHost_;
    int connectedPort_ = 0;
    bool ready_ = false;
    RequestIds ids_;
    uint32_t indexWord_ = kNoIndex;
    uint16_t timeout1_ = 1000, timeout2_ = 100;
    qint64 lastSend_ = 0;
    QList<ReplyRecord*> pending_;
    QStringList log_;
    QString prefix_;
    PacketReader reader_;
    std::function<qint64()> now_;
};

} // namespace rastrova::driverlink
