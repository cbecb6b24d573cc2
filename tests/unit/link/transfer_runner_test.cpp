#include "link/transfer_runner.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "link/download_procedure.h"
#include "link/qt_serial_line.h"
#include "link/upload_procedure.h"
#include "sim_peer.h"
#include "support/core_application.h"
#include "support/scratch_folder.h"
#include "support/transfer_recorder.h"

namespace torvane {
namespace {

using namespace std::chrono_literals;
using test::MakeTestImage;
using test::ScratchFolder;

// Which thread made, used and closed the line, seen from outside.
struct LineWatch {
    std::mutex mutex;
    QThread* createdOn = nullptr;
    QThread* closedOn = nullptr;
    bool closed = false;
};

// A memory line end that tells the watch where it is closed.
class WatchedLine final : public SerialLine {
public:
    WatchedLine(std::unique_ptr<MemoryLine> line, std::shared_ptr<LineWatch> watch)
        : m_line(std::move(line)), m_watch(std::move(watch))
    {
        const std::lock_guard lock(m_watch->mutex);
        m_watch->createdOn = QThread::currentThread();
    }
    bool Open(const std::string& path, const LineSettings& settings) override { return m_line->Open(path, settings); }
    void Close() override
    {
        m_line->Close();
        const std::lock_guard lock(m_watch->mutex);
        m_watch->closedOn = QThread::currentThread();
        m_watch->closed = true;
    }
    bool IsOpen() const override { return m_line->IsOpen(); }
    std::size_t Write(std::span<const std::uint8_t> bytes) override { return m_line->Write(bytes); }
    std::size_t InQueue() override { return m_line->InQueue(); }
    std::size_t ReadAvailable(std::span<std::uint8_t> buffer) override { return m_line->ReadAvailable(buffer); }
    bool PurgeInput() override { return m_line->PurgeInput(); }
    bool PurgeOutput() override { return m_line->PurgeOutput(); }
    void WaitForInput(std::chrono::milliseconds maxWait) override { m_line->WaitForInput(maxWait); }

private:
    std::unique_ptr<MemoryLine> m_line;
    std::shared_ptr<LineWatch> m_watch;
};

// A simulated receiver and a runner whose line reaches it.
struct RunnerOnSim {
    explicit RunnerOnSim(std::vector<std::uint8_t> flash, int generation, std::int32_t lineRate = 0)
    {
        auto [pc, receiver] = MemoryLine::CreatePair(lineRate);
        receiverEnd = std::move(receiver);
        sim = std::make_unique<sim::ReceiverSim>(sim::ReceiverFlash(std::move(flash), {}), *receiverEnd,
                                                 test::Setup(generation));
        sim->Start();
        auto pcEnd = std::make_shared<std::unique_ptr<MemoryLine>>(std::move(pc));
        runner->SetLineFactory([pcEnd, watch = watch]() -> std::unique_ptr<SerialLine> {
            return std::make_unique<WatchedLine>(std::move(*pcEnd), watch);
        });
        runner->SetPauses(test::PcSide::NoPauses());
        QObject::connect(runner.get(), &TransferRunner::StepShown, runner.get(), [this](int step, const QString& text) {
            events.push_back("show " + test::StepName(static_cast<TransferStep>(step)) + " " + text.toStdString());
        });
        QObject::connect(runner.get(), &TransferRunner::StepFinished, runner.get(), [this](int step, const QString& text) {
            events.push_back("finish " + test::StepName(static_cast<TransferStep>(step)) + " " + text.toStdString());
        });
        QObject::connect(runner.get(), &TransferRunner::MessageShown, runner.get(), [this](const QString& text, const QString& caption) {
            events.push_back("message " + (caption.isEmpty() ? std::string() : caption.toStdString() + ": ")
                             + text.toStdString());
        });
        QObject::connect(runner.get(), &TransferRunner::TitleChanged, runner.get(),
                         [this](const QString& title) { events.push_back("title " + title.toStdString()); });
        QObject::connect(runner.get(), &TransferRunner::CancelDisabled, runner.get(), [this] { events.push_back("cancel off"); });
        QObject::connect(runner.get(), &TransferRunner::SpeedMeasured, runner.get(),
                         [this](const TransferSpeed& speed) {
                             events.push_back("speed " + speed.verb + " " + std::to_string(speed.bytes));
                         });
        QObject::connect(runner.get(), &TransferRunner::Finished, runner.get(), [this](int outcome) {
            events.push_back("finished " + std::to_string(outcome));
            finishedAt = std::chrono::steady_clock::now();
            loop.quit();
        });
    }

    // Runs the event loop until Finished, at most `limit`.
    void WaitForFinished(std::chrono::milliseconds limit = 20s)
    {
        QTimer::singleShot(limit, &loop, &QEventLoop::quit);
        loop.exec();
        // Reports queued after Finished would show up here.
        QCoreApplication::processEvents();
    }

