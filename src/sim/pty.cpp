#include "pty.h"

#include "simcommon.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace rastrova::sim {

namespace {

constexpr long long kNapNs = 50'000'000LL;

} // namespace

Pty::~Pty()
{
    if (slave >= 0)
        ::close(slave);
    if (master >= 0)
        ::close(master);
}

bool openPty(Pty& pty, std::string& error)
{
    auto fail = [&error](const char* what) {
        error = std::string(what) + ": " + std::strerror(errno);
        return false;
    };
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.master < 0)
        return fail("posix_openpt");
    if (::grantpt(pty.master) != 0)
        return fail("grantpt");
    if (::unlockpt(pty.master) != 0)
        return fail("unlockpt");
    char name[256];
    if (::ptsname_r(pty.master, name, sizeof name) != 0)
        return fail("ptsname");
    pty.path = name;

    pty.slave = ::open(name, O_RDWR | O_NOCTTY);
    if (pty.slave < 0)
        return fail(name);
    termios tio{};
    if (::tcgetattr(pty.slave, &tio) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(pty.slave, TCSANOW, &tio) != 0)
        return fail("tcsetattr");

    const int flags = ::fcntl(pty.master, F_GETFL);
    if (flags < 0 || ::fcntl(pty.master, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail("fcntl");
    ::fcntl(pty.master, F_SETFD, FD_CLOEXEC);
    ::fcntl(pty.slave, F_SETFD, FD_CLOEXEC);
    return true;
}

bool announcePty(const Pty& pty, const std::string& linkFile, const char* who)
{
    if (!linkFile.empty())
        return writeFileReporting(who, linkFile, pty.path.data(), pty.path.size());
    std::fputs((pty.path + "\n").c_str(), stdout);
    std::fflush(stdout);
    return true;
}

// ---- The line -------------------------------------------------------------------

Line::Got Line::read(uint8_t& b, long long deadline)
{
    while (pending_.empty()) {
        if (stopRequested())
            return Got::Stop;
        if (!fill(deadline))
            return stopRequested() ? Got::Stop : Got::Timeout;
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
    return stopRequested() ? Got::Stop : Got::Byte;
}

bool Line::readFrame(uint8_t* into, std::size_t n, long long gapNs)
{
    for (std::size_t i = 0; i < n; ++i)
        if (read(into[i], nowNs() + gapNs) != Got::Byte)
            return false;
    return true;
}

bool Line::send(const uint8_t* data, std::size_t n)
{
    if (byteNs_ <= 0)
        return writeAll(data, n);
    for (std::size_t i = 0; i < n; ++i) {
        outDone_ = std::max(outDone_, nowNs()) + byteNs_;
        sleepUntil(outDone_);
        if (stopRequested() || !writeAll(data + i, 1))
            return false;
    }
    return true;
}

bool Line::inputWaiting()
{
    if (!pending_.empty())
        return true;
    return fill(0);
}

bool Line::pauseUnlessInput(long long ns)
{
    if (!pending_.empty())
        return true;
    const long long deadline = nowNs() + ns;
    while (!stopRequested() && nowNs() < deadline)
        if (fill(deadline))
            return true;
    return false;
}

// Takes in what the program sent, waiting until `deadline` at most; true when
// something arrived.
bool Line::fill(long long deadline)
{
    for (;;) {
        if (stopRequested())
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

void Line::take(const uint8_t* buf, long n)
{
    const long long at = nowNs();
    for (long i = 0; i < n; ++i)
        pending_.push_back({buf[i], at});
}

// Sleeps 50 ms (at most until `deadline`); false when the deadline has passed.
bool Line::napUntil(long long deadline)
{
    long long until = nowNs() + kNapNs;
    if (deadline >= 0)
        until = std::min(until, deadline);
    pollfd wake{wake_, POLLIN, 0};
    ::poll(&wake, 1, pollTimeoutMs(until));
    return deadline < 0 || nowNs() < deadline;
}

bool Line::writeAll(const uint8_t* data, std::size_t n)
{
    while (n > 0) {
        if (stopRequested())
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

// ---- Starting ------------------------------------------------------------------

int takeLineOption(ArgCursor& arg, LineOptions& options, const char* who, const char* usage)
{
    const QString& a = arg.arg();
    QString v;
    if (a == u"--link-file" || a == u"--dump") {
        if (!arg.value(v) || v.isEmpty())
            return usageError(who, usage, "нет имени файла после ", a);
        (a == u"--link-file" ? options.linkFile : options.dumpFile) = v.toStdString();
    } else if (a == u"--wire") {
        if (!arg.number(v, 0, 50, 4'000'000, options.baud))
            return usageError(who, usage, "неверная скорость --wire: ", v);
    } else if (!arg.flag({{u"--pty", &options.pty}, {u"--silent", &options.silent}, {u"--echo", &options.echo}})) {
        return 0;
    }
    return 1;
}

int PtyLine::open(const LineOptions& options, const char* who, const char* usage)
{
    if (!options.pty)
        return usageError(who, usage, "нужен параметр --pty");
    if (!stop_.install(who))
        return 3;
    std::string error;
    if (!openPty(pty_, error)) {
        reportError(who, error);
        return 3;
    }
    line_.emplace(pty_.master, stop_.wakeFd(), Line::byteTimeNs(options.baud), options.echo);
    return 0;
}

// ---- Files ----------------------------------------------------------------------

bool writeFileAtomically(const std::string& path, const void* data, std::size_t size, std::string& error)
{
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = temp + ": " + std::strerror(errno);
        return false;
    }
    const char* p = static_cast<const char*>(data);
    std::size_t left = size;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = temp + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        p += n;
        left -= std::size_t(n);
    }
    if (::close(fd) != 0 || std::rename(temp.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace rastrova::sim
