#pragma once
// What the device protocols need of a serial line and of time. The port on the
// machine (serialport.h) and the scripted line of the tests both implement these,
// so every exchange can be run without hardware and without waiting.

#include <QByteArray>
#include <QString>
#include <atomic>

namespace rastrova::devprog {

class SerialLine {
public:
    virtual ~SerialLine() = default;

    // Opens the device for reading and writing; false when it cannot be opened.
    virtual bool open(const QString& device) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The baud rate with 8 data bits, no parity and 2 stop bits.
    virtual bool setLineSettings(int baud) = 0;
    // A read returns when its count has arrived or this many milliseconds have passed.
    virtual void setReadTimeout(int ms) = 0;
    virtual int readTimeout() const = 0;
    // A line that cannot drive its modem lines (a pseudo-terminal) still works.
    virtual void setModemLines(bool dtr, bool rts) = 0;
    // Drops what has been received and not read yet.
    virtual void discardInput() = 0;
    virtual bool write(QByteArrayView bytes) = 0;
    // Up to `count` bytes, within the read time-out.
    virtual QByteArray read(int count) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a monotonic clock.
    virtual qint64 nowMs() = 0;
    virtual void pauseMs(int ms) = 0;
};

// The machine's monotonic clock.
class SteadyClock : public Clock {
public:
    qint64 nowMs() override;
    void pauseMs(int ms) override;
};

// Set from another thread to stop the running operation. The port gives up a
// read that waits when it is set, so a stop never waits for a device's time-out.
using StopFlag = std::atomic<bool>;

} // namespace rastrova::devprog
