#include "link/upgrade_lib.h"

#include <algorithm>
#include <array>
#include <string>
#include <thread>

namespace torvane {

namespace {

constexpr int kGreetingAttempts = 200;
constexpr int kGreetingEchoTimeoutMs = 50;
constexpr int kGreetingReplyTimeoutMs = 200;

} // namespace

UpgradeLib::UpgradeLib(SerialLine& line)
    : m_line(line)
    , m_packets(line)
    , m_legacy(line)
{
}

UpgradeLib::~UpgradeLib()
{
    CloseLink();
}

void UpgradeLib::SetProtocolVersion(std::uint32_t version)
{
    m_version = version;
    m_legacy.SetVersion(version);
    m_protocol = version >= 48 ? static_cast<ReceiverProtocol*>(&m_packets) : &m_legacy;
}

LinkStatus UpgradeLib::OpenLink(int portNumber, const LineSettings& settings)
{
    return m_line.Open(portNumber, settings) ? link_status::kSuccess : link_status::kCannotConnect;
}

LinkStatus UpgradeLib::OpenLink(const std::string& devicePath, const LineSettings& settings)
{
    return m_line.Open(devicePath, settings) ? link_status::kSuccess : link_status::kCannotConnect;
}

LinkStatus UpgradeLib::CloseLink()
{
    m_line.Close();
    return link_status::kSuccess;
}

LinkStatus UpgradeLib::TestPort(std::uint32_t& version, const NotifyCallback& notify, const CancelPredicate& cancel)
{
    const std::string command = "comtest " + std::to_string(kGreeting.size()) + "\r";
    const std::span<const std::uint8_t> greeting(reinterpret_cast<const std::uint8_t*>(kGreeting.data()),
                                                 kGreeting.size());
    for (int attempt = 0; attempt < kGreetingAttempts; ++attempt) {
        if (IsCancelled(cancel))
            return link_status::kCancelled;
        if (notify && attempt % 5 == 0)
            notify(attempt);
        std::this_thread::sleep_for(m_legacy.CommandPause());
        m_line.Flush();
        if (m_legacy.SendEcho(command, kGreetingEchoTimeoutMs) != link_status::kSuccess) {
            // Ends whatever the receiver's command line has taken so far.
            const std::uint8_t carriageReturn = '\r';
            m_line.Write(std::span(&carriageReturn, 1));
            continue;
        }
        if (m_line.Write(greeting) != greeting.size())
            continue;
        std::array<std::uint8_t, kGreeting.size()> answer{};
        if (!m_line.ReadExact(answer, kGreetingReplyTimeoutMs))
            continue;
        if (std::equal(answer.begin(), answer.end(), greeting.begin())) {
            version = 32;
            return link_status::kSuccess;
        }
        if (std::equal(answer.begin(), answer.end(), greeting.begin(),
                       [](std::uint8_t a, std::uint8_t g) { return a == static_cast<std::uint8_t>(~g); })) {
            version = 48;
            return link_status::kSuccess;
        }
    }
    return link_status::kNotConnected;
}

} // namespace torvane
