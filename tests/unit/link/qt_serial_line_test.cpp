#include "link/qt_serial_line.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QThread>

#include "link/packet_layer.h"
#include "link/upgrade_lib.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

using namespace std::chrono_literals;

// The master side of a pseudo-terminal; the line under test opens its slave device.
class PseudoTerminal {
public:
    PseudoTerminal()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
            m_slavePath = ptsname(m_master);
    }
    ~PseudoTerminal()
    {
        if (m_master >= 0)
            close(m_master);
    }
    const std::string& SlavePath() const { return m_slavePath; }
    int Master() const { return m_master; }

    void Write(const std::vector<std::uint8_t>& bytes) { ASSERT_EQ(write(m_master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }

    std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs)
    {
        std::vector<std::uint8_t> got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, 10) == 1 && (p.revents & POLLIN)) {
                std::uint8_t buffer[256];
                const ssize_t n = read(m_master, buffer, std::min(sizeof buffer, count - got.size()));
                if (n > 0)
                    got.insert(got.end(), buffer, buffer + n);
            }
        }
        return got;
    }

private:
    int m_master = -1;
    std::string m_slavePath;
};

// The master side as a SerialLine, so that a packet layer can talk from it.
class MasterLine final : public SerialLine {
public:
    explicit MasterLine(int fd)
        : m_fd(fd)
    {
    }
    bool Open(const std::string&, const LineSettings&) override { return true; }
    void Close() override {}
    bool IsOpen() const override { return true; }
    std::size_t Write(std::span<const std::uint8_t> bytes) override
    {
        const ssize_t n = write(m_fd, bytes.data(), bytes.size());
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    std::size_t InQueue() override
    {
        Pull(0);
        return m_queue.size();
    }
    std::size_t ReadAvailable(std::span<std::uint8_t> buffer) override
    {
        Pull(0);
        const std::size_t n = std::min(buffer.size(), m_queue.size());
        std::copy_n(m_queue.begin(), n, buffer.begin());
        m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }
    bool PurgeInput() override
    {
        Pull(0);
        m_queue.clear();
        return true;
    }
    bool PurgeOutput() override { return true; }
    void WaitForInput(std::chrono::milliseconds maxWait) override { Pull(static_cast<int>(maxWait.count())); }

private:
    void Pull(int timeoutMs)
    {
        pollfd p{m_fd, POLLIN, 0};
        while (poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN)) {
            std::uint8_t buffer[4096];
            const ssize_t n = read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                return;
            m_queue.insert(m_queue.end(), buffer, buffer + n);
            timeoutMs = 0;
        }
    }

    int m_fd;
    std::vector<std::uint8_t> m_queue;
};

std::vector<std::uint8_t> AllByteValues()
{
    std::vector<std::uint8_t> bytes(256);
    for (int i = 0; i < 256; ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

// QSerialPort lives on a QThread, as in a transfer; the line is created and used there.
void OnQThread(const std::function<void()>& body)
{
    std::unique_ptr<QThread> thread(QThread::create(body));
    thread->start();
    thread->wait();
}

class QtSerialLineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_pty.SlavePath().empty()); }
    PseudoTerminal m_pty;
};

TEST_F(QtSerialLineTest, OpensPseudoTerminalWithEveryLineSetting)
{
    OnQThread([&] {
        QtSerialLine line;
        const LineSettings settings[] = {{115200, 2, 1}, {9600, 0, 2}, {57600, 1, 1}, {115200, 3, 1}, {115200, 4, 2}};
        for (const LineSettings& s : settings) {
            EXPECT_TRUE(line.Open(m_pty.SlavePath(), s)) << s.parity;
            EXPECT_TRUE(line.IsOpen());
        }
        line.Close();
        EXPECT_FALSE(line.IsOpen());
    });
}

