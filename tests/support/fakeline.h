#pragma once
// A scripted serial line on a fake clock. Bytes "arrive" at given times; a read
// takes what has arrived by its deadline and moves the clock to the moment it
// returns, so a 5-second time-out costs nothing. A handler plays the device: it
// sees every group of bytes written and schedules the answers.

#include "devprog/serialline.h"

#include <QByteArray>
#include <QList>
#include <algorithm>
#include <deque>
#include <functional>

namespace fakeline {

class FakeClock : public rastrova::devprog::Clock {
public:
    qint64 nowMs() override { return now; }
    void pauseMs(int ms) override
    {
        now += ms;
        paused += ms;
    }
    qint64 now = 1'000'000;
    qint64 paused = 0; // the sum of every pause asked for
};

class FakeLine : public rastrova::devprog::SerialLine {
public:
    using Handler = std::function<void(FakeLine&, const QByteArray&)>;

    explicit FakeLine(FakeClock& clock) : clock_(clock) {}

    bool open(const QString& device) override
    {
        opened = device;
        open_ = openable;
        return open_;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    bool setLineSettings(int b) override
    {
        baud = b;
        return true;
    }
    void setReadTimeout(int ms) override { timeoutMs_ = ms; }
    int readTimeout() const override { return timeoutMs_; }
    void setModemLines(bool d, bool r) override
    {
        dtr = d;
        rts = r;
    }
    void discardInput() override
    {
        while (!arrivals_.empty() && arrivals_.front().at <= clock_.now)
            arrivals_.pop_front();
        ++discards;
    }
    bool write(QByteArrayView bytes) override
    {
        const QByteArray sent = bytes.toByteArray();
        groups.append(sent);
        all += sent;
        if (echo)
            arrive(sent);
        if (handler)
            handler(*this, sent);
        return writable;
    }
    QByteArray read(int count) override
    {
        QByteArray out;
        const qint64 deadline = clock_.now + timeoutMs_;
        qint64 last = clock_.now;
        while (out.size() < count && !arrivals_.empty() && arrivals_.front().at <= deadline) {
            last = std::max(last, arrivals_.front().at);
            out += arrivals_.front().byte;
            arrivals_.pop_front();
        }
        clock_.now = out.size() == count ? last : deadline;
        return out;
    }

    // Bytes that arrive `delayMs` after now, one after another.
    void arrive(QByteArrayView bytes, qint64 delayMs = 0, qint64 spacingMs = 0)
    {
        qint64 at = clock_.now + delayMs;
        for (char b : bytes) {
            auto place = std::upper_bound(arrivals_.begin(), arrivals_.end(), at,
                                          [](qint64 t, const Arrival& a) { return t < a.at; });
            arrivals_.insert(place, {at, b});
            at += spacingMs;
        }
    }
    // Forgets every byte still to come.
    void silence() { arrivals_.clear(); }
    void arriveByte(uint8_t b, qint64 delayMs = 0) { arrive(QByteArray(1, char(b)), delayMs); }

    Handler handler;
    bool echo = false;      // the line returns every byte written
    bool openable = true;
    bool writable = true;
    QString opened;
    int baud = 0;
    bool dtr = false, rts = true;
    int discards = 0;
    QList<QByteArray> groups; // every write, in order
    QByteArray all;           // every byte written

private:
    struct Arrival {
        qint64 at;
        char byte;
    };
    FakeClock& clock_;
    std::deque<Arrival> arrivals_;
    int timeoutMs_ = 1000;
    bool open_ = false;
};

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out += char(uint8_t(v));
    return out;
}

} // namespace fakeline
