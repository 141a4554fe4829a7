#pragma once
// A pseudo-terminal for a simulated device: the simulator works the master side,
// the program under test opens the slave path as its serial port.

#include "simcommon.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace rastrova::sim {

struct Pty {
    int master = -1;  // non-blocking
    int slave = -1;   // kept open by the simulator, so that the master never reports a hang-up
                      // while the program closes and reopens its port
    std::string path; // the slave's device path

    Pty() = default;
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    ~Pty();
};

// Opens a new pseudo-terminal with the slave in raw mode. On failure returns false
// and says why in `error`.
bool openPty(Pty& pty, std::string& error);

// Announces the slave's path: a line on stdout, or with a `linkFile` that file holding
// the path alone. On failure says why as "rastrova-sim `who`: ..." and returns false.
bool announcePty(const Pty& pty, const std::string& linkFile, const char* who);

// The master side of a pty as the device's end of a serial line: optional pacing at a
// line speed, an optional echo of every byte received (the echo is the line's doing,
// so it comes before any answer of the device). Waiting ends early on a stop signal.
class Line {
public:
    enum class Got { Byte, Timeout, Stop };

    // `byteNs` is the time one byte takes on the line (0: no pacing); `wakeFd` turns
    // readable when the simulator is to stop.
    Line(int fd, int wakeFd, long long byteNs, bool echo) : fd_(fd), wake_(wakeFd), byteNs_(byteNs), echo_(echo) {}

    // The time one byte of 11 bit intervals (8 data bits, no parity, 2 stop bits)
    // takes at `baud` bit/s; 0 (no pacing) for a `baud` of 0.
    static long long byteTimeNs(long baud) { return baud > 0 ? 11'000'000'000LL / baud : 0; }

    // The next byte from the program, waiting until the monotonic time `deadline`
    // (-1: no limit). With pacing, a byte is taken no earlier than it would have
    // finished arriving over the line.
    Got read(uint8_t& b, long long deadline);

    // The next `n` bytes of a frame, each within `gapNs` of the one before; false when
    // they did not come (or the simulator is stopping).
    bool readFrame(uint8_t* into, std::size_t n, long long gapNs);

    // Sends bytes to the program; false when stopped.
    bool send(const uint8_t* data, std::size_t n);
    bool send(const std::string& s) { return send(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }
    bool send(const std::vector<uint8_t>& bytes) { return send(bytes.data(), bytes.size()); }
    bool send(uint8_t b) { return send(&b, 1); }

    // True when the program has sent something not yet taken.
    bool inputWaiting();

    // Waits `ns`, or less when the program sends something; true when it did.
    bool pauseUnlessInput(long long ns);

private:
    struct Pending {
        uint8_t byte;
        long long at;
    };

    bool fill(long long deadline);
    void take(const uint8_t* buf, long n);
    bool napUntil(long long deadline);
    bool writeAll(const uint8_t* data, std::size_t n);

    int fd_;
    int wake_;
    long long byteNs_;
    bool echo_;
    std::deque<Pending> pending_;
    long long inDone_ = 0;
    long long outDone_ = 0;
};

// The options of every simulator on a pty.
struct LineOptions {
    bool pty = false;      // --pty
    std::string linkFile;  // --link-file F
    std::string dumpFile;  // --dump FILE
    long baud = 0;         // --wire BAUD
    bool silent = false;   // --silent
    bool echo = false;     // --echo
};

// Takes the current argument and its value when it is one of LineOptions. Returns
// 1 when it was taken, 0 when it is not one of them, 2 (after a usage error on
// stderr) when its value is missing or wrong.
int takeLineOption(ArgCursor& arg, LineOptions& options, const char* who, const char* usage);

// A simulator's end of its pseudo-terminal: the stop signals, the pty, the line on it.
class PtyLine {
public:
    // Requires --pty, installs the stop signals and opens the pty. Returns 0 when
    // ready, otherwise the exit status (2 usage, 3 failure) after saying why.
    int open(const LineOptions& options, const char* who, const char* usage);

    const Pty& pty() const { return pty_; }
    Line& line() { return *line_; }

private:
    StopSignals stop_;
    Pty pty_;
    std::optional<Line> line_;
};

// Writes `size` bytes to `path` through a temporary file in the same folder that is
// renamed over `path`, so that a reader never sees a half-written file.
bool writeFileAtomically(const std::string& path, const void* data, std::size_t size, std::string& error);

} // namespace rastrova::sim
