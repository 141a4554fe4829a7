#include "devprog/networkprog.h"

#include "text/hex.h"

namespace rastrova::devprog {

namespace {
// Requests of the controller, as data bytes behind the count.
const QByteArray kStateRequest("\x01\x40\x00", 3);
const QByteArray kPasswordPrelude("\x05\x40\x07\xBF\xF7", 5);
const QByteArray kPasswordRead("\x01\x40\x08", 3);
const QByteArray kStop("\x09", 1);
const QByteArray kRun("\x08", 1);
constexpr uint8_t kBufferCommand = 0x0F;
constexpr uint8_t kBufferOpen = 0x22;  // code 0 of the buffer table
constexpr uint8_t kBufferStart = 0xAA; // code 3

constexpr int kBufferPauseMs = 1000;
constexpr int kRunPauseMs = 2000;
constexpr int kRunRetryPauseMs = 1000;
constexpr int kPollPauseMs = 100;
// The state wait ends when 17 time units of 0.864 s have passed.
constexpr int kUnitMs = 864;
constexpr int kWaitUnits = 17;
constexpr int kWriteStatusSeconds = 2;

const QString kBufferLine = QStringLiteral("Копирование в буфер репрогрммации  ");
const QString kStaysStopped = QStringLiteral("ВИРЕЛ остался в состоянии СТОП");

QByteArray bufferCommand(uint8_t code)
{
    QByteArray data;
    data += char(kBufferCommand);
    data += char(code);
    return data;
}

// The password as typed, read as a hexadecimal number; leading blanks are
// passed over, anything else that is not a digit fails.
bool parsePassword(const QString& typed, uint32_t& value)
{
    qsizetype at = 0;
    while (at < typed.size() && typed[at] == u' ')
        ++at;
    if (at == typed.size() || typed.size() - at > 8)
        return false;
    uint32_t v = 0;
    for (; at < typed.size(); ++at) {
        const char16_t c = typed[at].unicode();
        const int d = c >= u'0' && c <= u'9'   ? c - u'0'
                      : c >= u'A' && c <= u'F' ? c - u'A' + 10
                      : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                               : -1;
        if (d < 0)
            return false;
        v = v * 16 + uint32_t(d);
    }
    value = v;
    return true;
}
} // namespace

QString virelStateName(int state)
{
    switch (state) {
    case StateRun:
        return QStringLiteral("РАБОТА");
    case StateStop:
        return QStringLiteral("ОСТАНОВ");
    case StateRestart:
        return QStringLiteral("ПЕРЕЗАПУСК");
    default:
        return {};
    }
}

QByteArray networkBlockFrame(int blockIndex, QByteArrayView block)
{
    QByteArray frame;
    frame.reserve(130);
    frame += char(uint8_t(blockIndex & 0xFF));
    frame += block;
    frame += char(text::checksum8(frame));
    return frame;
}

int VirelProgrammer::ReadVirelState(uint8_t mask, uint8_t expected, int byteIndex, bool log, int* state)
{
    QByteArray reply;
    const int result = request(kStateRequest, &reply, 2);
    if (result != CtrlOk)
        return result;
    const int bits = uint8_t(reply[1]) & 0x18;
    const int decoded = bits == 0x00 ? StateRun : bits == 0x08 ? StateStop : bits == 0x10 ? StateRestart : StateNone;
    if (state)
        *state = decoded;
    if (log && decoded != StateNone)
        sink_.logLine(QStringLiteral("ВИРЕЛ находится в состоянии ") + virelStateName(decoded));
    return (uint8_t(reply[byteIndex]) & mask) == expected ? 0 : -1;
}

int VirelProgrammer::WaitVirelState(uint8_t expected)
{
    sink_.waitBar(WaitBar::Reset);
    Clock& clock = link_.clock();
    const qint64 start = clock.nowMs();
    int step = 1;
    int units = 0;
    do {
        if (stop_.load())
            break;
        int state = StateNone;
        if (ReadVirelState(0x18, expected, 1, false, &state) == 0) {
            ReadVirelState(0x18, expected, 1, true, &state);
            sink_.waitBar(WaitBar::Hide);
            return state;
        }
        units = int((clock.nowMs() - start) / kUnitMs);
        if (units == step) {
            if (step == 1)
                sink_.waitBar(WaitBar::Show);
            sink_.waitBar(WaitBar::Step);
            ++step;
        }
        clock.pauseMs(kPollPauseMs);
    } while (units < kWaitUnits);
    sink_.waitBar(WaitBar::Hide);
    return -1;
}

bool VirelProgrammer::CheckAccessPassword()
{
    if (options_.password.isEmpty())
        return true;
    uint32_t p = 0;
    if (!parsePassword(options_.password, p)) {
        sink_.passwordNotHex();
        return false;
    }
    QByteArray write = QByteArray("\x05\x40\x08", 3);
    write += char((p >> 8) & 0xFF);
    write += char(p & 0xFF);
    QByteArray reply;
    int result = request(kPasswordPrelude);
    if (result == CtrlOk)
        result = request(write);
    if (result == CtrlOk)
        result = request(kPasswordRead, &reply, 2);
    if (result != CtrlOk) {
        sink_.logLine(controllerResultText(result));
        return false;
    }
    const uint32_t v = uint32_t(uint8_t(reply[0])) << 8 | uint8_t(reply[1]);
    const auto blank = [](uint32_t x) { return x == 0 || x == 0xFFFF; };
    if (v == p || (blank(p) && blank(v)))
        return true;
    sink_.notice(QStringLiteral("Задан неверный пароль доступа ") + text::hexDigits(p, 4));
    return false;
}

bool VirelProgrammer::PrepareVirel()
{
    int state = StateNone;
    int result = ReadVirelState(0x80, 0, 0, true, &state);
    if (result > 0) {
        sink_.logLine(QStringLiteral("Чтение информации о состоянии ВИРЕЛ : ") + controllerResultText(result));
        return false;
    }
    if (result == -1 && !sink_.ask(QStringLiteral("Установите электронный ключ ")))
        return false;
    if (!CheckAccessPassword())
        return false;
    if (state == StateStop)
        return true;
    request(kStop);
    if (WaitVirelState(0x08) != StateStop) {
        if (!stop_.load())
            sink_.logLine(QStringLiteral("Невозможно перевести ВИРЕЛ в состояние СТОП"));
        return false;
    }
    return true;
}

void VirelProgrammer::StartVirel()
{
    if (!sink_.ask(QStringLiteral("Перевести ВИРЕЛ в режим \"РАБОТА\" ?"))) {
        sink_.logLine(kStaysStopped);
        return;
    }
    sink_.logLine(QStringLiteral("Перевод ВИРЕЛ в режим \"РАБОТА\""));
    sink_.waitBar(WaitBar::Reset);
    sink_.waitBar(WaitBar::Show);
    Clock& clock = link_.clock();
    clock.pauseMs(kRunPauseMs);
    if (request(kRun) != CtrlOk) {
        clock.pauseMs(kRunRetryPauseMs);
        request(kRun);
    }
    WaitVirelState(0x00);
}

Outcome VirelProgrammer::program(const ImageBlocks& image)
{
    sink_.setGauge(Gauge::Network, 0);
    sink_.waitBar(WaitBar::Reset);
    sink_.waitBar(WaitBar::Show);
    if (!PrepareVirel()) {
        sink_.waitBar(WaitBar::Hide);
        return stop_.load() ? Outcome::Stopped : Outcome::Failed;
    }
    sink_.waitBar(WaitBar::Hide);
    sink_.setGauge(Gauge::Network, 0);

    Clock& clock = link_.clock();
    int result = request(bufferCommand(kBufferOpen));
    if (result > 0) {
        sink_.logLine(kBufferLine + controllerResultText(result));
        sink_.logLine(kStaysStopped);
        return Outcome::Failed;
    }
    clock.pauseMs(kBufferPauseMs);
    result = request(bufferCommand(kBufferStart));
    sink_.logLine(kBufferLine + controllerResultText(result));
    if (result != CtrlOk) {
        sink_.logLine(kStaysStopped);
        return Outcome::Failed;
    }
    clock.pauseMs(kBufferPauseMs);

    for (int i = 0; i < image.count(); ++i) {
        if (stop_.load()) {
            sink_.logLine(QStringLiteral("Программирование остановлено: ") + kStaysStopped);
            return Outcome::Stopped;
        }
        const QByteArray frame = networkBlockFrame(i, image.blocks[i]);
        if (options_.trace)
            sink_.logLine(QStringLiteral("ком 70 , ") + text::hexBytes(frame));
        result = link_.AdapterCommand(options_.linkKind, CmdWriteBlock, frame, 2, true, kWriteStatusSeconds);
        if (result != AdOk) {
            if (stop_.load()) {
                sink_.logLine(QStringLiteral("Программирование остановлено: ") + kStaysStopped);
                return Outcome::Stopped;
            }
            sink_.logLine(QStringLiteral("NB= ") + text::hexDigits(uint32_t(i), 4) + u' ' + adapterResultText(result));
            sink_.logLine(kStaysStopped);
            return Outcome::Failed;
        }
        sink_.setGauge(Gauge::Network, (i + 1) * 100 / image.count());
    }

    if (options_.trace)
        sink_.logLine(QStringLiteral("Ком CC  "));
    result = link_.AdapterCommand(options_.linkKind, CmdHourlyTest, {}, 1, false, 0);
    sink_.logLine(result == AdOk ? QStringLiteral("Программирование закончено успешно") : adapterResultText(result));
    StartVirel();
    return result == AdOk ? Outcome::Done : Outcome::Failed;
}

} // namespace rastrova::devprog