// The receiver needs exactly 115200 8E1, so a device that refuses a setting is not opened; only a
// pseudo-terminal, which can't take parity, is opened all the same. Taken for a real port, the
// pseudo-terminal stands for an adapter that refuses even parity.
TEST_F(QtSerialLineTest, ARefusedSettingClosesAllButPseudoTerminals)
{
    OnQThread([&] {
        QtSerialLine adapter([](QtSerialLine::NativeHandle) { return false; });
        EXPECT_FALSE(adapter.Open(m_pty.SlavePath(), LineSettings{}));
        EXPECT_FALSE(adapter.IsOpen());
        EXPECT_TRUE(adapter.Open(m_pty.SlavePath(), LineSettings{115200, 0, 1}));
        adapter.Close();
        QtSerialLine pseudoTerminal;
        EXPECT_TRUE(pseudoTerminal.Open(m_pty.SlavePath(), LineSettings{}));
    });
    const int slave = open(m_pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    const int null = open("/dev/null", O_RDWR);
    EXPECT_TRUE(QtSerialLine::IsPseudoTerminal(slave));
    EXPECT_FALSE(QtSerialLine::IsPseudoTerminal(m_pty.Master()));
    EXPECT_FALSE(QtSerialLine::IsPseudoTerminal(null));
    EXPECT_FALSE(QtSerialLine::IsPseudoTerminal(-1));
    close(slave);
    close(null);
}

TEST_F(QtSerialLineTest, CarriesEveryByteValueBothWays)
{
    OnQThread([&] {
        QtSerialLine line;
        ASSERT_TRUE(line.Open(m_pty.SlavePath(), LineSettings{}));
        const auto bytes = AllByteValues();
        EXPECT_EQ(line.Write(bytes), bytes.size());
        EXPECT_EQ(m_pty.Read(bytes.size(), 2000), bytes);

        m_pty.Write(bytes);
        std::vector<std::uint8_t> got(bytes.size());
        ASSERT_TRUE(line.ReadExact(got, 2000));
        EXPECT_EQ(got, bytes);
        EXPECT_EQ(line.InQueue(), 0u);
    });
}

TEST_F(QtSerialLineTest, PartialArrivalStaysQueuedUntilPurged)
{
    OnQThread([&] {
        QtSerialLine line;
        ASSERT_TRUE(line.Open(m_pty.SlavePath(), LineSettings{}));
        m_pty.Write({1, 2, 3});
        std::vector<std::uint8_t> got(4);
        EXPECT_FALSE(line.ReadExact(got, 50));
        EXPECT_EQ(line.InQueue(), 3u);
        std::vector<std::uint8_t> some(2);
        EXPECT_EQ(line.ReadAvailable(some), 2u);
        EXPECT_EQ(some, (std::vector<std::uint8_t>{1, 2}));
        EXPECT_TRUE(line.Flush());
        EXPECT_EQ(line.InQueue(), 0u);
    });
}

TEST_F(QtSerialLineTest, WaitForInputWakesOnArrival)
{
    OnQThread([&] {
        QtSerialLine line;
        ASSERT_TRUE(line.Open(m_pty.SlavePath(), LineSettings{}));
        std::thread writer([this] {
            std::this_thread::sleep_for(20ms);
            m_pty.Write({0x55});
        });
        std::uint8_t byte = 0;
        const bool ok = line.ReadExact(std::span(&byte, 1), 3000);
        writer.join();
        ASSERT_TRUE(ok);
        EXPECT_EQ(byte, 0x55);
    });
}

// The command layer over the real port: a receiver on the master side answers the greeting
// inverted and then carries out "address" and a dump of two packets, one of them blank.
TEST_F(QtSerialLineTest, CommandLayerOverPseudoTerminal)
{
    std::thread receiver([this] {
        MasterLine line(m_pty.Master());
        PacketLayer packets(line);
        std::uint8_t byte = 0;
        std::string command;
        while (command.size() < 11 && line.ReadExact(std::span(&byte, 1), 3000)) {
            line.Write(std::span(&byte, 1));
            command.push_back(static_cast<char>(byte));
        }
        std::vector<std::uint8_t> greeting(18);
        if (!line.ReadExact(greeting, 3000))
            return;
        for (auto& b : greeting)
            b = static_cast<std::uint8_t>(~b);
        line.Write(greeting);
        for (int i = 0; i < 5; ++i) {
            Packet p;
            if (packets.ReceivePacket(p, 3000) != link_status::kSuccess)
                return;
            if (p.kind == PacketKind::Command) {
                packets.SendPacket(MakeStatusPacket(p.sequence, p.resendCount, 0, 0));
            } else if (p.Index() == 0) {
                std::vector<std::uint8_t> total{0, 0, 0x08, 0};
                packets.SendPacket(MakeDataPacket(p.sequence, p.resendCount, 0, total));
            } else if (p.Index() == 1) {
                packets.SendPacket(MakeDataPacket(p.sequence, p.resendCount, 1, AllByteValues()));
            } else {
                packets.SendPacket(MakeBlankPacket(p.sequence, p.resendCount, p.Index(), 1792));
            }
        }
    });
    OnQThread([&] {
        QtSerialLine line;
        UpgradeLib lib(line);
        lib.SetCommandPause(std::chrono::milliseconds(0));
        ASSERT_EQ(lib.OpenLink(m_pty.SlavePath(), LineSettings{}), link_status::kSuccess);
        std::uint32_t version = 0;
        ASSERT_EQ(lib.TestPort(version, {}, {}), link_status::kSuccess);
        EXPECT_EQ(version, 48u);
        lib.SetProtocolVersion(version);
        EXPECT_EQ(lib.SetAddress(0), link_status::kSuccess);
        std::vector<std::uint8_t> buffer(4096, 0);
        std::uint32_t length = 0;
        ASSERT_EQ(lib.Dump(buffer, length, {}, {}, 0, 0), link_status::kSuccess);
        EXPECT_EQ(length, 2048u);
        const auto bytes = AllByteValues();
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), buffer.begin()));
        EXPECT_TRUE(std::all_of(buffer.begin() + 256, buffer.begin() + 2048, [](std::uint8_t b) { return b == 0xFF; }));
        EXPECT_EQ(buffer[2048], 0);
    });
    receiver.join();
}

