#include "link/qt_serial_line.h"

#include <algorithm>
#include <thread>

#include <QDeadlineTimer>
#include <QElapsedTimer>

namespace torvane {

namespace {

constexpr int kWriteTimeoutExtraMs = 100;

} // namespace

QtSerialLine::QtSerialLine() = default;

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

bool QtSerialLine::Open(const std::string& devicePath, const LineSettings& settings)
{
    Close();
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromStdString(devicePath));
    port->setDataBits(QSerialPort::Data8);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite))
        return false;
    // Each setting on its own: one the device refuses doesn't undo the others or the open.
    port->setBaudRate(settings.baudRate);
    port->setParity(ParityFor(settings.parity));
    port->setStopBits(StopBitsFor(settings.stopBits));
    port->clearError();
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
