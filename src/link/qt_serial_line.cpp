#include "link/qt_serial_line.h"

#include <algorithm>
#include <thread>

#include <QDeadlineTimer>
#include <QElapsedTimer>

#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#elif !defined(_WIN32)
#include <string_view>

#include <unistd.h>
#endif

namespace torvane {

namespace {

constexpr int kWriteTimeoutExtraMs = 100;

#ifdef __linux__
// Device numbers of pseudo-terminal slaves: the Unix98 ones and the old BSD-style ones.
constexpr unsigned kUnix98SlaveMajorFirst = 136;
constexpr unsigned kUnix98SlaveMajorLast = 143;
constexpr unsigned kBsdSlaveMajor = 3;

// USB serial adapters otherwise hold small replies back for up to 16 ms, which with one
// acknowledgement per frame costs the link much of its speed. Drivers without the mode refuse
// the request, which changes nothing.
void RequestLowLatency(int fd)
{
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY) != 0)
        return;
    serial.flags |= ASYNC_LOW_LATENCY;
    ::ioctl(fd, TIOCSSERIAL, &serial);
}
#endif

} // namespace

QtSerialLine::QtSerialLine(PseudoTerminalCheck isPseudoTerminal)
    : m_isPseudoTerminal(std::move(isPseudoTerminal))
{
}

QtSerialLine::~QtSerialLine()
{
    Close();
}

QSerialPort::Parity QtSerialLine::ParityFor(int parityCode)
{
    switch (parityCode) {
    case 1:
        return QSerialPort::OddParity;
    case 2:
        return QSerialPort::EvenParity;
    case 3:
        return QSerialPort::MarkParity;
    case 4:
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits QtSerialLine::StopBitsFor(int stopBitCode)
{
    return stopBitCode == 1 ? QSerialPort::OneStop : QSerialPort::TwoStop;
}

bool QtSerialLine::IsPseudoTerminal(NativeHandle handle)
{
#ifdef __linux__
    struct stat device {};
    if (handle < 0 || ::fstat(handle, &device) != 0 || !S_ISCHR(device.st_mode))
        return false;
    const unsigned deviceMajor = major(device.st_rdev);
    return (deviceMajor >= kUnix98SlaveMajorFirst && deviceMajor <= kUnix98SlaveMajorLast)
        || deviceMajor == kBsdSlaveMajor;
#elif defined(_WIN32)
    (void)handle;
    return false;
#else
    const char* name = handle >= 0 ? ::ttyname(handle) : nullptr;
    return name != nullptr && std::string_view(name).starts_with("/dev/pts/");
#endif
}

bool QtSerialLine::Open(const std::string& devicePath, const LineSettings& settings)
{
    Close();
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromStdString(devicePath));
    port->setDataBits(QSerialPort::Data8);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite))
        return false;
    // Each setting on its own, so that one a pseudo-terminal can't take doesn't undo the others.
    const bool baudRateTaken = port->setBaudRate(settings.baudRate);
    const bool parityTaken = port->setParity(ParityFor(settings.parity));
    const bool stopBitsTaken = port->setStopBits(StopBitsFor(settings.stopBits));
    if (!(baudRateTaken && parityTaken && stopBitsTaken) && !m_isPseudoTerminal(port->handle())) {
        port->close();
        return false;
    }
    port->clearError();
#ifdef __linux__
    RequestLowLatency(port->handle());
#endif
    m_port = std::move(port);
    return true;
}

void QtSerialLine::Close()
{
    if (m_port)
        m_port->close();
    m_port.reset();
}

bool QtSerialLine::IsOpen() const
{
    return m_port && m_port->isOpen();
}

std::size_t QtSerialLine::Write(std::span<const std::uint8_t> bytes)
{
    if (!IsOpen())
        return 0;
    const auto count = static_cast<qint64>(bytes.size());
    if (m_port->write(reinterpret_cast<const char*>(bytes.data()), count) != count) {
        m_port->clear(QSerialPort::Output);
        return 0;
    }
    QDeadlineTimer deadline(count + kWriteTimeoutExtraMs);
    while (m_port->bytesToWrite() > 0 && !deadline.hasExpired())
        m_port->waitForBytesWritten(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    if (m_port->bytesToWrite() > 0) {
        // Not sent in time: take it back, so that it can't reach the receiver later.
        m_port->clear(QSerialPort::Output);
        return 0;
    }
    return bytes.size();
}

void QtSerialLine::Collect()
{
    m_port->waitForReadyRead(0);
}

std::size_t QtSerialLine::InQueue()
{
    if (!IsOpen())
        return 0;
    Collect();
    return static_cast<std::size_t>(m_port->bytesAvailable());
}

std::size_t QtSerialLine::ReadAvailable(std::span<std::uint8_t> buffer)
{
    if (!IsOpen() || buffer.empty())
        return 0;
    Collect();
    const qint64 n = std::min<qint64>(m_port->bytesAvailable(), static_cast<qint64>(buffer.size()));
    if (n <= 0)
        return 0;
    const qint64 read = m_port->read(reinterpret_cast<char*>(buffer.data()), n);
    return read > 0 ? static_cast<std::size_t>(read) : 0;
}

bool QtSerialLine::PurgeInput()
{
    if (!IsOpen())
        return false;
    Collect();
    return m_port->clear(QSerialPort::Input);
}

bool QtSerialLine::PurgeOutput()
{
    return IsOpen() && m_port->clear(QSerialPort::Output);
}

void QtSerialLine::WaitForInput(std::chrono::milliseconds maxWait)
{
    QElapsedTimer timer;
    timer.start();
    if (IsOpen() && m_port->waitForReadyRead(static_cast<int>(maxWait.count())))
        return;
    // A port in error returns at once; keep the caller's pace anyway.
    const auto left = maxWait - std::chrono::milliseconds(timer.elapsed());
    if (left > std::chrono::milliseconds(0))
        std::this_thread::sleep_for(left);
}

} // namespace torvane
