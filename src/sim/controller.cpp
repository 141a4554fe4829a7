// controller --pty: a ВИРЕЛ controller with its printer control module, on a new
// pseudo-terminal.
//
// The controller's side of its request protocol, from its tables:
//
//   program                        controller
//   ENQ 0x05                  ->   EOT 0x04
//   N, N data bytes, sum      ->   ACK 0x06 (data and sum add up to 0 mod 256) or NAK 0x15;
//                                  after an ACK, for a request with a reply, R data bytes
//                                  and their checksum (the R + 1 bytes add up to 0)
//
//   01 40 00                       state word, 2 bytes: byte 0 bit 7 = electronic key missing,
//                                  byte 1 bits 3-4 = 0x00 РАБОТА, 0x08 ОСТАНОВ, 0x10 ПЕРЕЗАПУСК
//   05 40 07 BF F7                 password prelude: arms the password write
//   05 40 08 hi lo                 password write: the typed password (after the prelude)
//   01 40 08                       password check result, 2 bytes, high byte first
//   09 / 08                        STOP / RUN
//   0F code                        reprogramming buffer: 0x22 opens it (an empty buffer),
//                                  0xAA, 0x00, 0x55 are taken as well
//
// Password check result: a controller without a password returns the typed word, so any
// password opens it; a controller with a password returns it when the typed one matches,
// and otherwise the typed word with its low byte inverted, which never reads as a match.
//
// While the buffer is open the printer control module speaks the adapter command protocol
// next to the requests:
//
//   0x70, 0x90                ->   ack 0 (1 when the pair does not add up to 0); a block
//                                  frame of 130 bytes: block number mod 256, 128 data bytes,
//                                  checksum; ack 0 and status 0 when stored, ack 1 when the
//                                  frame's sum is wrong
//   0xCC, 0x34                ->   ack 0; the reprogramming is complete, the buffer closes
//
// Blocks are kept in the order they belong: the module counts wraps of the block number,
// so the 257th block (number 0 again) lands after the 256th.
//
// STOP takes effect 300 ms after the request; RUN passes through ПЕРЕЗАПУСК and reaches
// РАБОТА 300 ms later. A byte outside a frame that starts nothing is ignored, and a frame
// whose next byte does not arrive within 2 s is dropped.

#include "simulators.h"

#include "pty.h"

#include <QString>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace rastrova::sim {

const char* const kControllerUsage =
    "  controller --pty [--link-file F] [--dump FILE] [--wire BAUD] [--password HEX]\n"
    "          [--key-missing] [--state run|stop] [--never-stop] [--nak-block N]\n"
    "          [--silent] [--echo] [--verbose]\n"
    "                 контроллер ВИРЕЛ с модулем управления принтером на новом\n"
    "                 псевдотерминале; путь к нему выводится в stdout, с --link-file F\n"
    "                 записывается в файл F. Работает до SIGTERM или SIGINT.\n"
    "                 --dump FILE      при выходе записать принятые блоки по 128 байт в порядке\n"
    "                                  номеров (пустой файл, если блоков не было)\n"
    "                 --wire BAUD      темп линии BAUD бит/с (8 бит, без чётности, 2 стоп-бита)\n"
    "                 --password HEX   пароль доступа контроллера (без него подходит любой)\n"
    "                 --key-missing    электронный ключ не установлен (бит 7 слова состояния)\n"
    "                 --state run|stop начальное состояние: РАБОТА (по умолчанию) или ОСТАНОВ\n"
    "                 --never-stop     запрос СТОП подтверждать, но оставаться в РАБОТА\n"
    "                 --nak-block N    блок с порядковым номером N (от 0) отвергать: после\n"
    "                                  кадра блока байт подтверждения 1, блок не записывается\n"
    "                 --silent         принимать всё и никогда не отвечать\n"
    "                 --echo           линия возвращает каждый принятый байт (ИРПС с эхом)\n"
    "                 --verbose        печатать в stderr строку о каждом запросе и команде\n"
    "                 СТОП действует через 300 мс; РАБОТА — через ПЕРЕЗАПУСК, тоже 300 мс.\n";