TEST(QtSerialLine, ClosedOrMissingPortDoesNothing)
{
    QtSerialLine line;
    line.Close();
    EXPECT_FALSE(line.IsOpen());
    EXPECT_FALSE(line.Open("/dev/torvane-no-such-port", LineSettings{}));
    EXPECT_FALSE(line.IsOpen());
    const std::vector<std::uint8_t> bytes{1};
    EXPECT_EQ(line.Write(bytes), 0u);
    EXPECT_EQ(line.InQueue(), 0u);
    std::vector<std::uint8_t> got(1);
    EXPECT_EQ(line.ReadAvailable(got), 0u);
    EXPECT_FALSE(line.ReadExact(got, 5));
    EXPECT_FALSE(line.PurgeInput());
    EXPECT_FALSE(line.PurgeOutput());
}

TEST(QtSerialLine, LineSettingCodes)
{
    struct Case {
        int code;
        QSerialPort::Parity parity;
        QSerialPort::StopBits stopBits;
    };
    const Case cases[] = {{0, QSerialPort::NoParity, QSerialPort::TwoStop},
                          {1, QSerialPort::OddParity, QSerialPort::OneStop},
                          {2, QSerialPort::EvenParity, QSerialPort::TwoStop},
                          {3, QSerialPort::MarkParity, QSerialPort::TwoStop},
                          {4, QSerialPort::SpaceParity, QSerialPort::TwoStop},
                          {5, QSerialPort::NoParity, QSerialPort::TwoStop}};
    for (const Case& c : cases) {
        EXPECT_EQ(QtSerialLine::ParityFor(c.code), c.parity) << c.code;
        EXPECT_EQ(QtSerialLine::StopBitsFor(c.code), c.stopBits) << c.code;
    }
}

} // namespace
} // namespace torvane
