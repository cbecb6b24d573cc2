#include "link/transfer_session.h"

#include <thread>

#include "link/counting_line.h"
#include "link/upgrade_lib.h"

namespace torvane {

namespace {

std::uint64_t WireCount(const CountingLine* counter, bool written)
{
    if (counter == nullptr)
        return 0;
    return written ? counter->BytesWritten() : counter->BytesRead();
}

} // namespace

TransferSession::TransferSession(UpgradeLib& lib, const CountingLine* counter, SerialSettings settings,
                                 TransferCallbacks callbacks, CancelPredicate cancel, TransferPauses pauses)
    : m_lib(lib)
    , m_counter(counter)
    , m_settings(std::move(settings))
    , m_callbacks(std::move(callbacks))
    , m_cancel(std::move(cancel))
    , m_pauses(pauses)
{
    m_lib.SetCommandPause(m_pauses.command);
}

bool TransferSession::OpenLink()
{
    m_lib.SetProtocolVersion(m_settings.InitialProtocolVersion());
    const LinkStatus status = m_settings.devicePath.empty()
        ? m_lib.OpenLink(m_settings.portNumber, m_settings.Line())
        : m_lib.OpenLink(m_settings.devicePath, m_settings.Line());
    if (status != link_status::kSuccess) {
        Message(transfer_text::kCannotOpenPort);
        return false;
    }
    return true;
}

void TransferSession::CloseLink()
{
    m_lib.CloseLink();
}

bool TransferSession::TestPort()
{
    ShowStep(TransferStep::TestPort, transfer_text::kTestPortStep);
    std::uint32_t version = 0;
    if (m_lib.TestPort(version, {}, m_cancel) != link_status::kSuccess) {
        MessageUnlessCancelled(transfer_text::kTestPortFail);
        return false;
    }
    m_lib.SetProtocolVersion(version);
    m_version = version;
    FinishStep(TransferStep::TestPort);
    return true;
}

bool TransferSession::CollectInfo(std::string_view caption, bool showStep)
{
    if (showStep)
        ShowStep(TransferStep::CollectInfo, transfer_text::kCollectInfoStep);
    std::uint32_t version = 0;
    ReceiverInfo info;
    if (m_lib.GetReceiverInfo(version, info) != link_status::kSuccess) {
        MessageUnlessCancelled(transfer_text::kGetVersionFail);
        return false;
    }
    // Receivers that report no version speak the first generation.
    if (version == 0)
        version = 16;
    m_lib.SetProtocolVersion(version);
    m_version = version;
    m_info = std::move(info);
    if (m_callbacks.receiverRead)
        m_callbacks.receiverRead(version, m_info);
    if (m_callbacks.titleChanged)
        m_callbacks.titleChanged(FormatTransferTitle(caption, version));
    if (showStep)
        FinishStep(TransferStep::CollectInfo);
    return true;
}

void TransferSession::ShowStep(TransferStep step, std::string_view text) const
{
    if (m_callbacks.stepShown)
        m_callbacks.stepShown(step, text);
}

void TransferSession::FinishStep(TransferStep step) const
{
    if (m_callbacks.stepFinished)
        m_callbacks.stepFinished(step, transfer_text::kFinished);
}

void TransferSession::Progress(int bar, int percent, std::uint64_t totalBytes) const
{
    if (m_callbacks.progress)
        m_callbacks.progress(bar, percent, totalBytes);
}

ProgressCallback TransferSession::BarProgress(int bar, std::uint64_t totalBytes) const
{
    return [this, bar, totalBytes](int percent) { Progress(bar, percent, totalBytes); };
}

void TransferSession::Message(std::string_view text, std::string_view caption) const
{
    if (m_callbacks.message)
        m_callbacks.message(text, caption);
}

void TransferSession::MessageUnlessCancelled(std::string_view text) const
{
    if (!Cancelled())
        Message(text);
}

void TransferSession::DisableCancel() const
{
    if (m_callbacks.cancelDisabled)
        m_callbacks.cancelDisabled();
}

void TransferSession::Pause(std::chrono::milliseconds pause) const
{
    if (pause > std::chrono::milliseconds(0))
        std::this_thread::sleep_for(pause);
}

TransferSession::Stopwatch TransferSession::StartStopwatch(bool countsWritten) const
{
    return Stopwatch(std::chrono::steady_clock::now(), WireCount(m_counter, countsWritten), countsWritten);
}

void TransferSession::ReportSpeed(const Stopwatch& watch, std::string_view verb, std::uint64_t bytes) const
{
    if (!m_callbacks.speedMeasured)
        return;
    TransferSpeed speed;
    speed.verb = verb;
    speed.bytes = bytes;
    speed.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - watch.m_start).count();
    speed.wireBytes = WireCount(m_counter, watch.m_countsWritten) - watch.m_wireStart;
    m_callbacks.speedMeasured(speed);
}

} // namespace torvane