namespace {

constexpr uint8_t kEnq = 0x05;
constexpr uint8_t kEot = 0x04;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;

constexpr uint8_t kStateRun = 0x00;
constexpr uint8_t kStateStop = 0x08;
constexpr uint8_t kStateRestart = 0x10;
constexpr uint8_t kKeyMissing = 0x80;

constexpr uint8_t kCmdWriteBlock = 0x70;
constexpr uint8_t kCmdComplete = 0xCC;

constexpr std::size_t kBlockSize = 128;
constexpr std::size_t kBlockFrame = kBlockSize + 2;

constexpr uint16_t kNoPassword = 0xFFFF;

constexpr long long kMs = 1'000'000LL;
constexpr long long kFrameGapNs = 2000 * kMs;
constexpr long long kSwitchNs = 300 * kMs;
constexpr long long kNapNs = 50 * kMs;
constexpr long long kQuietNs = 200 * kMs;

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
    return int(std::min<long long>((left + kMs - 1) / kMs, 60'000));
}

// ---- The line -------------------------------------------------------------------

// The master side of the pty as the controller's end of its serial line: optional
// pacing at a line speed, an optional echo of every byte received (the echo is the
// line's doing, so it comes before any answer of the controller).
class Line {
public:
    enum class Got { Byte, Timeout, Stop };

    Line(int fd, int wakeFd, long long byteNs, bool echo) : fd_(fd), wake_(wakeFd), byteNs_(byteNs), echo_(echo) {}

    // The next byte from the program, waiting until the monotonic time `deadline`
    // (-1: no limit).
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
    bool send(const std::vector<uint8_t>& bytes) { return send(bytes.data(), bytes.size()); }
    bool send(uint8_t b) { return send(&b, 1); }

private:
    struct Pending {
        uint8_t byte;
        long long at;
    };

    // Takes in what the program sent, waiting until `deadline` at most; true when
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
            if (r <= 0 || fds[1].revents)
                return false;
            if (fds[0].revents & POLLIN) {
                uint8_t buf[4096];
                const ssize_t n = ::read(fd_, buf, sizeof buf);
                if (n > 0) {
                    take(buf, n);
                    return true;
                }
                if (n < 0 && (errno == EAGAIN || errno == EINTR))
                    continue;
            }
            // Nobody on the other side for a moment (or an error): do not spin.
            if (!napUntil(deadline))
                return false;
        }
    }

    void take(const uint8_t* buf, ssize_t n)
    {
        const long long at = nowNs();
        for (ssize_t i = 0; i < n; ++i)
            pending_.push_back({buf[i], at});
    }

    // Sleeps 50 ms (at most until `deadline`); false when the deadline has passed.
    bool napUntil(long long deadline)
    {
        long long until = nowNs() + kNapNs;
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
                // The program is not reading: wait for room, taking in what it sends
                // meanwhile so that neither side blocks the other.
                pollfd fds[2] = {{fd_, POLLOUT | POLLIN, 0}, {wake_, POLLIN, 0}};
                if (::poll(fds, 2, 200) > 0 && (fds[0].revents & POLLIN)) {
                    uint8_t buf[4096];
                    const ssize_t r = ::read(fd_, buf, sizeof buf);
                    if (r > 0)
                        take(buf, r);
                }
                continue;
            }
            napUntil(-1);
        }
        return true;
    }

    int fd_;
    int wake_;
    long long byteNs_;
    bool echo_;
    std::deque<Pending> pending_;
    long long inDone_ = 0;
    long long outDone_ = 0;
};

// ---- The controller -------------------------------------------------------------

struct Options {
    std::string linkFile;
    std::string dumpFile;
    long baud = 0;
    bool hasPassword = false;
    uint16_t password = 0;
    bool keyMissing = false;
    uint8_t state = kStateRun;
    bool neverStop = false;
    long nakBlock = -1;
    bool silent = false;
    bool echo = false;
    bool verbose = false;
};

uint8_t checksum(const uint8_t* data, std::size_t n)
{
    uint8_t sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum = uint8_t(sum + data[i]);
    return uint8_t(-sum);
}

const char* stateName(uint8_t bits)
{
    switch (bits) {
    case kStateRun:
        return "РАБОТА";
    case kStateStop:
        return "ОСТАНОВ";
    case kStateRestart:
        return "ПЕРЕЗАПУСК";
    default:
        return "?";
    }
}

std::string hexBytes(const uint8_t* data, std::size_t n)
{
    std::string s;
    char b[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", data[i]);
        s += b;
    }
    return s;
}

class Controller {
public:
    Controller(Line& line, const Options& options) : line_(line), options_(options), state_(options.state) {}

