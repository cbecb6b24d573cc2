#include "pty_line.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace torvane::sim {
namespace {

using Clock = std::chrono::steady_clock;

std::string SystemError(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

std::unique_ptr<PtyLine> PtyLine::Create(std::string& error)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = SystemError("posix_openpt");
        return nullptr;
    }
    const char* name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
        error = SystemError("pseudo-terminal setup");
        ::close(master);
        return nullptr;
    }
    std::string slavePath = name;
    const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        error = SystemError("open of the slave side");
        ::close(master);
        return nullptr;
    }
    // Raw both ways: no echo, no line editing, no CR/LF translation, 8 data bits.
    termios settings{};
    if (tcgetattr(slave, &settings) == 0) {
        cfmakeraw(&settings);
        cfsetispeed(&settings, B115200);
        cfsetospeed(&settings, B115200);
        tcsetattr(slave, TCSANOW, &settings);
    }
    const int flags = fcntl(master, F_GETFL);
    fcntl(master, F_SETFL, flags | O_NONBLOCK);
    return std::unique_ptr<PtyLine>(new PtyLine(master, slave, std::move(slavePath)));
}

PtyLine::PtyLine(int master, int slave, std::string slavePath)
    : m_master(master)
    , m_slave(slave)
    , m_slavePath(std::move(slavePath))
{
}

PtyLine::~PtyLine()
{
    Close();
}

bool PtyLine::Open(const std::string&, const LineSettings&)
{
    return IsOpen();
}

void PtyLine::Close()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
}

std::size_t PtyLine::Write(std::span<const std::uint8_t> bytes)
{
    if (!IsOpen())
        return 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(bytes.size() + 100);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return 0;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return 0;
        pollfd pfd{m_master, POLLOUT, 0};
        ::poll(&pfd, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 50)));
    }
    return written;
}

std::size_t PtyLine::InQueue()
{
    int queued = 0;
    if (!IsOpen() || ioctl(m_master, FIONREAD, &queued) != 0 || queued < 0)
        return 0;
    return static_cast<std::size_t>(queued);
}

std::size_t PtyLine::ReadAvailable(std::span<std::uint8_t> buffer)
{
    if (!IsOpen() || buffer.empty())
        return 0;
    const ssize_t n = ::read(m_master, buffer.data(), buffer.size());
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool PtyLine::PurgeInput()
{
    if (!IsOpen())
        return false;
    std::uint8_t scratch[4096];
    while (ReadAvailable(scratch) > 0) {
    }
    return true;
}

bool PtyLine::PurgeOutput()
{
    return IsOpen() && tcflush(m_slave, TCIFLUSH) == 0;
}

void PtyLine::WaitForInput(std::chrono::milliseconds maxWait)
{
    if (!IsOpen())
        return;
    pollfd pfd{m_master, POLLIN, 0};
    ::poll(&pfd, 1, static_cast<int>(maxWait.count()));
}

} // namespace torvane::sim
