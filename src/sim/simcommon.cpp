#include "simcommon.h"

#include "pty.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace rastrova::sim {

namespace {

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

} // namespace

// ---- Stopping -------------------------------------------------------------------

bool stopRequested()
{
    return g_stop != 0;
}

bool StopSignals::install(const char* who)
{
    if (::pipe(fds_) != 0) {
        fds_[0] = fds_[1] = -1;
        std::perror((std::string("rastrova-sim ") + who + ": pipe").c_str());
        return false;
    }
    for (int fd : fds_) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    g_wakeWrite = fds_[1];
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no restart: a blocking call returns and the loop sees the flag
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

StopSignals::~StopSignals()
{
    if (fds_[1] < 0)
        return;
    g_wakeWrite = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
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
    return int(std::min<long long>((left + 999'999) / 1'000'000, 60'000));
}

// ---- The command line -----------------------------------------------------------

bool parseNumber(const QString& text, int base, long min, long max, long& out)
{
    bool ok = false;
    const long v = text.toLong(&ok, base);
    if (!ok || v < min || v > max)
        return false;
    out = v;
    return true;
}

bool ArgCursor::number(QString& text, int base, long min, long max, long& out)
{
    return value(text) && parseNumber(text, base, min, max, out);
}

bool ArgCursor::flag(std::initializer_list<std::pair<const char16_t*, bool*>> flags) const
{
    for (const auto& [name, set] : flags)
        if (arg() == QStringView(name)) {
            *set = true;
            return true;
        }
    return false;
}

int usageError(const char* who, const char* usage, const char* message, const QString& arg)
{
    std::fprintf(stderr, "rastrova-sim %s: %s%s\n", who, message, arg.toUtf8().constData());
    std::fputs(usage, stderr);
    return 2;
}

// ---- Reporting ------------------------------------------------------------------

void printLine(std::FILE* to, const char* prefix, const char* format, std::va_list args)
{
    std::fputs(prefix, to);
    std::vfprintf(to, format, args);
    std::fputc('\n', to);
}

void reportError(const char* who, const std::string& error)
{
    std::fprintf(stderr, "rastrova-sim %s: %s\n", who, error.c_str());
}

bool writeFileReporting(const char* who, const std::string& path, const void* data, std::size_t size)
{
    std::string error;
    if (writeFileAtomically(path, data, size, error))
        return true;
    reportError(who, error);
    return false;
}

int writeDump(const char* who, const std::string& path, const void* data, std::size_t size)
{
    if (path.empty() || writeFileReporting(who, path, data, size))
        return 0;
    return 3;
}

// ---- Bytes ----------------------------------------------------------------------

uint8_t sum8(const uint8_t* data, std::size_t n)
{
    uint8_t s = 0;
    for (std::size_t i = 0; i < n; ++i)
        s = uint8_t(s + data[i]);
    return s;
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

} // namespace rastrova::sim