    // Serves until stopped.
    void run()
    {
        for (;;) {
            uint8_t b;
            // Stray bytes are told about once the line goes quiet or something starts.
            const Line::Got got = line_.read(b, skipped_ > 0 ? nowNs() + kQuietNs : -1);
            if (got == Line::Got::Timeout) {
                reportSkipped();
                continue;
            }
            if (got != Line::Got::Byte)
                return;
            if (options_.silent)
                continue;
            if (b == kEnq) {
                reportSkipped();
                request();
            } else if (buffer_ && (b == kCmdWriteBlock || b == kCmdComplete)) {
                reportSkipped();
                command(b);
            } else if (skipped_++ == 0) {
                firstSkipped_ = b;
            }
        }
    }

    // The blocks received, 128 bytes each, in the order they belong.
    const std::vector<uint8_t>& image() const { return image_; }

private:
    void reportSkipped()
    {
        if (skipped_ == 1)
            log("посторонний байт %02X пропущен", firstSkipped_);
        else if (skipped_ > 1)
            log("пропущено посторонних байт: %zu (первый %02X)", skipped_, firstSkipped_);
        skipped_ = 0;
    }

    // ---- Request protocol ----

    void request()
    {
        if (!line_.send(kEot))
            return;
        uint8_t count;
        if (!readFrame(&count, 1)) {
            log("ENQ: кадр запроса не пришёл");
            return;
        }
        std::vector<uint8_t> frame(std::size_t(count) + 1);
        if (!readFrame(frame.data(), frame.size())) {
            log("запрос из %u байт не пришёл целиком", unsigned(count));
            return;
        }
        const uint8_t* data = frame.data();
        if (checksum(data, count) != frame[count]) {
            log("запрос %s: неверная контрольная сумма %02X, NAK", hexBytes(data, count).c_str(), frame[count]);
            line_.send(kNak);
            return;
        }
        serve(data, count);
    }

    // Answers a well-formed request: ACK, and the reply when it has one.
    void serve(const uint8_t* d, std::size_t n)
    {
        auto is = [&](std::initializer_list<uint8_t> bytes) {
            return n == bytes.size() && std::equal(bytes.begin(), bytes.end(), d);
        };
        if (is({0x01, 0x40, 0x00})) {
            const uint8_t bits = currentState();
            const uint8_t word[2] = {uint8_t(options_.keyMissing ? kKeyMissing : 0), bits};
            log("состояние: %02X %02X (%s%s)", word[0], word[1], stateName(bits),
                options_.keyMissing ? ", нет ключа" : "");
            reply(word, 2);
        } else if (is({0x05, 0x40, 0x07, 0xBF, 0xF7})) {
            passwordArmed_ = true;
            log("пароль: начало ввода");
            reply(nullptr, 0);
        } else if (n == 5 && d[0] == 0x05 && d[1] == 0x40 && d[2] == 0x08) {
            const uint16_t typed = uint16_t(d[3] << 8 | d[4]);
            if (passwordArmed_) {
                typed_ = typed;
                log("пароль: введён %04X", typed);
            } else {
                log("пароль: %04X без начала ввода, не принят", typed);
            }
            passwordArmed_ = false;
            reply(nullptr, 0);
        } else if (is({0x01, 0x40, 0x08})) {
            const uint16_t v = passwordCheck();
            const uint8_t word[2] = {uint8_t(v >> 8), uint8_t(v)};
            log("пароль: проверка %04X -> %04X (%s)", typed_, v, v == typed_ ? "верный" : "неверный");
            reply(word, 2);
        } else if (n >= 2 && d[0] == 0x01 && d[1] == 0x40) {
            const uint8_t word[2] = {0xFF, 0xFF};
            log("чтение %s: неизвестная ячейка, FF FF", hexBytes(d, n).c_str());
            reply(word, 2);
        } else if (is({0x09})) {
            stop();
            reply(nullptr, 0);
        } else if (is({0x08})) {
            start();
            reply(nullptr, 0);
        } else if (n == 2 && d[0] == 0x0F) {
            bufferCommand(d[1]);
            reply(nullptr, 0);
        } else {
            log("запрос %s: неизвестен, только ACK", hexBytes(d, n).c_str());
            reply(nullptr, 0);
        }
    }

    void reply(const uint8_t* data, std::size_t n)
    {
        std::vector<uint8_t> out{kAck};
        if (n > 0) {
            out.insert(out.end(), data, data + n);
            out.push_back(checksum(data, n));
        }
        line_.send(out);
    }

