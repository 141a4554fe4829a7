#include "pty.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace rastrova::sim {

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
