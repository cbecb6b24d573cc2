// The transfers end to end through the worker thread, QSerialPort and a pseudo-terminal, against
// the receiver simulator in this process.

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include "child_process.h"
#include "database/chunk_chain.h"
#include "link/download_procedure.h"
#include "link/transfer_runner.h"
#include "link/upload_procedure.h"
#include "link/verify_procedure.h"
#include "pty_line.h"
#include "receiver_sim.h"
#include "support/cli_runner.h"
#include "support/core_application.h"
#include "support/sim_setup.h"
#include "support/scratch_folder.h"
#include "support/transfer_recorder.h"

namespace torvane {
namespace {

using namespace std::chrono_literals;
using test::MakeTestImage;
using test::ScratchFolder;
using test::TestImage;

constexpr std::size_t kFlashSize = 0x200000;

// A simulated receiver on a pseudo-terminal, and a runner that opens its other side with
// QSerialPort on its worker thread.
class PtyTransfer {
public:
    PtyTransfer(std::vector<std::uint8_t> flash, int generation, const sim::FaultSettings& faults = {},
                std::uint32_t pace = 0, const std::string& tracePath = {})
    {
        std::string error;
        m_line = sim::PtyLine::Create(error);
        if (!m_line)
            return;
        if (!tracePath.empty())
            m_trace.Open(tracePath);
        m_sim = std::make_unique<sim::ReceiverSim>(sim::ReceiverFlash(std::move(flash), {}), *m_line,
                                                   test::Setup(generation, faults, pace), &m_trace);
        m_sim->Start();
        TransferPauses pauses;
        pauses.beforeOpen = pauses.beforeReboot = pauses.afterWalk = 0ms;
        pauses.command = 10ms;
        m_runner.SetPauses(pauses);
        m_settings.devicePath = m_line->SlavePath();
        m_callbacks = m_record.Callbacks();
    }

    bool Ready() const { return m_sim != nullptr; }
    TransferRunner& Runner() { return m_runner; }
    test::TransferRecorder& Record() { return m_record; }

    // Runs the job on the runner and waits for its end.
    TransferOutcome Run(TransferRunner::Job job, std::chrono::milliseconds limit = 60s)
    {
        QEventLoop loop;
        TransferOutcome outcome = TransferOutcome::Failed;
        bool finished = false;
        const auto connection = QObject::connect(&m_runner, &TransferRunner::Finished, &loop, [&](int result) {
            outcome = static_cast<TransferOutcome>(result);
            finished = true;
            loop.quit();
        });
        const QMetaObject::Connection reports[] = {
            QObject::connect(&m_runner, &TransferRunner::StepShown, &m_runner,
                             [this](int step, const QString& text) {
                                 m_callbacks.stepShown(static_cast<TransferStep>(step), text.toStdString());
                             }),
            QObject::connect(&m_runner, &TransferRunner::StepFinished, &m_runner,
                             [this](int step, const QString& text) {
                                 m_callbacks.stepFinished(static_cast<TransferStep>(step), text.toStdString());
                             }),
            QObject::connect(&m_runner, &TransferRunner::MessageShown, &m_runner,
                             [this](const QString& text, const QString& caption) {
                                 m_callbacks.message(text.toStdString(), caption.toStdString());
                             }),
            QObject::connect(&m_runner, &TransferRunner::TitleChanged, &m_runner,
                             [this](const QString& title) { m_callbacks.titleChanged(title.toStdString()); }),
            QObject::connect(&m_runner, &TransferRunner::CancelDisabled, &m_runner, [this] { m_callbacks.cancelDisabled(); }),
            QObject::connect(&m_runner, &TransferRunner::ProgressChanged, &m_runner,
                             [this](int bar, int percent, qint64 total) {
                                 m_callbacks.progress(bar, percent, static_cast<std::uint64_t>(total));
                             }),
        };
        EXPECT_TRUE(m_runner.Start(m_settings, std::move(job)));
        QTimer::singleShot(limit, &loop, &QEventLoop::quit);
        loop.exec();
        QCoreApplication::processEvents();
        QObject::disconnect(connection);
        for (const auto& report : reports)
            QObject::disconnect(report);
        EXPECT_TRUE(finished) << "the transfer did not end in time";
        return outcome;
    }

