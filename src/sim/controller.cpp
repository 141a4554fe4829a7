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
#include "simcommon.h"

#include <QString>
#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
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
constexpr long long kQuietNs = 200 * kMs;

// ---- The controller -------------------------------------------------------------

struct Options : LineOptions {
    bool hasPassword = false;
    uint16_t password = 0;
    bool keyMissing = false;
    uint8_t state = kStateRun;
    bool neverStop = false;
    long nakBlock = -1;
    bool verbose = false;
};

uint8_t checksum(const uint8_t* data, std::size_t n)
{
    return uint8_t(-sum8(data, n));
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
    bool readFrame(uint8_t* into, std::size_t n) { return line_.readFrame(into, n, kFrameGapNs); }

    void log(const char* format, ...) const __attribute__((format(printf, 2, 3)))
    {
        if (!options_.verbose)
            return;
        std::va_list args;
        va_start(args, format);
        printLine(stderr, "controller: ", format, args);
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

constexpr const char* kWho = "controller";

int usageError(const char* message, const QString& arg = {})
{
    return sim::usageError(kWho, kControllerUsage, message, arg);
}

} // namespace

int controller(const QStringList& args)
{
    Options o;
    for (ArgCursor arg(args); arg.next();) {
        const QString& a = arg.arg();
        QString v;
        if (const int taken = takeLineOption(arg, o, kWho, kControllerUsage)) {
            if (taken != 1)
                return taken;
        } else if (a == u"--password") {
            long p = 0;
            QString hex;
            if (arg.value(v))
                hex = v.startsWith(u"0x", Qt::CaseInsensitive) ? v.mid(2) : v;
            if (hex.isEmpty() || !parseNumber(hex, 16, 0, 0xFFFF, p))
                return usageError("неверный пароль --password (от 0 до FFFF, шестнадцатеричный): ", v);
            o.hasPassword = true;
            o.password = uint16_t(p);
        } else if (a == u"--state") {
            if (!arg.value(v) || (v != u"run" && v != u"stop"))
                return usageError("неверное состояние --state (run или stop): ", v);
            o.state = v == u"run" ? kStateRun : kStateStop;
        } else if (a == u"--nak-block") {
            if (!arg.number(v, 10, 0, 1'000'000, o.nakBlock))
                return usageError("неверный номер блока --nak-block: ", v);
        } else if (!arg.flag({{u"--key-missing", &o.keyMissing}, {u"--never-stop", &o.neverStop},
                               {u"--verbose", &o.verbose}})) {
            return usageError("неизвестный параметр ", a);
        }
    }

    PtyLine p;
    if (const int status = p.open(o, kWho, kControllerUsage))
        return status;
    Controller device(p.line(), o);
    if (!announcePty(p.pty(), o.linkFile, kWho))
        return 3;

    device.run();

    return writeDump(kWho, o.dumpFile, device.image().data(), device.image().size());
}

} // namespace rastrova::sim
