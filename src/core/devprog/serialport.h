#pragma once
// The serial line on a real port (or a pseudo-terminal), through QSerialPort.
// It is used from one thread: the one that created it.

#include "devprog/portaccess.h"
#include "devprog/serialline.h"

#include <QStringList>
#include <memory>

class QSerialPort;

namespace rastrova::devprog {

class SerialPortLine : public SerialLine {
public:
    // `stop`, when given, cuts short a read that is waiting.
    explicit SerialPortLine(const StopFlag* stop = nullptr);
    ~SerialPortLine() override;

    bool open(const QString& device) override;
    void close() override;
    bool isOpen() const override;
    bool setLineSettings(int baud) override;
    void setReadTimeout(int ms) override { timeoutMs_ = ms; }
    int readTimeout() const override { return timeoutMs_; }
    void setModemLines(bool dtr, bool rts) override;
    void discardInput() override;
    bool write(QByteArrayView bytes) override;
    QByteArray read(int count) override;

    // What went wrong last, for the log; empty when nothing did.
    QString lastError() const;
    // Why the last open() failed; None after one that succeeded.
    PortOpenFailure openFailure() const { return openFailure_; }

private:
    std::unique_ptr<QSerialPort> port_;
    const StopFlag* stop_;
    int timeoutMs_ = 1000;
    PortOpenFailure openFailure_ = PortOpenFailure::None;
};

// The serial ports the system reports, as device paths (or names on Windows).
QStringList availablePorts();

// The device a port caption stands for when the settings name none:
// /dev/ttyS0../dev/ttyS3 here, COM1..COM4 on Windows.
QString defaultDeviceOfPort(int index);

} // namespace rastrova::devprog
