#pragma once
// A pseudo-terminal for a simulated device: the simulator works the master side,
// the program under test opens the slave path as its serial port.

#include <cstddef>
#include <string>

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

// Writes `size` bytes to `path` through a temporary file in the same folder that is
// renamed over `path`, so that a reader never sees a half-written file.
bool writeFileAtomically(const std::string& path, const void* data, std::size_t size, std::string& error);

} // namespace rastrova::sim
