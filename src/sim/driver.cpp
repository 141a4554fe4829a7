// driver [--port P]: the driver program on loopback TCP, with a printer adapter on
// the CAN bus behind it.
//
// Every packet, either way, starts with a 6-byte lead: three ASCII letters of kind,
// one padding byte, the protocol version (16 bits, sent as 1). Multi-byte fields are
// little-endian.
//
//   program                                   driver
//                                        <-   "DKP" once the connection is accepted: ready
//   "DCP" header(92) request(16)         ->
//                                        <-   "DSP" header(92) reply(20), same identifier
//   "CKP" keep-alive                     ->   nothing
//   "000" close                          ->   the driver closes the connection
//                                        <-   "000" when the driver shuts down
//
// Block header: byte 0 = 1, byte 1 = 0, bytes 4..7 the signed length of the data that
// follows, bytes 24..27 the index word, bytes 28..31 two time-outs (ms), the rest 0.
//
// Request (16): 0 identifier(4), 4 device address, 5 length (command byte, two
// parameter bytes and the data bytes), 6 command, 7 parameter code(2), 9 data(7).
// Reply (20): 0 identifier(4), 4 device address, 5..7 zero, 8 length (signed, 1 or
// more: the transaction succeeded; 0: it failed), 12 data(4), 16..19 zero.
//
// Commands: 2 read, 3 write, 4 recompute the checksum (and release the index
// parameter), 5 set the access level, 6 fix the index parameter, 7 write one record
// of the fixed index parameter (record index in the parameter field).
//
// The adapter behind the driver is in driverbus.h.

#include "simulators.h"

#include "driverbus.h"

#include "pty.h"
#include "simcommon.h"

#include <QString>
#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace rastrova::sim {

const char* const kDriverUsage =
    "  driver [--port P] [--port-file F] [--dump FILE] [--address A] [--verbose]\n"
    "         [--silent] [--no-ready] [--refuse-index] [--fail-checksum] [--garbage]\n"
    "         [--seed N] [--drop-after N] [--huge-length]\n"
    "                 программа-драйвер на 127.0.0.1, порт P (по умолчанию 3000; 0 — любой\n"
    "                 свободный), за ней адаптер принтера на шине CAN с адресом A\n"
    "                 (по умолчанию 1). Выводит в stdout строку \"PORT n\", с --port-file F\n"
    "                 записывает номер порта в файл F. Работает до SIGTERM или SIGINT.\n"
    "                 Запись параметров требует уровня доступа 3 и выше.\n"
    "                 --dump FILE      при выходе записать принятый образ: байты 0..127 из\n"
    "                                  параметра 0x0100, 128..255 — 0xFF, с 256 — из 0x0101;\n"
    "                                  длина — по параметру 0x0104\n"
    "                 --verbose        строка в stderr на каждый принятый пакет\n"
    "                 --silent         принимать соединение и данные, ничего не посылать\n"
    "                 --no-ready       не посылать \"DKP\" после соединения\n"
    "                 --refuse-index   на команду 6 отвечать длиной 0\n"
    "                 --fail-checksum  контрольные суммы 0x0102 и 0x0103 не принимать\n"
    "                 --garbage        после \"DKP\" и перед ответами посылать случайные\n"
    "                                  пакеты, не отвечающие ни на один запрос (до 16 КБ)\n"
    "                 --seed N         начальное значение для --garbage\n"
    "                 --drop-after N   закрывать соединение после ответа на N-й запрос\n"
    "                 --huge-length    после \"DKP\" послать заголовок \"DSP\" с длиной\n"
    "                                  2^31-1 и 1000 байт данных, затем молчать, не закрывая\n";

