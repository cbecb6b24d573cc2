#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/serial_settings.h"
#include "link/transfer_session.h"
#include "pty_line.h"
#include "receiver_sim.h"
#include "support/sim_setup.h"

namespace torvane::test {

// A simulated receiver serving on a pseudo-terminal in this process, and the serial settings that
// reach it through QSerialPort.
class SimReceiver final {
public:
    // The pseudo-terminal alone; the receiver serves from Start on.
    SimReceiver()
    {
        std::string error;
        m_line = sim::PtyLine::Create(error);
        if (m_line)
            m_settings.devicePath = m_line->SlavePath();
    }

    explicit SimReceiver(std::vector<std::uint8_t> flash, std::uint32_t paceBitsPerSecond = 0,
                         const sim::FaultSettings& faults = {})
        : SimReceiver()
    {
        Start(std::move(flash), paceBitsPerSecond, faults);
    }

    void Start(std::vector<std::uint8_t> flash, std::uint32_t paceBitsPerSecond = 0,
               const sim::FaultSettings& faults = {})
    {
        if (!m_line)
            return;
        m_sim = std::make_unique<sim::ReceiverSim>(sim::ReceiverFlash(std::move(flash), {}), *m_line,
                                                   Setup(48, faults, paceBitsPerSecond));
        m_sim->Start();
    }

    bool Ready() const { return m_sim != nullptr; }
    const SerialSettings& Settings() const { return m_settings; }

    // The receiver's flash once it has stopped serving.
    std::vector<std::uint8_t> StoppedFlash()
    {
        m_sim->Stop();
        const auto bytes = m_sim->Flash().Bytes();
        return {bytes.begin(), bytes.end()};
    }

private:
    std::unique_ptr<sim::PtyLine> m_line;
    std::unique_ptr<sim::ReceiverSim> m_sim;
    SerialSettings m_settings;
};

// A real receiver's waits taken out; the greeting keeps a short one, as over a real line.
inline TransferPauses QuickPauses()
{
    using namespace std::chrono_literals;
    TransferPauses pauses;
    pauses.beforeOpen = pauses.beforeReboot = pauses.afterWalk = 0ms;
    pauses.command = 10ms;
    return pauses;
}

} // namespace torvane::test
