#include "devprog/serialport.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <chrono>
#include <thread>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace rastrova::devprog {

qint64 SteadyClock::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::pauseMs(int ms)
{
#ifdef Q_OS_LINUX
    // The device pauses are of 1 ms; the system's default timer slack of 50 µs
    // would add up to a second over a whole image.
    thread_local const bool precise = prctl(PR_SET_TIMERSLACK, 1UL) == 0;
    (void)precise;
#endif
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace {
// A waiting read looks at the stop flag this often.
constexpr int kStopCheckMs = 50;
// What the port may hold unread; a device that floods the line waits in the
// system's buffer instead of growing ours.
constexpr qint64 kReadBufferBytes = 64 * 1024;
} // namespace

SerialPortLine::SerialPortLine(const StopFlag* stop) : stop_(stop) {}

SerialPortLine::~SerialPortLine() = default;

bool SerialPortLine::open(const QString& device)
{
    close();
    port_ = std::make_unique<QSerialPort>();
    port_->setPortName(device);
    port_->setReadBufferSize(kReadBufferBytes);
    if (!port_->open(QIODevice::ReadWrite)) {
        openFailure_ = classifyOpenFailure(port_->error() == QSerialPort::PermissionError,
                                           port_->error() == QSerialPort::DeviceNotFoundError, device);
        return false;
    }
    openFailure_ = PortOpenFailure::None;
    return true;
}

void SerialPortLine::close()
{
    if (port_ && port_->isOpen())
        port_->close();
}

bool SerialPortLine::isOpen() const
{
    return port_ && port_->isOpen();
}

bool SerialPortLine::setLineSettings(int baud)
{
    if (!isOpen())
        return false;
    bool ok = port_->setBaudRate(baud);
    ok = port_->setDataBits(QSerialPort::Data8) && ok;
    ok = port_->setParity(QSerialPort::NoParity) && ok;
    ok = port_->setStopBits(QSerialPort::TwoStop) && ok;
    port_->clearError();
    return ok;
}

void SerialPortLine::setModemLines(bool dtr, bool rts)
{
    if (!isOpen())
        return;
    // A pseudo-terminal has no modem lines; the exchange works without them.
    port_->setDataTerminalReady(dtr);
    port_->setRequestToSend(rts);
    port_->clearError();
}

void SerialPortLine::discardInput()
{
    if (!isOpen())
        return;
    port_->clear(QSerialPort::Input);
    port_->clearError();
}

bool SerialPortLine::write(QByteArrayView bytes)
{
    if (!isOpen())
        return false;
    if (port_->write(bytes.data(), bytes.size()) != bytes.size())
        return false;
    // The line's write time-out: 500 ms a byte.
    QDeadlineTimer deadline(500 * qint64(bytes.size()));
    while (port_->bytesToWrite() > 0) {
        if (deadline.hasExpired() || !port_->waitForBytesWritten(int(deadline.remainingTime())))
            return port_->bytesToWrite() == 0;
    }
    return true;
}

QByteArray SerialPortLine::read(int count)
{
    QByteArray out;
    if (!isOpen() || count <= 0)
        return out;
    QDeadlineTimer deadline(timeoutMs_);
    while (out.size() < count) {
        if (port_->bytesAvailable() > 0) {
            out += port_->read(count - out.size());
            continue;
        }
        if (deadline.hasExpired() || (stop_ && stop_->load()))
            break;
        const int slice = int(std::min<qint64>(deadline.remainingTime(), kStopCheckMs));
        QElapsedTimer waited;
        waited.start();
        if (!port_->waitForReadyRead(slice) && port_->error() != QSerialPort::TimeoutError &&
            port_->error() != QSerialPort::NoError) {
            // A line that fails at once (the device went away) would turn this loop
            // into a spin; wait out the slice instead.
            port_->clearError();
            const qint64 rest = slice - waited.elapsed();
            if (rest > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(rest));
        }
    }
    return out;
}

QString SerialPortLine::lastError() const
{
    return port_ && port_->error() != QSerialPort::NoError ? port_->errorString() : QString();
}

QStringList availablePorts()
{
    QStringList ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports << info.systemLocation();
    return ports;
}

QString defaultDeviceOfPort(int index)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(index + 1);
#else
    return QStringLiteral("/dev/ttyS%1").arg(index);
#endif
}

} // namespace rastrova::devprog