namespace {

constexpr std::size_t kLead = 6;
constexpr std::size_t kHeader = 92;
constexpr std::size_t kRequest = 16;
constexpr std::size_t kReply = 20;
constexpr int32_t kMaxBlock = 1024 * 1024;          // longer blocks from a client are nonsense
constexpr std::size_t kMaxOutput = 4 * 1024 * 1024; // a client that does not read is dropped
constexpr std::size_t kMaxClients = 16;
constexpr std::size_t kGarbageBudget = 16 * 1024;
constexpr std::size_t kHugeTail = 1000;

using namespace canbus;

// ---- Packets from the driver ----------------------------------------------------

void appendLead(std::vector<uint8_t>& out, const char* kind, uint8_t padding = 0, uint16_t version = 1)
{
    out.insert(out.end(), kind, kind + 3);
    out.push_back(padding);
    out.push_back(uint8_t(version));
    out.push_back(uint8_t(version >> 8));
}

std::array<uint8_t, kHeader> header(int32_t length, uint32_t indexWord = 0xFFFFFFFFu, uint32_t timeouts = 0)
{
    std::array<uint8_t, kHeader> h{};
    h[0] = 1;
    put32(h.data() + 4, uint32_t(length));
    put32(h.data() + 24, indexWord);
    put32(h.data() + 28, timeouts);
    return h;
}

void appendReply(std::vector<uint8_t>& out, const Request& r, const Answer& a, uint32_t timeouts)
{
    appendLead(out, "DSP");
    const auto h = header(int32_t(kReply), r.indexWord, timeouts);
    out.insert(out.end(), h.begin(), h.end());
    std::array<uint8_t, kReply> rec{};
    put32(rec.data(), r.id);
    rec[4] = r.address;
    put32(rec.data() + 8, uint32_t(a.length));
    std::copy(a.data.begin(), a.data.end(), rec.begin() + 12);
    out.insert(out.end(), rec.begin(), rec.end());
}

// Packets that answer no request: kinds the program ignores, "DUA" blocks, "DSP"
// blocks whose data is not a reply record, reply records with identifiers the
// program never gives out. Each is complete, so the stream stays in step.
class Garbage {
public:
    explicit Garbage(unsigned long seed) : rng_(seed) {}

    // Appends one packet while the budget lasts; false when it is spent.
    bool append(std::vector<uint8_t>& out)
    {
        if (spent_ >= kGarbageBudget)
            return false;
        const std::size_t before = out.size();
        const uint8_t padding = byte();
        const uint16_t version = uint16_t(rng_());
        switch (pick(6)) {
        case 0:
        case 1: {
            char kind[3];
            do {
                for (char& c : kind)
                    c = char(pick(2) ? 'A' + pick(26) : '0' + pick(10));
            } while (known(kind));
            appendLead(out, kind, padding, version);
            break;
        }
        case 2:
            block(out, "DUA", padding, version, int32_t(pick(70)) - 5);
            break;
        case 3: {
            int32_t length;
            do
                length = int32_t(pick(70)) - 5;
            while (length == int32_t(kReply));
            block(out, "DSP", padding, version, length);
            break;
        }
        case 4: {
            appendLead(out, "DSP", padding, version);
            randomHeader(out, int32_t(kReply));
            static const uint32_t kIds[] = {0, 0xFFFFFFFFu};
            const uint32_t id = pick(2) ? kIds[pick(2)] : 0xC0000000u + uint32_t(rng_() % 0x3FFFFFFFu);
            std::array<uint8_t, kReply> rec;
            for (uint8_t& b : rec)
                b = byte();
            put32(rec.data(), id);
            out.insert(out.end(), rec.begin(), rec.end());
            break;
        }
        default:
            appendLead(out, "DKP", padding, version);
            break;
        }
        spent_ += out.size() - before;
        return true;
    }

private:
    static bool known(const char* k)
    {
        for (const char* kind : {"DSP", "DUA", "DKP", "000"})
            if (std::memcmp(k, kind, 3) == 0)
                return true;
        return false;
    }
    uint8_t byte() { return uint8_t(rng_()); }
    uint32_t pick(uint32_t n) { return uint32_t(rng_() % n); }

    void randomHeader(std::vector<uint8_t>& out, int32_t length)
    {
        std::array<uint8_t, kHeader> h;
        for (uint8_t& b : h)
            b = byte();
        put32(h.data() + 4, uint32_t(length));
        out.insert(out.end(), h.begin(), h.end());
    }