    uint16_t passwordCheck() const
    {
        if (!options_.hasPassword || typed_ == options_.password)
            return typed_;
        return uint16_t(typed_ ^ 0x00FF);
    }

    // The state bits, with a switch that has come due taking effect.
    uint8_t currentState()
    {
        while (switchAt_ >= 0 && nowNs() >= switchAt_) {
            state_ = switchTo_;
            switchAt_ = -1;
            if (state_ == kStateRestart) {
                switchTo_ = kStateRun;
                switchAt_ = nowNs() + kSwitchNs;
            }
        }
        return state_;
    }

    void stop()
    {
        const uint8_t bits = currentState();
        if (options_.neverStop) {
            log("СТОП: подтверждён, контроллер остаётся в %s", stateName(bits));
            return;
        }
        if (bits == kStateStop) {
            switchAt_ = -1;
            log("СТОП: уже ОСТАНОВ");
            return;
        }
        switchTo_ = kStateStop;
        switchAt_ = nowNs() + kSwitchNs;
        log("СТОП: ОСТАНОВ через 300 мс");
    }

    void start()
    {
        const uint8_t bits = currentState();
        if (buffer_) {
            buffer_ = false;
            log("РАБОТА: буфер репрограммации закрыт");
        }
        if (bits == kStateRun) {
            switchAt_ = -1;
            log("РАБОТА: уже РАБОТА");
            return;
        }
        state_ = kStateRestart;
        switchTo_ = kStateRun;
        switchAt_ = nowNs() + kSwitchNs;
        log("РАБОТА: ПЕРЕЗАПУСК, РАБОТА через 300 мс");
    }

    void bufferCommand(uint8_t code)
    {
        switch (code) {
        case 0x22:
            buffer_ = true;
            image_.clear();
            nextBlock_ = 0;
            log("буфер 22: буфер репрограммации открыт, пуст");
            break;
        case 0xAA:
        case 0x00:
        case 0x55:
            log("буфер %02X: принят%s", code, buffer_ ? "" : " (буфер не открыт)");
            break;
        default:
            log("буфер %02X: неизвестный код, принят", code);
            break;
        }
    }

    // ---- Printer control module: adapter commands while the buffer is open ----

    void command(uint8_t c)
    {
        uint8_t c2;
        if (!readFrame(&c2, 1)) {
            log("команда %02X: второй байт не пришёл", c);
            return;
        }
        if (uint8_t(c + c2) != 0) {
            log("команда %02X %02X: сумма не 0, подтверждение 1", c, c2);
            line_.send(uint8_t(1));
            return;
        }
        if (!line_.send(uint8_t(0)))
            return;
        if (c == kCmdComplete) {
            buffer_ = false;
            log("команда CC: репрограммация закончена, блоков %zu", image_.size() / kBlockSize);
            return;
        }
        writeBlock();
    }

    void writeBlock()
    {
        std::array<uint8_t, kBlockFrame> frame;
        if (!readFrame(frame.data(), frame.size())) {
            log("команда 70: кадр блока не пришёл целиком");
            return;
        }
        if (checksum(frame.data(), kBlockFrame - 1) != frame[kBlockFrame - 1]) {
            log("команда 70: блок %02X, неверная контрольная сумма, подтверждение 1", frame[0]);
            line_.send(uint8_t(1));
            return;
        }
        // The block number is the block's place modulo 256: the place is the one with
        // that number nearest to the next expected place.
        const int delta = int(int8_t(uint8_t(frame[0] - uint8_t(nextBlock_))));
        long long index = nextBlock_ + delta;
        if (index < 0)
            index += 256;
        if (index == options_.nakBlock) {
            log("команда 70: блок %lld (номер %02X) отвергнут, подтверждение 1", index, frame[0]);
            line_.send(uint8_t(1));
            return;
        }
        if (!line_.send(uint8_t(0)))
            return;
        const std::size_t at = std::size_t(index) * kBlockSize;
        if (image_.size() < at + kBlockSize)
            image_.resize(at + kBlockSize, 0xFF);
        std::copy(frame.begin() + 1, frame.begin() + 1 + kBlockSize, image_.begin() + std::ptrdiff_t(at));
        nextBlock_ = std::max(nextBlock_, index + 1);
        log("команда 70: блок %lld (номер %02X) записан", index, frame[0]);
        line_.send(uint8_t(0));
    }

