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
#include "simcommon.h"

#include <QString>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// ---- The adapter ----------------------------------------------------------------

struct Options : LineOptions {
    std::string loadFile;
    bool nak = false;
    int statusError = 0;
    bool corruptReadback = false;
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
    bool readFrame(uint8_t* into, std::size_t n) { return line_.readFrame(into, n, kFrameGapNs); }

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
        if (length < 4 || sum8(frame.data(), length) != 0) {
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

constexpr const char* kWho = "adapter";

int usageError(const char* message, const QString& arg = {})
{
    return sim::usageError(kWho, kAdapterUsage, message, arg);
}

} // namespace

int adapter(const QStringList& args)
{
    Options o;
    for (ArgCursor arg(args); arg.next();) {
        const QString& a = arg.arg();
        QString v;
        if (const int taken = takeLineOption(arg, o, kWho, kAdapterUsage)) {
            if (taken != 1)
                return taken;
        } else if (a == u"--load") {
            if (!arg.value(v) || v.isEmpty())
                return usageError("нет имени файла после ", a);
            o.loadFile = v.toStdString();
        } else if (a == u"--status-error") {
            long s = 0;
            if (!arg.number(v, 0, 0, 255, s))
                return usageError("неверный байт состояния --status-error: ", v);
            o.statusError = int(s);
        } else if (!arg.flag({{u"--nak", &o.nak}, {u"--corrupt-readback", &o.corruptReadback},
                               {u"--endless-print", &o.endlessPrint}})) {
            return usageError("неизвестный параметр ", a);
        }
    }

    PtyLine p;
    if (const int status = p.open(o, kWho, kAdapterUsage))
        return status;
    Adapter device(p.line(), o);
    std::string error;
    if (!o.loadFile.empty() && !device.load(o.loadFile, error)) {
        reportError(kWho, error);
        return 3;
    }
    if (!announcePty(p.pty(), o.linkFile, kWho))
        return 3;

    device.run();

    return writeDump(kWho, o.dumpFile, device.data(), device.writtenSize());
}

} // namespace rastrova::sim
