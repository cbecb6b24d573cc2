#include "receiver_sim.h"

#include "legacy_receiver.h"
#include "link/serial_line.h"
#include "packet_receiver.h"
#include "receiver_line.h"

namespace torvane::sim {

ReceiverSim::ReceiverSim(ReceiverFlash flash, SerialLine& line, const SimSetup& setup, TraceLog* trace)
    : m_core(std::move(flash))
    , m_line(line)
    , m_setup(setup)
    , m_trace(trace != nullptr ? *trace : m_noTrace)
{
    m_core.SetSecondByte(setup.secondByte);
}

ReceiverSim::~ReceiverSim()
{
    Stop();
}

void ReceiverSim::Serve()
{
    FaultInjector faults(m_setup.faults);
    ReceiverLine line(m_line, faults, m_trace, m_stop, m_setup.paceBitsPerSecond);
    m_trace.Line("receiver of generation " + std::to_string(m_setup.generation) + " with "
                 + std::to_string(m_core.Flash().Size()) + " bytes of flash, "
                 + std::to_string(m_core.Flash().Chunks().size()) + " chunks"
                 + (faults.Active() ? ", faults seeded with " + std::to_string(m_setup.faults.seed) : ""));
    if (m_setup.generation >= 48) {
        PacketReceiver receiver(line, m_core, m_trace, m_setup.burnMs);
        receiver.Serve();
    } else {
        LegacyReceiver receiver(line, m_core, m_trace, m_setup.generation, m_setup.burnMs);
        receiver.Serve();
    }
    m_trace.Line("receiver stopped");
}

void ReceiverSim::Start()
{
    Stop();
    m_stop.store(false);
    m_thread = std::thread([this] { Serve(); });
}

void ReceiverSim::Stop()
{
    m_stop.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace torvane::sim