    std::vector<std::uint8_t> StoppedFlash()
    {
        m_sim->Stop();
        const auto bytes = m_sim->Flash().Bytes();
        return {bytes.begin(), bytes.end()};
    }

private:
    QCoreApplication& m_application = test::CoreApplication();
    std::unique_ptr<sim::PtyLine> m_line;
    sim::TraceLog m_trace;
    std::unique_ptr<sim::ReceiverSim> m_sim;
    TransferRunner m_runner;
    SerialSettings m_settings;
    test::TransferRecorder m_record;
    TransferCallbacks m_callbacks;
};

TransferRunner::Job UploadJob(const std::string& path)
{
    return [path](TransferSession& session) { return UploadProcedure(session, path).Run(); };
}

TransferRunner::Job DownloadJob(const DownloadRequest& request, bool verify = false)
{
    return [request, verify](TransferSession& session) {
        return DownloadAndVerify(session, request, [verify] { return verify; });
    };
}

// --- upload and download for each generation ---------------------------------------------------

class PtyUpload : public ::testing::TestWithParam<int> {};

TEST_P(PtyUpload, FileIsTheReceiversFlash)
{
    const std::vector<std::uint8_t> flash = MakeTestImage({3, 0x3000, 0x20000}).Build(kFlashSize);
    ScratchFolder folder;
    PtyTransfer transfer(flash, GetParam());
    ASSERT_TRUE(transfer.Ready());
    EXPECT_EQ(transfer.Run(UploadJob(folder.Path("up.bin"))), TransferOutcome::Succeeded)
        << ::testing::PrintToString(transfer.Record().events);
    EXPECT_TRUE(folder.Read("up.bin") == flash);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"up.bin"});
}

INSTANTIATE_TEST_SUITE_P(Generations, PtyUpload, ::testing::Values(48, 33, 16));

struct PtyDownloadCase {
    int generation;
    bool defaultChunk;
    bool userChunk;
};

void PrintTo(const PtyDownloadCase& c, std::ostream* os)
{
    *os << c.generation << (c.defaultChunk ? " default" : "") << (c.userChunk ? " user" : "");
}

class PtyDownload : public ::testing::TestWithParam<PtyDownloadCase> {};

TEST_P(PtyDownload, FlashHoldsTheSentChunksAndKeepsTheMovedOnes)
{
    const PtyDownloadCase& c = GetParam();
    const TestImage shape{0, 0x3000, 0x20000};
    const std::vector<std::uint8_t> receiver = MakeTestImage(shape).Build(kFlashSize);
    const std::vector<std::uint8_t> image = MakeTestImage({77, 0x3000, 0x20000}).Build(kFlashSize);
    ScratchFolder folder;
    folder.Write("image.bin", image);
    const std::vector<std::uint8_t> expected = test::AfterDownload(shape, receiver, image, c.defaultChunk, c.userChunk);
    PtyTransfer transfer(receiver, c.generation);
    ASSERT_TRUE(transfer.Ready());
    // The check afterwards reads the flash back through a new greeting after the reboot.
    EXPECT_EQ(transfer.Run(DownloadJob({folder.Path("image.bin"), c.defaultChunk, c.userChunk}, true)),
              TransferOutcome::Succeeded)
        << ::testing::PrintToString(transfer.Record().events);
    EXPECT_TRUE(transfer.StoppedFlash() == expected);
}

INSTANTIATE_TEST_SUITE_P(Generations, PtyDownload,
                         ::testing::Values(PtyDownloadCase{48, true, false}, PtyDownloadCase{48, false, true},
                                           PtyDownloadCase{48, true, true}, PtyDownloadCase{33, true, false},
                                           PtyDownloadCase{33, false, true}, PtyDownloadCase{33, true, true},
                                           PtyDownloadCase{16, true, false}, PtyDownloadCase{16, false, true},
                                           PtyDownloadCase{16, true, true}),
                         [](const auto& info) {
                             return "Generation" + std::to_string(info.param.generation)
                                 + (info.param.defaultChunk ? "Default" : "") + (info.param.userChunk ? "User" : "");
                         });