    void block(std::vector<uint8_t>& out, const char* kind, uint8_t padding, uint16_t version, int32_t length)
    {
        appendLead(out, kind, padding, version);
        randomHeader(out, length);
        for (int32_t i = 0; i < length; ++i)
            out.push_back(byte());
    }

    std::mt19937 rng_;
    std::size_t spent_ = 0;
};

// ---- Connections ----------------------------------------------------------------

struct Client {
    int fd = -1;
    int number = 0;
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
    long requests = 0;
    bool mute = false;    // reads and discards, sends nothing more
    bool closing = false; // closes once `out` is sent
    std::unique_ptr<Garbage> garbage;

    ~Client()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

class Driver {
public:
    Driver(const Options& options, Adapter& adapter) : options_(options), adapter_(adapter)
    {
        seed_ = options.seed ? *options.seed : std::random_device{}();
    }

    // Opens the listening socket on 127.0.0.1; the port actually bound in `port`.
    bool listen(long port, int& bound, std::string& error)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (listener_ < 0) {
            error = std::string("socket: ") + std::strerror(errno);
            return false;
        }
        const int one = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(uint16_t(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener_, 8) != 0) {
            error = "127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
            return false;
        }
        socklen_t len = sizeof a;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        bound = ntohs(a.sin_port);
        return true;
    }

    ~Driver()
    {
        if (listener_ >= 0)
            ::close(listener_);
    }

    // Serves until stopped; then tells every client the driver is closing.
    void run(int wakeFd)
    {
        while (!stopRequested()) {
            std::vector<pollfd> fds;
            fds.push_back({wakeFd, POLLIN, 0});
            fds.push_back({listener_, short(clients_.size() < kMaxClients ? POLLIN : 0), 0});
            for (const auto& c : clients_)
                fds.push_back({c->fd, short(POLLIN | (c->out.empty() ? 0 : POLLOUT)), 0});
            const int r = ::poll(fds.data(), fds.size(), -1);
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0) {
                warn("poll: %s", std::strerror(errno));
                return;
            }
            if (fds[0].revents)
                break;
            if (fds[1].revents & POLLIN)
                accept();
            // Clients accepted just now are not in `fds`; they are served next round.
            for (std::size_t i = 2; i < fds.size(); ++i) {
                Client& c = *clients_[i - 2];
                if (fds[i].revents & (POLLIN | POLLHUP | POLLERR))
                    receive(c);
                if (c.fd >= 0 && !c.out.empty() && (fds[i].revents & POLLOUT))
                    flush(c);
            }
            std::erase_if(clients_, [](const std::unique_ptr<Client>& c) { return c->fd < 0; });
        }
        for (auto& c : clients_) {
            if (c->mute)
                continue;
            appendLead(c->out, "000");
            flush(c.get(), true);
        }
        clients_.clear();
    }

private:
    // Closes the connection; an ordinary end is logged only with --verbose.
    void drop(Client& c, const char* why, bool ordinary)
    {
        if (options_.verbose || !ordinary)
            warn("connection %d closed: %s", c.number, why);
        ::close(c.fd);
        c.fd = -1;
    }

