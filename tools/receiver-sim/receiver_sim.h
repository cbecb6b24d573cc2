#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "fault_injector.h"
#include "receiver_core.h"
#include "receiver_flash.h"
#include "trace_log.h"

namespace torvane {
class SerialLine;
}

namespace torvane::sim {

struct SimSetup {
    int generation = 48;          // 48: packets; below: the byte protocol of that generation
    FaultSettings faults;
    std::uint32_t paceBitsPerSecond = 0; // 0: send at once (the line may model the rate itself)
    int burnMs = 0;
    std::uint8_t secondByte = 0;
};

// A simulated receiver on one end of a serial line: it holds a flash, answers the greeting as the
// chosen generation and carries out the commands. Serve runs on the caller's thread; Start runs it
// on a thread of its own until Stop.
class ReceiverSim final {
public:
    ReceiverSim(ReceiverFlash flash, SerialLine& line, const SimSetup& setup, TraceLog* trace = nullptr);
    ~ReceiverSim();
    ReceiverSim(const ReceiverSim&) = delete;
    ReceiverSim& operator=(const ReceiverSim&) = delete;

    void Serve();
    void Start();
    void Stop();
    // Asks Serve to return soon; safe from a signal handler's thread of control.
    void RequestStop() { m_stop.store(true); }

    // The receiver's flash; read it only while the simulator is not serving.
    const ReceiverFlash& Flash() const { return m_core.Flash(); }

private:
    ReceiverCore m_core;
    SerialLine& m_line;
    SimSetup m_setup;
    TraceLog m_noTrace;
    TraceLog& m_trace;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace torvane::sim
