#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/counting_line.h"
#include "link/memory_line.h"
#include "link/transfer_session.h"
#include "link/upgrade_lib.h"
#include "receiver_sim.h"
#include "support/sim_setup.h"

namespace torvane::test {

// The receiver simulator serving one end of an in-memory line, with a flash held in memory.
class SimPeer final {
public:
    SimPeer(std::vector<std::uint8_t> flash, const sim::SimSetup& setup, const std::string& tracePath = {})
    {
        auto [pc, receiver] = MemoryLine::CreatePair();
        m_pc = std::move(pc);
        m_receiver = std::move(receiver);
        if (!tracePath.empty())
            m_trace.Open(tracePath);
        m_sim = std::make_unique<sim::ReceiverSim>(sim::ReceiverFlash(std::move(flash), {}), *m_receiver, setup,
                                                   &m_trace);
        m_sim->Start();
    }

    MemoryLine& PcLine() { return *m_pc; }

    // Stops the receiver and gives its flash.
    std::vector<std::uint8_t> StoppedFlash()
    {
        m_sim->Stop();
        const auto bytes = m_sim->Flash().Bytes();
        return {bytes.begin(), bytes.end()};
    }

private:
    std::unique_ptr<MemoryLine> m_pc;
    std::unique_ptr<MemoryLine> m_receiver;
    sim::TraceLog m_trace;
    std::unique_ptr<sim::ReceiverSim> m_sim;
};

// Compression refused, so that data goes plain and no encoder is started.
inline LinkStatus NoCompression(std::span<const std::uint8_t>, std::vector<std::uint8_t>&, const CancelPredicate&)
{
    return link_status::kToolNotStarted;
}

// The PC's side of a transfer on a line: the byte counter, the library and a session without waits.
struct PcSide {
    PcSide(SerialLine& line, TransferCallbacks callbacks, CancelPredicate cancel = {}, bool compress = false)
        : counting(line)
        , lib(counting)
        , session(lib, &counting, Settings(), std::move(callbacks), std::move(cancel), NoPauses())
    {
        if (!compress)
            lib.SetCompression(NoCompression);
    }

    static SerialSettings Settings()
    {
        SerialSettings settings;
        settings.devicePath = "memory";
        return settings;
    }

    static TransferPauses NoPauses()
    {
        TransferPauses pauses;
        pauses.beforeOpen = pauses.beforeReboot = pauses.afterWalk = pauses.command = std::chrono::milliseconds(0);
        return pauses;
    }

    CountingLine counting;
    UpgradeLib lib;
    TransferSession session;
};

} // namespace torvane::test
