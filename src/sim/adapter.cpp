// adapter --pty: a printer adapter on a new pseudo-terminal.
//
// The device side of the adapter command protocol, from its tables:
//
//   program                        adapter
//   C, 256-C                  ->   ack: 0 accepted, 1 when the pair does not sum to 0
//   0x10 erase                     ack, erase to 0xFF, status (0 = done)
//   0x70 write block               ack; frame L, addr hi, addr lo, n data, checksum (L = n + 4,
//                                  sum 0); ack for the frame, store, status
//   0x02 read block                ack; addr hi, addr lo, checksum; ack, 64 data bytes
//   0xCC / 0xDD print test         ack; the printout of the hourly / archive blanks, then 0x1A
//
// Address bytes: hi = bits 15..8, lo = bits 7..1; bit 0 of lo marks the upper 64 KiB.
// Memory is 128 KiB, erased to 0xFF.
//
// A frame whose rest does not arrive within 2 s is dropped and the adapter waits
// for the next command pair again.

#include "simulators.h"

#include "adapterprint.h"
#include "pty.h"

#include <QString>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace rastrova::sim {

const char* const kAdapterUsage =
    "  adapter --pty [--link-file F] [--dump FILE] [--load FILE] [--wire BAUD]\n"
    "          [--silent] [--nak] [--status-error S] [--corrupt-readback] [--echo]\n"
    "          [--endless-print]\n"
    "                 адаптер принтера на новом псевдотерминале; путь к нему выводится\n"
    "                 в stdout, с --link-file F записывается в файл F. Работает до\n"
    "                 SIGTERM или SIGINT. Память 128 КБ, стёртая — 0xFF.\n"
    "                 --dump FILE      при выходе записать память от 0 до последнего\n"
    "                                  записанного байта (пустой файл, если записи не было;\n"
    "                                  стирание сбрасывает отметку)\n"
    "                 --load FILE      начать с памятью, уже содержащей FILE с адреса 0\n"
    "                 --wire BAUD      темп линии BAUD бит/с (8 бит, без чётности, 2 стоп-бита):\n"
    "                                  каждый байт занимает 11 битовых интервалов\n"
    "                 --silent         принимать всё и никогда не отвечать\n"
    "                 --nak            на каждую команду и кадр отвечать 1 (ошибка суммы)\n"
    "                 --status-error S байт состояния S вместо 0 после стирания и записи\n"
    "                 --corrupt-readback  при чтении байт по адресу 0x0085 (смещение 5 третьего\n"
    "                                  блока) выдавать изменённым (XOR 0x55)\n"
    "                 --echo           линия возвращает каждый принятый байт (ИРПС с эхом)\n"
    "                 --endless-print  тест печати без 0x1A: текст повторяется с паузами\n"
    "                                  50 мс, пока программа не пришлёт байт\n"
    "                 Тесты печати 0xCC и 0xDD печатают почасовые и архивные бланки из памяти\n"
    "                 с примерными значениями; каждая строка завершается 0x0D 0x0A, вся\n"
    "                 печать — байтом 0x1A. Байт от программы во время печати прерывает её.\n";

namespace {

constexpr std::size_t kMemorySize = 128 * 1024;
constexpr std::size_t kReadBlock = 64;
constexpr std::size_t kPrintLimit = 1024 * 1024;
constexpr long long kFrameGapNs = 2'000'000'000LL;
constexpr long long kEndlessPauseNs = 50'000'000LL;
constexpr std::size_t kCorruptAddress = 0x0085;
constexpr uint8_t kCorruptMask = 0x55;

// ---- Stopping -------------------------------------------------------------------

volatile std::sig_atomic_t g_stop = 0;
int g_wakeWrite = -1;

void onStopSignal(int)
{
    g_stop = 1;
    if (g_wakeWrite >= 0) {
        const char b = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_wakeWrite, &b, 1);
    }
}

// ---- Time -----------------------------------------------------------------------

long long nowNs()
{
    timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1'000'000'000LL + ts.tv_nsec;
}

