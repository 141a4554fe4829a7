#include "devprog/comlink.h"

#include "text/hex.h"

namespace rastrova::devprog {

namespace {
constexpr int kBaudTable[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400};

// The controller protocol measures its waits in units of 1/100000 of a day; two
// of them are 1.728 s.
constexpr qint64 kTwoUnitsMs = 1728;

constexpr uint8_t kEnq = 0x05;
constexpr uint8_t kEot = 0x04;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;

// Pause before another attempt of a controller request.
constexpr int kRetryPauseMs = 3000;
} // namespace

int baudOfIndex(int baudIndex)
{
    return baudIndex >= 0 && baudIndex < int(std::size(kBaudTable)) ? kBaudTable[baudIndex] : kBaudTable[3];
}

int indexOfBaud(int baud)
{
    for (int i = 0; i < int(std::size(kBaudTable)); ++i)
        if (kBaudTable[i] == baud)
            return i;
    return -1;
}

QString controllerResultText(int result)
{
    switch (result) {
    case CtrlOk:
        return QStringLiteral("  OK");
    case CtrlNoEot:
        return QStringLiteral("Нет ответа от ВИРЕЛ ");
    case CtrlNoAck:
        return QStringLiteral("  Нет подтверждения на передачу запроса в ВИРЕЛ");
    case CtrlNak:
        return QStringLiteral("  Несовпадение контрольной суммы передачи");
    case CtrlReplySum:
        return QStringLiteral("  Несовпадение контрольной суммы приема");
    case CtrlShortReply:
        return QStringLiteral("  Не получены  данные на запрос ");
    case CtrlWriteFailed:
        return QStringLiteral("  Ошибка передачи в СОМ-порт");
    default:
        return QStringLiteral("  Ошибка обмена %1").arg(result);
    }
}

QString adapterResultText(int result)
{
    if (result < 0)
        return QStringLiteral("Ошибка при записи в РПЗУ элемента ") + u' ' + QString::number(-result);
    switch (result) {
    case AdOk:
        return QStringLiteral("OK");
    case AdNoAck:
        return QStringLiteral("Нет подтверждения о приеме команды  ");
    case AdPairRefused:
        return QStringLiteral("Несовпадение контрольной суммы при передаче команды ");
    case AdFrameRefused:
        return QStringLiteral("Несовпадение контрольной суммы при передаче данных по адресу  ");
    case AdNoStatus:
        return QStringLiteral("Нет подтверждения о выполнении команды репрограммации ");
    default:
        return QStringLiteral("Ошибка обмена %1").arg(result);
    }
}

bool ComLink::OpenComPort(const QString& device, int baudIndex, int linkKind)
{
    baudIndex_ = baudIndex;
    if (!line_.open(device))
        return false;
    line_.setLineSettings(baudOfIndex(baudIndex));
    const bool dtr = linkKind == LinkIrps || linkKind == LinkIrpsEcho;
    line_.setModemLines(dtr, false);
    line_.discardInput();
    return true;
}

void ComLink::CloseComPort()
{
    line_.close();
}

void ComLink::presendPause()
{
    clock_.pauseMs(baudIndex_ == 0 ? 3 : baudIndex_ <= 2 ? 2 : 1);
}

int ComLink::ProbeEcho(int linkKind)
{
    if (linkKind != LinkIrps && linkKind != LinkIrpsEcho)
        return linkKind;
    const int saved = line_.readTimeout();
    line_.setReadTimeout(100);
    const char probe = char(0xFF);
    line_.write(QByteArrayView(&probe, 1));
    const QByteArray back = line_.read(1);
    line_.setReadTimeout(saved);
    return back.size() == 1 && uint8_t(back[0]) == 0xFF ? LinkIrpsEcho : LinkIrps;
}

void ComLink::dropEcho(int count)
{
    for (int i = 0; i < count; ++i)
        if (line_.read(1).isEmpty())
            return;
}

int ComLink::ControllerRequest(QByteArrayView data, QByteArray* reply, int replyLength, int linkKind)
{
    QByteArray frame;
    frame.reserve(data.size() + 2);
    frame += char(uint8_t(data.size()));
    frame += data;
    frame += char(text::checksum8(data));
    SetReadTimeout(1);
    const int attempts = std::max(1, attempts_);
    int result = CtrlNoEot;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0)
            clock_.pauseMs(kRetryPauseMs);
        result = controllerAttempt(frame, reply, replyLength, linkKind);
        if (result == CtrlOk)
            break;
    }
    return result;
}

int ComLink::controllerAttempt(const QByteArray& frame, QByteArray* reply, int replyLength, int linkKind)
{
    // Enquiry, then EOT; anything else (the echo of the enquiry) is passed over.
    presendPause();
    line_.discardInput();
    const char enq = char(kEnq);
    if (!line_.write(QByteArrayView(&enq, 1)))
        return CtrlWriteFailed;
    qint64 start = clock_.nowMs();
    for (;;) {
        const QByteArray b = line_.read(1);
        if (b.isEmpty())
            return CtrlNoEot;
        if (uint8_t(b[0]) == kEot)
            break;
        if (clock_.nowMs() - start >= kTwoUnitsMs)
            return CtrlNoEot;
    }

    // The request, then ACK or NAK after its echo.
    presendPause();
    line_.discardInput();
    line_.write(frame);
    int echo = linkKind == LinkIrpsEcho ? int(frame.size()) : 0;
    start = clock_.nowMs();
    bool acknowledged = false;
    while (!acknowledged) {
        if (clock_.nowMs() - start >= kTwoUnitsMs)
            return CtrlNoAck;
        const QByteArray b = line_.read(1);
        if (b.isEmpty())
            continue;
        if (echo > 0) {
            --echo;
            continue;
        }
        if (uint8_t(b[0]) == kAck)
            acknowledged = true;
        else if (uint8_t(b[0]) == kNak)
            return CtrlNak;
    }
    if (replyLength <= 0)
        return CtrlOk;

    // The reply and its checksum in one read.
    int seconds = baudIndex_ == 0 ? 8 : baudIndex_ <= 2 ? 5 : 3;
    if (replyLength > 50)
        seconds += 2;
    SetReadTimeout(seconds);
    const QByteArray answer = line_.read(replyLength + 1);
    if (answer.size() < replyLength + 1)
        return CtrlShortReply;
    if (text::checksum8(answer) != 0)
        return CtrlReplySum;
    if (reply)
        *reply = answer;
    return CtrlOk;
}

int ComLink::AdapterCommand(int linkKind, uint8_t command, QByteArrayView frame, int phases, bool statusWait,
                            int statusSeconds)
{
    line_.discardInput();
    SetReadTimeout(5);
    trace_.clear();
    for (int phase = 1; phase <= phases; ++phase) {
        presendPause();
        QByteArray sent;
        if (phase == 1) {
            sent += char(command);
            sent += char(uint8_t(0x100 - command));
        } else {
            sent = frame.toByteArray();
        }
        line_.write(sent);
        if (linkKind == LinkIrpsEcho)
            dropEcho(int(sent.size()));
        const QByteArray ack = line_.read(1);
        if (ack.isEmpty())
            return AdNoAck;
        trace_ += text::hexDigits(uint8_t(ack[0]), 2) + u' ';
        if (ack[0] != 0)
            return phase + 1;
    }
    if (!statusWait)
        return AdOk;
    SetReadTimeout(statusSeconds);
    const QByteArray status = line_.read(1);
    if (status.isEmpty())
        return AdNoStatus;
    return -int(uint8_t(status[0]));
}

} // namespace rastrova::devprog