    // The next bytes of a frame, each within 2 s of the one before.
    bool readFrame(uint8_t* into, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i)
            if (line_.read(into[i], nowNs() + kFrameGapNs) != Line::Got::Byte)
                return false;
        return true;
    }

    void log(const char* format, ...) const __attribute__((format(printf, 2, 3)))
    {
        if (!options_.verbose)
            return;
        std::va_list args;
        va_start(args, format);
        std::fputs("controller: ", stderr);
        std::vfprintf(stderr, format, args);
        std::fputc('\n', stderr);
        va_end(args);
    }

    Line& line_;
    const Options& options_;
    uint8_t state_;
    uint8_t switchTo_ = kStateRun;
    long long switchAt_ = -1;
    bool passwordArmed_ = false;
    uint16_t typed_ = kNoPassword;
    bool buffer_ = false;
    long long nextBlock_ = 0;
    std::vector<uint8_t> image_;
    std::size_t skipped_ = 0;
    uint8_t firstSkipped_ = 0;
};

int usageError(const char* message, const QString& arg = {})
{
    std::fprintf(stderr, "rastrova-sim controller: %s%s\n", message, arg.toUtf8().constData());
    std::fputs(kControllerUsage, stderr);
    return 2;
}

bool parseNumber(const QString& text, int base, long min, long max, long& out)
{
    bool ok = false;
    const long v = text.toLong(&ok, base);
    if (!ok || v < min || v > max)
        return false;
    out = v;
    return true;
}

} // namespace

int controller(const QStringList& args)
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
        } else if (a == u"--link-file" || a == u"--dump") {
            if (!value(v) || v.isEmpty())
                return usageError("нет имени файла после ", a);
            (a == u"--link-file" ? o.linkFile : o.dumpFile) = v.toStdString();
        } else if (a == u"--wire") {
            if (!value(v) || !parseNumber(v, 0, 50, 4'000'000, o.baud))
                return usageError("неверная скорость --wire: ", v);
        } else if (a == u"--password") {
            long p = 0;
            QString hex;
            if (value(v))
                hex = v.startsWith(u"0x", Qt::CaseInsensitive) ? v.mid(2) : v;
            if (hex.isEmpty() || !parseNumber(hex, 16, 0, 0xFFFF, p))
                return usageError("неверный пароль --password (от 0 до FFFF, шестнадцатеричный): ", v);
            o.hasPassword = true;
            o.password = uint16_t(p);
        } else if (a == u"--state") {
            if (!value(v) || (v != u"run" && v != u"stop"))
                return usageError("неверное состояние --state (run или stop): ", v);
            o.state = v == u"run" ? kStateRun : kStateStop;
        } else if (a == u"--nak-block") {
            if (!value(v) || !parseNumber(v, 10, 0, 1'000'000, o.nakBlock))
                return usageError("неверный номер блока --nak-block: ", v);
        } else if (a == u"--key-missing") {
            o.keyMissing = true;
        } else if (a == u"--never-stop") {
            o.neverStop = true;
        } else if (a == u"--silent") {
            o.silent = true;
        } else if (a == u"--echo") {
            o.echo = true;
        } else if (a == u"--verbose") {
            o.verbose = true;
        } else {
            return usageError("неизвестный параметр ", a);
        }
    }
    if (!pty)
        return usageError("нужен параметр --pty");

    int wake[2];
    if (::pipe(wake) != 0) {
        std::perror("rastrova-sim controller: pipe");
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
        std::fprintf(stderr, "rastrova-sim controller: %s\n", error.c_str());
        return 3;
    }

    const long long byteNs = o.baud > 0 ? 11'000'000'000LL / o.baud : 0;
    Line line(p.master, wake[0], byteNs, o.echo);
    Controller device(line, o);

    if (o.linkFile.empty()) {
        std::fputs((p.path + "\n").c_str(), stdout);
        std::fflush(stdout);
    } else if (!writeFileAtomically(o.linkFile, p.path.data(), p.path.size(), error)) {
        std::fprintf(stderr, "rastrova-sim controller: %s\n", error.c_str());
        return 3;
    }

    device.run();

    int status = 0;
    if (!o.dumpFile.empty() && !writeFileAtomically(o.dumpFile, device.image().data(), device.image().size(), error)) {
        std::fprintf(stderr, "rastrova-sim controller: %s\n", error.c_str());
        status = 3;
    }
    g_wakeWrite = -1;
    ::close(wake[0]);
    ::close(wake[1]);
    return status;
}

} // namespace rastrova::sim