// Sleeps until the monotonic time `at`; a stop signal cuts the sleep short.
void sleepUntil(long long at)
{
    timespec ts{time_t(at / 1'000'000'000LL), long(at % 1'000'000'000LL)};
    while (!g_stop && ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

int pollTimeoutMs(long long deadline)
{
    if (deadline < 0)
        return -1;
    const long long left = deadline - nowNs();
    if (left <= 0)
        return 0;
    return int(std::min<long long>((left + 999'999) / 1'000'000, 60'000));
}

// ---- The line -------------------------------------------------------------------

// The master side of the pty as the adapter's end of a serial line: optional pacing
// at a line speed, an optional echo of every byte received.
class Line {
public:
    enum class Got { Byte, Timeout, Stop };

    Line(int fd, int wakeFd, long long byteNs, bool echo)
        : fd_(fd), wake_(wakeFd), byteNs_(byteNs), echo_(echo)
    {
    }

    // The next byte from the program, waiting until the monotonic time `deadline`
    // (-1: no limit). With pacing, a byte is taken no earlier than it would have
    // finished arriving over the line.
    Got read(uint8_t& b, long long deadline)
    {
        while (pending_.empty()) {
            if (g_stop)
                return Got::Stop;
            if (!fill(deadline))
                return g_stop ? Got::Stop : Got::Timeout;
        }
        const Pending p = pending_.front();
        pending_.pop_front();
        if (byteNs_ > 0) {
            inDone_ = std::max(inDone_, p.at) + byteNs_;
            sleepUntil(inDone_);
        }
        b = p.byte;
        if (echo_)
            send(&b, 1);
        return g_stop ? Got::Stop : Got::Byte;
    }

    // Sends bytes to the program; false when stopped.
    bool send(const uint8_t* data, std::size_t n)
    {
        if (byteNs_ <= 0)
            return writeAll(data, n);
        for (std::size_t i = 0; i < n; ++i) {
            outDone_ = std::max(outDone_, nowNs()) + byteNs_;
            sleepUntil(outDone_);
            if (g_stop || !writeAll(data + i, 1))
                return false;
        }
        return true;
    }
    bool send(const std::string& s) { return send(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }
    bool send(uint8_t b) { return send(&b, 1); }

    // True when the program has sent something not yet taken.
    bool inputWaiting()
    {
        if (!pending_.empty())
            return true;
        return fill(0);
    }

    // Waits `ns`, or less when the program sends something; true when it did.
    bool pauseUnlessInput(long long ns)
    {
        if (!pending_.empty())
            return true;
        const long long deadline = nowNs() + ns;
        while (!g_stop && nowNs() < deadline)
            if (fill(deadline))
                return true;
        return false;
    }

private:
    struct Pending {
        uint8_t byte;
        long long at;
    };

    // Reads what the program sent, waiting until `deadline` at most; true when
    // something arrived.
    bool fill(long long deadline)
    {
        for (;;) {
            if (g_stop)
                return false;
            pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
            const int r = ::poll(fds, 2, pollTimeoutMs(deadline));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return false;
            if (fds[1].revents)
                return false;
            if (fds[0].revents & POLLIN) {
                uint8_t buf[4096];
                const ssize_t n = ::read(fd_, buf, sizeof buf);
                if (n > 0) {
                    const long long at = nowNs();
                    for (ssize_t i = 0; i < n; ++i)
                        pending_.push_back({buf[i], at});
                    return true;
                }
                if (n < 0 && (errno == EAGAIN || errno == EINTR))
                    continue;
            }
            // No reader on the other side for a moment (or an error): do not spin.
            if (!napUntil(deadline))
                return false;
        }
    }

    // Sleeps 50 ms (at most until `deadline`); false when the deadline has passed.
    bool napUntil(long long deadline)
    {
        long long until = nowNs() + kEndlessPauseNs;
        if (deadline >= 0)
            until = std::min(until, deadline);
        pollfd wake{wake_, POLLIN, 0};
        ::poll(&wake, 1, pollTimeoutMs(until));
        return deadline < 0 || nowNs() < deadline;
    }

    bool writeAll(const uint8_t* data, std::size_t n)
    {
        while (n > 0) {
            if (g_stop)
                return false;
            const ssize_t w = ::write(fd_, data, n);
            if (w > 0) {
                data += w;
                n -= std::size_t(w);
                continue;
            }
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0 && errno == EAGAIN) {
                // The program is not reading; wait for room, taking in what it sends
                // meanwhile so that neither side blocks the other.
                pollfd fds[2] = {{fd_, POLLOUT | POLLIN, 0}, {wake_, POLLIN, 0}};
                if (::poll(fds, 2, 200) > 0 && (fds[0].revents & POLLIN))
                    drainInto();
                continue;
            }
            napUntil(-1);
        }
        return true;
    }

    void drainInto()
    {
        uint8_t buf[4096];
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        const long long at = nowNs();
        for (ssize_t i = 0; i < n; ++i)
            pending_.push_back({buf[i], at});
    }

    int fd_;
    int wake_;
    long long byteNs_;
    bool echo_;
    std::deque<Pending> pending_;
    long long inDone_ = 0;
    long long outDone_ = 0;
};

// ---- The adapter ----------------------------------------------------------------

struct Options {
    std::string linkFile;
    std::string dumpFile;
    std::string loadFile;
    long baud = 0;
    bool silent = false;
    bool nak = false;
    int statusError = 0;
    bool corruptReadback = false;
    bool echo = false;
    bool endlessPrint = false;
};

class Adapter {
public:
    Adapter(Line& line, const Options& options) : line_(line), options_(options), memory_(kMemorySize, 0xFF)
    {
    }

    bool load(const std::string& path, std::string& error)
    {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) {
            error = path + ": " + std::strerror(errno);
            return false;
        }
        const std::size_t n = std::fread(memory_.data(), 1, memory_.size(), f);
        std::fclose(f);
        written_ = n;
        return true;
    }

    // Serves until stopped.
    void run()
    {
        for (;;) {
            uint8_t c;
            if (line_.read(c, -1) != Line::Got::Byte)
                return;
            if (options_.silent)
                continue;
            uint8_t c2;
            const Line::Got got = line_.read(c2, nowNs() + kFrameGapNs);
            if (got == Line::Got::Stop)
                return;
            if (got == Line::Got::Timeout)
                continue;
            if (uint8_t(c + c2) != 0) {
                ack(false);
                continue;
            }
            switch (c) {
            case 0x10:
                erase();
                break;
            case 0x70:
                writeBlock();
                break;
            case 0x02:
                readBlock();
                break;
            case 0xCC:
            case 0xDD:
                printTest(c == 0xDD);
                break;
            default:
                ack(false);
                break;
            }
        }
    }

    // Memory from 0 to the last byte written since start-up or the last erase.
    const uint8_t* data() const { return memory_.data(); }
    std::size_t writtenSize() const { return written_; }

private:
    // Acknowledges; false when the answer was "not accepted".
    bool ack(bool accepted)
    {
        const bool ok = accepted && !options_.nak;
        line_.send(uint8_t(ok ? 0 : 1));
        return ok;
    }
    void status() { line_.send(uint8_t(options_.statusError)); }

    // The rest of a frame, each byte within 2 s of the one before; false when it
    // did not come (or the adapter is stopping).
    bool readFrame(uint8_t* into, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i)
            if (line_.read(into[i], nowNs() + kFrameGapNs) != Line::Got::Byte)
                return false;
        return true;
    }

    static std::size_t address(uint8_t hi, uint8_t lo)
    {
        return ((std::size_t(hi) << 8) | (lo & 0xFE)) + ((lo & 1) ? 0x10000 : 0);
    }

    void erase()
    {
        if (!ack(true))
            return;
        std::fill(memory_.begin(), memory_.end(), 0xFF);
        written_ = 0;
        status();
    }

    void writeBlock()
    {
        if (!ack(true))
            return;
        std::array<uint8_t, 256> frame{};
        if (!readFrame(frame.data(), 1))
            return;
        const std::size_t length = frame[0];
        if (length > 1 && !readFrame(frame.data() + 1, length - 1))
            return;
        uint8_t sum = 0;
        for (std::size_t i = 0; i < length; ++i)
            sum = uint8_t(sum + frame[i]);
        if (length < 4 || sum != 0) {
            ack(false);
            return;
        }
        if (!ack(true))
            return;
        const std::size_t at = address(frame[1], frame[2]);
        const std::size_t n = length - 4;
        for (std::size_t i = 0; i < n && at + i < kMemorySize; ++i) {
            memory_[at + i] = frame[3 + i];
            written_ = std::max(written_, at + i + 1);
        }
        status();
    }

    void readBlock()
    {
        if (!ack(true))
            return;
        uint8_t request[3];
        if (!readFrame(request, 3))
            return;
        if (uint8_t(request[0] + request[1] + request[2]) != 0) {
            ack(false);
            return;
        }
        if (!ack(true))
            return;
        const std::size_t at = address(request[0], request[1]);
        uint8_t block[kReadBlock];
        for (std::size_t i = 0; i < kReadBlock; ++i) {
            const std::size_t a = at + i;
            block[i] = a < kMemorySize ? memory_[a] : 0xFF;
            if (options_.corruptReadback && a == kCorruptAddress)
                block[i] ^= kCorruptMask;
        }
        line_.send(block, kReadBlock);
    }

    // The printout goes out line by line. Whatever the program sends meanwhile ends
    // the printout: it is the start of the next command.
    void printTest(bool archive)
    {
        if (!ack(true))
            return;
        const std::vector<std::string> lines =
            printTestLines(memory_.data(), memory_.size(), archive, kPrintLimit);
        if (options_.endlessPrint && !lines.empty()) {
            for (;;)
                for (const std::string& l : lines) {
                    if (!line_.send(l + "\r\n") || line_.pauseUnlessInput(kEndlessPauseNs))
                        return;
                }
        }
        for (const std::string& l : lines)
            if (!line_.send(l + "\r\n") || line_.inputWaiting())
                return;
        line_.send(uint8_t(0x1A));
    }

    Line& line_;
    const Options& options_;
    std::vector<uint8_t> memory_;
    std::size_t written_ = 0;
};

int usageError(const char* message, const QString& arg = {})
{
    std::fprintf(stderr, "rastrova-sim adapter: %s%s\n", message, arg.toUtf8().constData());
    std::fputs(kAdapterUsage, stderr);
    return 2;
}

bool parseNumber(const QString& text, long min, long max, long& out)
{
    bool ok = false;
    const long v = text.toLong(&ok, 0);
    if (!ok || v < min || v > max)
        return false;
    out = v;
    return true;
}

} // namespace

