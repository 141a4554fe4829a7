#pragma once
// What every simulator needs around its device: stopping on SIGTERM or SIGINT with a
// self-pipe that wakes a poll, the monotonic clock, reading the command line, and
// saying what went wrong on stderr as "rastrova-sim NAME: ...".

#include <QString>
#include <QStringList>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>

namespace rastrova::sim {

// ---- Stopping -------------------------------------------------------------------

// True once SIGTERM or SIGINT has arrived.
bool stopRequested();

// The self-pipe the stop signals write to, so that a poll on `wakeFd()` returns when
// the simulator is to stop. Only one may exist at a time.
class StopSignals {
public:
    StopSignals() = default;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    ~StopSignals();

    // Opens the pipe and installs the handlers for SIGTERM and SIGINT (and ignores
    // SIGPIPE). On failure says so as "rastrova-sim `who`: pipe: ..." and returns false.
    bool install(const char* who);

    // Readable once a stop signal has arrived.
    int wakeFd() const { return fds_[0]; }

private:
    int fds_[2] = {-1, -1};
};

// ---- Time -----------------------------------------------------------------------

// The monotonic clock in nanoseconds.
long long nowNs();

// Sleeps until the monotonic time `at`; a stop signal cuts the sleep short.
void sleepUntil(long long at);

// The poll time-out in milliseconds that ends at the monotonic time `deadline`
// (-1: none), at most one minute.
int pollTimeoutMs(long long deadline);

// ---- The command line -----------------------------------------------------------

// Reads a whole number in `base` (0: C notation, 0x for hexadecimal) from `min` to
// `max` into `out`; false, and `out` untouched, when the text is not one.
bool parseNumber(const QString& text, int base, long min, long max, long& out);

// Walks a simulator's arguments: the option, then the value after it when it takes one.
class ArgCursor {
public:
    explicit ArgCursor(const QStringList& args) : args_(args) {}

    // Moves to the next argument; false when there is none left.
    bool next() { return ++at_ < args_.size(); }
    const QString& arg() const { return args_[at_]; }

    // Takes the argument after the current one as its value; false (and `out` left
    // as it was) when there is none.
    bool value(QString& out)
    {
        if (at_ + 1 >= args_.size())
            return false;
        out = args_[++at_];
        return true;
    }

    // Takes the value after the current argument into `text` and reads it as for
    // parseNumber; false when there is none or it is not such a number.
    bool number(QString& text, int base, long min, long max, long& out);

    // When the current argument is one of the `flags`' names, sets that flag and
    // returns true.
    bool flag(std::initializer_list<std::pair<const char16_t*, bool*>> flags) const;

private:
    const QStringList& args_;
    qsizetype at_ = -1;
};

// Says "rastrova-sim `who`: `message``arg`" and the usage on stderr; returns 2, the
// exit status of a usage error.
int usageError(const char* who, const char* usage, const char* message, const QString& arg = {});

// ---- Reporting ------------------------------------------------------------------

// Writes `prefix`, the formatted text and a line end to `to`.
void printLine(std::FILE* to, const char* prefix, const char* format, std::va_list args);

// Says "rastrova-sim `who`: `error`" on stderr.
void reportError(const char* who, const std::string& error);

// Writes `size` bytes to `path` atomically; on failure says why as for reportError and
// returns false.
bool writeFileReporting(const char* who, const std::string& path, const void* data, std::size_t size);

// The exit status after the dump at exit: 0 when `path` is empty or the dump was
// written, 3 (and the reason said as for reportError) when it was not.
int writeDump(const char* who, const std::string& path, const void* data, std::size_t size);

// ---- Bytes ----------------------------------------------------------------------

// The 8-bit sum of `n` bytes.
uint8_t sum8(const uint8_t* data, std::size_t n);

// The bytes as two-digit upper-case hex, separated by spaces.
std::string hexBytes(const uint8_t* data, std::size_t n);

} // namespace rastrova::sim