    QCoreApplication& application = test::CoreApplication(); // before the event loop below
    std::unique_ptr<MemoryLine> receiverEnd;
    std::unique_ptr<sim::ReceiverSim> sim;
    std::shared_ptr<LineWatch> watch = std::make_shared<LineWatch>();
    std::unique_ptr<TransferRunner> runner = std::make_unique<TransferRunner>();
    QEventLoop loop;
    std::vector<std::string> events;
    std::chrono::steady_clock::time_point finishedAt;
};

SerialSettings MemorySettings()
{
    return test::PcSide::Settings();
}

TEST(TransferRunner, UploadReportsInOrderOnceAndOwnsTheLineOnItsThread)
{
    const std::vector<std::uint8_t> flash = MakeTestImage({}).Build(0x80000);
    ScratchFolder folder;
    RunnerOnSim run(flash, 48);
    const std::string path = folder.Path("out.bin");
    ASSERT_TRUE(run.runner->Start(MemorySettings(), [path](TransferSession& session) {
        return UploadProcedure(session, path).Run();
    }));
    run.WaitForFinished();
    EXPECT_EQ(run.events, (std::vector<std::string>{"show TestPort Test serial port status", "finish TestPort Finished",
                                                    "title Upload (STB --> PC) (Transfer protocol version: 3.0)",
                                                    "show Upload Start uploading", "speed Dumped 524288",
                                                    "finish Upload Finished",
                                                    "show ParseUserDatabase Parsing user database ...",
                                                    "finish ParseUserDatabase Finished", "cancel off", "finished 0"}));
    EXPECT_TRUE(folder.Read("out.bin") == flash);
    EXPECT_TRUE(run.runner->Wait(1s));
    const std::lock_guard lock(run.watch->mutex);
    EXPECT_TRUE(run.watch->closed);
    EXPECT_NE(run.watch->createdOn, QThread::currentThread());
    EXPECT_EQ(run.watch->closedOn, run.watch->createdOn);
}

TEST(TransferRunner, CancelEndsTheDownloadQuietlyWithinASecond)
{
    const std::vector<std::uint8_t> flash = MakeTestImage({0, 0x3000, 0x10000}).Build(0x80000);
    ScratchFolder folder;
    folder.Write("image.bin", MakeTestImage({9, 0x3000, 0x10000}).Build(0x80000));
    RunnerOnSim run(flash, 48, 115200);
    std::chrono::steady_clock::time_point cancelledAt;
    QObject::connect(run.runner.get(), &TransferRunner::ProgressChanged, run.runner.get(), [&](int bar, int percent, qint64) {
        if (bar == kTransferBar && percent >= 3 && cancelledAt == std::chrono::steady_clock::time_point()) {
            cancelledAt = std::chrono::steady_clock::now();
            run.runner->RequestCancel();
        }
    });
    const std::string path = folder.Path("image.bin");
    ASSERT_TRUE(run.runner->Start(MemorySettings(), [path](TransferSession& session) {
        session.Lib().SetCompression(test::NoCompression);
        return DownloadProcedure(session, {path, false, true}).Run();
    }));
    EXPECT_FALSE(run.runner->Start(MemorySettings(), [](TransferSession&) { return TransferOutcome::Succeeded; }))
        << "a second transfer started while one runs";
    run.WaitForFinished();
    ASSERT_NE(cancelledAt, std::chrono::steady_clock::time_point());
    EXPECT_LT(run.finishedAt - cancelledAt, 1s);
    EXPECT_EQ(run.events.back(), "finished " + std::to_string(static_cast<int>(TransferOutcome::Cancelled)));
    EXPECT_EQ(std::count_if(run.events.begin(), run.events.end(),
                            [](const std::string& e) { return e.starts_with("message") || e.starts_with("finished"); }),
              1);
    EXPECT_TRUE(run.runner->Wait(1s));
    EXPECT_TRUE(run.watch->closed);
    run.sim->Stop();
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), run.sim->Flash().Bytes().begin()));
}

TEST(TransferRunner, RunsAgainAfterAFailure)
{
    const std::vector<std::uint8_t> flash = MakeTestImage({}).Build(0x80000);
    RunnerOnSim run(flash, 48);
    ASSERT_TRUE(run.runner->Start(MemorySettings(), [](TransferSession& session) {
        return DownloadProcedure(session, {"no-such-image.bin", true, false}).Run();
    }));
    run.WaitForFinished();
    ASSERT_FALSE(run.events.empty());
    EXPECT_EQ(run.events[run.events.size() - 2], "message Read Database Fail");
    EXPECT_EQ(run.events.back(), "finished " + std::to_string(static_cast<int>(TransferOutcome::Failed)));
    run.events.clear();
    // The second run gets a fresh line and a cleared cancel flag.
    run.runner->RequestCancel();
    run.runner->SetLineFactory([]() -> std::unique_ptr<SerialLine> { return std::make_unique<QtSerialLine>(); });
    SerialSettings missingPort;
    missingPort.devicePath = "/nonexistent/ttyTorvane";
    ASSERT_TRUE(run.runner->Start(missingPort,
                                 [](TransferSession& session) { return UploadProcedure(session, "x.bin").Run(); }));
    run.WaitForFinished();
    EXPECT_EQ(run.events, (std::vector<std::string>{"message can not open port",
                                                    "finished " + std::to_string(static_cast<int>(TransferOutcome::Failed))}));
}

TEST(TransferRunner, GoingAwayCancelsAndWaits)
{
    const std::vector<std::uint8_t> flash = MakeTestImage({}).Build(0x80000);
    RunnerOnSim run(flash, 48, 115200);
    ScratchFolder folder;
    const std::string path = folder.Path("out.bin");
    ASSERT_TRUE(run.runner->Start(MemorySettings(), [path](TransferSession& session) {
        return UploadProcedure(session, path).Run();
    }));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(run.runner->IsRunning());
    const auto start = std::chrono::steady_clock::now();
    run.runner.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_TRUE(run.watch->closed);
    EXPECT_TRUE(folder.Names().empty());
}

} // namespace
} // namespace torvane