    void accept()
    {
        for (;;) {
            sockaddr_in peer{};
            socklen_t len = sizeof peer;
            const int fd = ::accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &len,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0)
                return;
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            auto c = std::make_unique<Client>();
            c->fd = fd;
            c->number = ++connections_;
            if (options_.verbose)
                warn("connection %d accepted", c->number);
            if (options_.silent) {
                c->mute = true;
            } else {
                if (!options_.noReady)
                    appendLead(c->out, "DKP");
                if (options_.hugeLength) {
                    appendLead(c->out, "DSP");
                    const auto h = header(0x7FFFFFFF);
                    c->out.insert(c->out.end(), h.begin(), h.end());
                    for (std::size_t i = 0; i < kHugeTail; ++i)
                        c->out.push_back(uint8_t(i));
                    c->mute = true;
                } else if (options_.garbage) {
                    c->garbage = std::make_unique<Garbage>(seed_ + unsigned(c->number));
                    for (int i = 0; i < 32; ++i)
                        c->garbage->append(c->out);
                }
                if (options_.dropAfter == 0)
                    c->closing = true;
            }
            flush(*c);
            if (c->fd >= 0)
                clients_.push_back(std::move(c));
            if (clients_.size() >= kMaxClients)
                return;
        }
    }

    void receive(Client& c)
    {
        uint8_t buf[16384];
        bool ended = false;
        for (int round = 0; round < 16; ++round) { // the rest waits for the next poll
            const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
            if (n > 0) {
                if (!c.mute && !c.closing)
                    c.in.insert(c.in.end(), buf, buf + n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            ended = true; // end of stream or a reset
            break;
        }
        parse(c);
        if (c.fd >= 0 && ended) {
            if (c.in.empty())
                drop(c, "the program closed the connection", true);
            else
                drop(c, "the program closed the connection in the middle of a packet", false);
            return;
        }
        if (c.fd >= 0 && !c.out.empty())
            flush(c);
    }

    // Takes every complete packet from the client's input.
    void parse(Client& c)
    {
        std::size_t at = 0;
        while (c.fd >= 0 && !c.closing && c.in.size() - at >= kLead) {
            const uint8_t* p = c.in.data() + at;
            const std::string kind(reinterpret_cast<const char*>(p), 3);
            if (kind == "DCP") {
                if (c.in.size() - at < kLead + kHeader)
                    break;
                const uint8_t* h = p + kLead;
                const int32_t length = int32_t(get32(h + 4));
                if (length > kMaxBlock) {
                    drop(c, "a request block announces more than 1 MiB", false);
                    return;
                }
                const std::size_t data = length > 0 ? std::size_t(length) : 0;
                if (c.in.size() - at < kLead + kHeader + data)
                    break;
                request(c, h, data);
                at += kLead + kHeader + data;
            } else if (kind == "CKP") {
                if (options_.verbose)
                    warn("connection %d: CKP", c.number);
                at += kLead;
            } else if (kind == "000") {
                if (options_.verbose)
                    warn("connection %d: 000", c.number);
                c.closing = true;
                at += kLead;
            } else {
                warn("connection %d: lead of unknown kind %02X %02X %02X ignored", c.number, p[0], p[1], p[2]);
                at += kLead;
            }
        }
        c.in.erase(c.in.begin(), c.in.begin() + std::ptrdiff_t(std::min(at, c.in.size())));
        if (c.fd >= 0 && c.closing && c.out.empty())
            drop(c, "closed by the program", true);
    }

    void request(Client& c, const uint8_t* h, std::size_t data)
    {
        const uint8_t* d = h + kHeader;
        if (data != kRequest) {
            warn("connection %d: DCP with %zu data bytes instead of %zu ignored", c.number, data, kRequest);
            return;
        }
        const bool headerRight = h[0] == 1 && h[1] == 0 && get16(h + 2) == 0 &&
                                 std::all_of(h + 8, h + 24, [](uint8_t b) { return b == 0; }) &&
                                 std::all_of(h + 32, h + kHeader, [](uint8_t b) { return b == 0; });
        Request r;
        r.id = get32(d);
        r.address = d[4];
        r.length = d[5];
        r.command = d[6];
        r.parameter = get16(d + 7);
        std::copy_n(d + 9, r.data.size(), r.data.begin());
        r.indexWord = get32(h + 24);
        const uint32_t timeouts = get32(h + 28);

        Answer a = headerRight ? adapter_.handle(r) : failed("block header bytes other than expected");
        ++c.requests;
        if (options_.verbose)
            warn("connection %d: DCP id %u address %u command %u length %u parameter 0x%04X index 0x%08X "
                 "time-outs %u/%u -> length %d%s%s",
                 c.number, unsigned(r.id), unsigned(r.address), unsigned(r.command), unsigned(r.length),
                 unsigned(r.parameter), unsigned(r.indexWord), unsigned(get16(h + 28)), unsigned(get16(h + 30)),
                 int(a.length), a.why ? ": " : "", a.why ? a.why : "");
        else if (a.why)
            warn("request %u (command %u): %s", unsigned(r.id), unsigned(r.command), a.why);
        if (c.garbage)
            c.garbage->append(c.out);
        appendReply(c.out, r, a, timeouts);
        if (options_.dropAfter >= 0 && c.requests >= options_.dropAfter)
            c.closing = true;
    }

    void flush(Client& c) { flush(&c, false); }

    // Sends what is waiting; with `last`, waits up to 1 s for room and then closes.
    void flush(Client* c, bool last)
    {
        std::size_t sent = 0;
        while (sent < c->out.size()) {
            const ssize_t n = ::send(c->fd, c->out.data() + sent, c->out.size() - sent, MSG_NOSIGNAL);
            if (n > 0) {
                sent += std::size_t(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (!last)
                    break;
                pollfd p{c->fd, POLLOUT, 0};
                if (::poll(&p, 1, 1000) > 0)
                    continue;
            }
            c->out.clear();
            drop(*c, last ? "driver stopping" : "sending failed", true);
            return;
        }
        c->out.erase(c->out.begin(), c->out.begin() + std::ptrdiff_t(sent));
        if (last) {
            drop(*c, "driver stopping", true);
            return;
        }
        if (c->out.size() > kMaxOutput) {
            drop(*c, "the program does not read its replies", false);
            return;
        }
        if (c->out.empty() && c->closing)
            drop(*c, options_.dropAfter >= 0 && c->requests >= options_.dropAfter ? "dropped (--drop-after)"
                                                                                  : "closed by the program",
                 true);
    }

    const Options& options_;
    Adapter& adapter_;
    int listener_ = -1;
    int connections_ = 0;
    unsigned long seed_ = 0;
    std::vector<std::unique_ptr<Client>> clients_;
};

constexpr const char* kWho = "driver";

int usageError(const char* message, const QString& arg = {})
{
    return sim::usageError(kWho, kDriverUsage, message, arg);
}

} // namespace

int driver(const QStringList& args)
{
    Options o;
    for (ArgCursor arg(args); arg.next();) {
        const QString& a = arg.arg();
        QString v;
        if (a == u"--port") {
            if (!arg.number(v, 0, 0, 65535, o.port))
                return usageError("неверный порт --port: ", v);
        } else if (a == u"--port-file" || a == u"--dump") {
            if (!arg.value(v) || v.isEmpty())
                return usageError("нет имени файла после ", a);
            (a == u"--dump" ? o.dumpFile : o.portFile) = v.toStdString();
        } else if (a == u"--address") {
            if (!arg.number(v, 0, 0, 255, o.address))
                return usageError("неверный адрес --address: ", v);
        } else if (a == u"--drop-after") {
            if (!arg.number(v, 0, 0, 1'000'000'000, o.dropAfter))
                return usageError("неверное число --drop-after: ", v);
        } else if (a == u"--seed") {
            long s = 0;
            if (!arg.number(v, 0, 0, 0x7FFFFFFF, s))
                return usageError("неверное число --seed: ", v);
            o.seed = static_cast<unsigned long>(s);
        } else if (!arg.flag({{u"--verbose", &o.verbose}, {u"--silent", &o.silent}, {u"--no-ready", &o.noReady},
                               {u"--refuse-index", &o.refuseIndex}, {u"--fail-checksum", &o.failChecksum},
                               {u"--garbage", &o.garbage}, {u"--huge-length", &o.hugeLength}})) {
            return usageError("неизвестный параметр ", a);
        }
    }

    StopSignals stop;
    if (!stop.install(kWho))
        return 3;

    Adapter device(o);
    int status = 0;
    {
        Driver d(o, device);
        int port = 0;
        std::string error;
        if (!d.listen(o.port, port, error)) {
            warn("%s", error.c_str());
            status = 3;
        } else {
            const std::string text = std::to_string(port);
            if (!o.portFile.empty() && !writeFileReporting(kWho, o.portFile, text.data(), text.size())) {
                status = 3;
            } else {
                std::printf("PORT %d\n", port);
                std::fflush(stdout);
                d.run(stop.wakeFd());
            }
        }
    }

    if (status == 0) {
        if (o.verbose)
            device.summary();
        const std::vector<uint8_t> image = device.image();
        status = writeDump(kWho, o.dumpFile, image.data(), image.size());
    }
    return status;
}

} // namespace rastrova::sim