// --- faults --------------------------------------------------------------------------------------

struct PtyFaultCase {
    const char* name;
    int generation;
    sim::FaultSettings faults;
};

void PrintTo(const PtyFaultCase& c, std::ostream* os)
{
    *os << c.name;
}

class PtyFaults : public ::testing::TestWithParam<PtyFaultCase> {};

// Every fault at once: the upload gives the exact flash or "Upload fail" and no file; the download
// gives the exact flash or one of its messages with the flash untouched or exactly as wanted.
TEST_P(PtyFaults, ExactOrTheMessage)
{
    const PtyFaultCase& c = GetParam();
    const TestImage shape{0, 0x3000, 0x8000};
    const std::vector<std::uint8_t> receiver = MakeTestImage(shape).Build(0x80000);
    const std::vector<std::uint8_t> image = MakeTestImage({31, 0x3000, 0x8000}).Build(0x80000);
    ScratchFolder folder;
    folder.Write("image.bin", image);
    PtyTransfer transfer(receiver, c.generation, c.faults);
    ASSERT_TRUE(transfer.Ready());

    const TransferOutcome uploaded = transfer.Run(UploadJob(folder.Path("up.bin")));
    if (uploaded == TransferOutcome::Succeeded) {
        EXPECT_TRUE(folder.Read("up.bin") == receiver);
    } else {
        EXPECT_EQ(transfer.Record().Messages().size(), 1u);
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"image.bin"});
    }
    const std::size_t messagesBefore = transfer.Record().Messages().size();

    const TransferOutcome downloaded = transfer.Run(DownloadJob({folder.Path("image.bin"), true, true}));
    const std::vector<std::uint8_t> expected = test::AfterDownload(shape, receiver, image, true, true);
    const std::vector<std::uint8_t> flash = transfer.StoppedFlash();
    const std::vector<std::string> messages = transfer.Record().Messages();
    if (downloaded == TransferOutcome::Succeeded) {
        EXPECT_EQ(messages.size(), messagesBefore);
        EXPECT_TRUE(flash == expected);
    } else {
        ASSERT_EQ(messages.size(), messagesBefore + 1);
        const std::vector<std::string> known{"Fail to test port.", "Fail to get version.", "Set address fail",
                                             "Download sdram fail.", "Burn flash fail"};
        EXPECT_NE(std::find(known.begin(), known.end(), messages.back()), known.end()) << messages.back();
        EXPECT_TRUE(flash == receiver || flash == expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, PtyFaults,
                         ::testing::Values(PtyFaultCase{"Packets", 48, test::Faults(101, 0.005, 0.002, 0.01, 0.005, 200)},
                                           PtyFaultCase{"Legacy33", 33, test::Faults(102, 0.002, 0, 0, 0.002, 50)},
                                           PtyFaultCase{"Oldest", 16, test::Faults(103, 0.0005, 0, 0.0005, 0, 0)}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- cancel, refusals ----------------------------------------------------------------------------

class PtyCancel : public ::testing::TestWithParam<int> {};

TEST_P(PtyCancel, MidUploadEndsWithinASecondAndTheReceiverServesTheNextOne)
{
    const std::vector<std::uint8_t> flash = MakeTestImage({5, 0x3000, 0x2000}).Build(0x80000);
    ScratchFolder folder;
    // Paced at the line rate, so that the cancel comes in the middle of the dump.
    PtyTransfer transfer(flash, GetParam(), {}, 115200);
    ASSERT_TRUE(transfer.Ready());
    std::chrono::steady_clock::time_point cancelledAt;
    std::chrono::steady_clock::time_point finishedAt;
    const auto onProgress = QObject::connect(&transfer.Runner(), &TransferRunner::ProgressChanged, &transfer.Runner(),
                                             [&](int, int percent, qint64) {
                                                 if (percent >= 2 && cancelledAt == decltype(cancelledAt)()) {
                                                     cancelledAt = std::chrono::steady_clock::now();
                                                     transfer.Runner().RequestCancel();
                                                 }
                                             });
    const auto onFinished = QObject::connect(&transfer.Runner(), &TransferRunner::Finished, &transfer.Runner(),
                                             [&](int) { finishedAt = std::chrono::steady_clock::now(); });
    EXPECT_EQ(transfer.Run(UploadJob(folder.Path("up.bin"))), TransferOutcome::Cancelled);
    QObject::disconnect(onProgress);
    QObject::disconnect(onFinished);
    ASSERT_NE(cancelledAt, decltype(cancelledAt)());
    EXPECT_LT(finishedAt - cancelledAt, 1s);
    EXPECT_TRUE(transfer.Record().Messages().empty());
    EXPECT_TRUE(folder.Names().empty());
    // The port was given back: the next upload opens it and gets the whole flash. (A receiver of the
    // byte protocol hears no abort and stays in its dump until the line has been quiet for a while.)
    if (GetParam() < 48)
        return;
    EXPECT_EQ(transfer.Run(UploadJob(folder.Path("again.bin")), 60s), TransferOutcome::Succeeded)
        << ::testing::PrintToString(transfer.Record().events);
    EXPECT_TRUE(folder.Read("again.bin") == flash);
}

INSTANTIATE_TEST_SUITE_P(Generations, PtyCancel, ::testing::Values(48, 33));

struct PtyImageCase {
    const char* name;
    TestImage receiver;
    TestImage image;
    bool succeeds;
};

void PrintTo(const PtyImageCase& c, std::ostream* os)
{
    *os << c.name;
}

class PtyImageCheck : public ::testing::TestWithParam<PtyImageCase> {};

// The receiver's chunks against the image's, before anything is sent.
TEST_P(PtyImageCheck, ExtentAgainstExtentLengthAgainstLength)
{
    const PtyImageCase& c = GetParam();
    const std::vector<std::uint8_t> receiver = MakeTestImage(c.receiver).Build(0x80000);
    ScratchFolder folder;
    folder.Write("image.bin", MakeTestImage(c.image).Build(0x80000));
    const std::string trace = folder.Path("trace.txt");
    {
        PtyTransfer transfer(receiver, 48, {}, 0, trace);
        ASSERT_TRUE(transfer.Ready());
        const TransferOutcome outcome = transfer.Run(DownloadJob({folder.Path("image.bin"), true, true}));
        const std::vector<std::uint8_t> flash = transfer.StoppedFlash();
        if (c.succeeds) {
            EXPECT_EQ(outcome, TransferOutcome::Succeeded);
            return;
        }
        EXPECT_EQ(outcome, TransferOutcome::Failed);
        EXPECT_EQ(transfer.Record().Messages(), std::vector<std::string>{"Read Database Fail"});
        EXPECT_TRUE(flash == receiver);
    }
    const std::string log = test::TextOf(trace);
    EXPECT_NE(log.find("chunk"), std::string::npos);
    EXPECT_EQ(log.find("address"), std::string::npos) << "something was sent";
}

INSTANTIATE_TEST_SUITE_P(
    Images, PtyImageCheck,
    ::testing::Values(
        // The receiver's own layout: the default chunk's extent (16 KiB) is larger than its length.
        PtyImageCase{"ReceiversLayoutDownloads", {0, 0x3000, 0x6000}, {9, 0x3000, 0x6000}, true},
        PtyImageCase{"LargerDefaultChunkIsRefused", {0, 0x3000, 0x6000}, {9, 0x4000, 0x6000}, false},
        PtyImageCase{"SmallerReceiverChunksAreRefused", {0, 0x1000, 0x2000}, {9, 0x3000, 0x6000}, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torvane
