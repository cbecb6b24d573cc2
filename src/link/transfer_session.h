#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "link/link_callbacks.h"
#include "link/receiver_info.h"
#include "link/serial_settings.h"
#include "link/transfer_report.h"

namespace torvane {

class CountingLine;
class UpgradeLib;

// The flash size a burn is told and the dump buffer's size; flashes of unknown kind count as this
// large.
inline constexpr std::uint32_t kTransferFlashSize = 0x200000;

// The waits of a transfer. A real receiver needs them; tests against the simulator set them to 0.
struct TransferPauses {
    std::chrono::milliseconds beforeOpen{300};   // before an upload opens the port
    std::chrono::milliseconds beforeReboot{500}; // after a good burn
    std::chrono::milliseconds afterWalk{1200};   // after the uploaded file's chunks were found
    std::chrono::milliseconds command{100};      // before each greeting attempt and legacy command
};

// What every transfer does with the receiver before its own work: open the port, greet the
// receiver, read its information. Holds the receiver's answers and passes reports on to the
// callbacks. Used on the transfer's thread only.
class TransferSession final {
public:
    TransferSession(UpgradeLib& lib, const CountingLine* counter, SerialSettings settings,
                    TransferCallbacks callbacks, CancelPredicate cancel, TransferPauses pauses = {});

    UpgradeLib& Lib() { return m_lib; }
    const TransferPauses& Pauses() const { return m_pauses; }
    const CancelPredicate& CancelCheck() const { return m_cancel; }
    bool Cancelled() const { return IsCancelled(m_cancel); }

    // "can not open port" on failure.
    bool OpenLink();
    void CloseLink();
    // "Test serial port status", the greeting, then the detected version; "Fail to test port."
    // unless cancelled.
    bool TestPort();
    // The receiver's information and version (0 taken as 16), the title "<caption> (Transfer
    // protocol version: x.y)"; "Fail to get version." unless cancelled. With showStep the step
    // "Collect STB information" and its "Finished" are shown around it.
    bool CollectInfo(std::string_view caption, bool showStep);

    std::uint32_t Version() const { return m_version; }
    const ReceiverInfo& Receiver() const { return m_info; }

    void ShowStep(TransferStep step, std::string_view text) const;
    void FinishStep(TransferStep step) const;
    void Progress(int bar, int percent, std::uint64_t totalBytes) const;
    // A progress callback for one bar measuring totalBytes.
    ProgressCallback BarProgress(int bar, std::uint64_t totalBytes) const;
    void Message(std::string_view text, std::string_view caption = {}) const;
    // A message the user doesn't see once they have cancelled.
    void MessageUnlessCancelled(std::string_view text) const;
    void DisableCancel() const;
    void Pause(std::chrono::milliseconds pause) const;

    // Marks the start of a timed transfer and reports its speed at the end.
    class Stopwatch;
    Stopwatch StartStopwatch(bool countsWritten) const;
    void ReportSpeed(const Stopwatch& watch, std::string_view verb, std::uint64_t bytes) const;

private:
    UpgradeLib& m_lib;
    const CountingLine* m_counter;
    SerialSettings m_settings;
    TransferCallbacks m_callbacks;
    CancelPredicate m_cancel;
    TransferPauses m_pauses;
    std::uint32_t m_version = 16;
    ReceiverInfo m_info;
};

class TransferSession::Stopwatch final {
public:
    Stopwatch(std::chrono::steady_clock::time_point start, std::uint64_t wireStart, bool countsWritten)
        : m_start(start), m_wireStart(wireStart), m_countsWritten(countsWritten)
    {
    }

private:
    friend class TransferSession;
    std::chrono::steady_clock::time_point m_start;
    std::uint64_t m_wireStart;
    bool m_countsWritten;
};

} // namespace torvane