int adapter(const QStringList& args)
{
    Options o;
    bool pty = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        QString v;
        if (a == u"--pty") {
            pty = true;
        } else if (a == u"--link-file" || a == u"--dump" || a == u"--load") {
            if (!value(v) || v.isEmpty())
                return usageError("нет имени файла после ", a);
            std::string& target = a == u"--link-file" ? o.linkFile : a == u"--dump" ? o.dumpFile : o.loadFile;
            target = v.toStdString();
        } else if (a == u"--wire") {
            if (!value(v) || !parseNumber(v, 50, 4'000'000, o.baud))
                return usageError("неверная скорость --wire: ", v);
        } else if (a == u"--status-error") {
            long s = 0;
            if (!value(v) || !parseNumber(v, 0, 255, s))
                return usageError("неверный байт состояния --status-error: ", v);
            o.statusError = int(s);
        } else if (a == u"--silent") {
            o.silent = true;
        } else if (a == u"--nak") {
            o.nak = true;
        } else if (a == u"--corrupt-readback") {
            o.corruptReadback = true;
        } else if (a == u"--echo") {
            o.echo = true;
        } else if (a == u"--endless-print") {
            o.endlessPrint = true;
        } else {
            return usageError("неизвестный параметр ", a);
        }
    }
    if (!pty)
        return usageError("нужен параметр --pty");

    int wake[2];
    if (::pipe(wake) != 0) {
        std::perror("rastrova-sim adapter: pipe");
        return 3;
    }
    for (int fd : wake) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    g_wakeWrite = wake[1];
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no restart: a blocking call returns and the loop sees the flag
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Pty p;
    std::string error;
    if (!openPty(p, error)) {
        std::fprintf(stderr, "rastrova-sim adapter: %s\n", error.c_str());
        return 3;
    }

    const long long byteNs = o.baud > 0 ? 11'000'000'000LL / o.baud : 0;
    Line line(p.master, wake[0], byteNs, o.echo);
    Adapter device(line, o);
    if (!o.loadFile.empty() && !device.load(o.loadFile, error)) {
        std::fprintf(stderr, "rastrova-sim adapter: %s\n", error.c_str());
        return 3;
    }

    if (o.linkFile.empty()) {
        std::fputs((p.path + "\n").c_str(), stdout);
        std::fflush(stdout);
    } else if (!writeFileAtomically(o.linkFile, p.path.data(), p.path.size(), error)) {
        std::fprintf(stderr, "rastrova-sim adapter: %s\n", error.c_str());
        return 3;
    }

    device.run();

    int status = 0;
    if (!o.dumpFile.empty() && !writeFileAtomically(o.dumpFile, device.data(), device.writtenSize(), error)) {
        std::fprintf(stderr, "rastrova-sim adapter: %s\n", error.c_str());
        status = 3;
    }
    g_wakeWrite = -1;
    ::close(wake[0]);
    ::close(wake[1]);
    return status;
}

} // namespace rastrova::sim
