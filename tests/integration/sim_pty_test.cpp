// The simulator on a pseudo-terminal, reached through the real QSerialPort line: in-process, and
// as its own executable probed by torvane-cli.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "link/qt_serial_line.h"
#include "link/receiver_probe.h"
#include "pty_line.h"
#include "receiver_sim.h"
#include "sim_session.h"
#include "support/lzma_pack.h"
#include "support/test_paths.h"

namespace torvane::test {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kFlash = 0x100000;
const LineSettings kSettings{115200, 2, 1};

class PtyGenerations : public ::testing::TestWithParam<int> {};

TEST_P(PtyGenerations, DownloadAndUploadThroughQSerialPort)
{
    const std::vector<std::uint8_t> receiverImage = TypicalFlashImage(0x6000, 0x3000, 0).Build(kFlash);
    const std::vector<std::uint8_t> fileImage = TypicalFlashImage(0x6000, 0x3000, 2).Build(kFlash);
    const std::vector<BuiltChunk> layout = TypicalFlashImage().Layout();
    FlashFile file(receiverImage);
    std::string error;
    std::unique_ptr<sim::PtyLine> pty = sim::PtyLine::Create(error);
    ASSERT_TRUE(pty) << error;
    sim::SimSetup setup;
    setup.generation = GetParam();
    sim::ReceiverSim receiver(file.Load(), *pty, setup);
    receiver.Start();

    QtSerialLine line;
    UpgradeLib lib(line);
    lib.SetCommandPause(10ms);
    lib.SetCompression([](std::span<const std::uint8_t> data, std::vector<std::uint8_t>& packed, const CancelPredicate&) {
        packed = PackAlone(std::vector<std::uint8_t>(data.begin(), data.end()));
        return packed.empty() ? link_status::kToolNotStarted : link_status::kSuccess;
    });
    ASSERT_EQ(lib.OpenLink(pty->SlavePath(), kSettings), link_status::kSuccess);
    const Connection c = Connect(lib);
    ASSERT_EQ(c.status, link_status::kSuccess);
    EXPECT_EQ(c.info.flashSize, kFlash);
    ASSERT_EQ(c.info.chunks.size(), layout.size());
    ASSERT_EQ(Download(lib, c.info, fileImage, layout, true, true), link_status::kSuccess);
    EXPECT_EQ(lib.Reboot(), link_status::kSuccess);
    const std::vector<std::uint8_t> expected = ExpectedAfterDownload(receiverImage, fileImage, layout, true, true);

    ASSERT_EQ(Connect(lib).status, link_status::kSuccess);
    std::vector<std::uint8_t> buffer(kPcFlashBuffer);
    std::uint32_t length = 0;
    ASSERT_EQ(lib.Dump(buffer, length, {}, {}, 0, 0), link_status::kSuccess);
    ASSERT_EQ(length, kFlash);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));
    lib.CloseLink();
    receiver.Stop();
    EXPECT_TRUE(file.Contents() == expected);
}

INSTANTIATE_TEST_SUITE_P(Generations, PtyGenerations, ::testing::Values(48, 33, 16),
                         [](const auto& info) { return "Generation" + std::to_string(info.param); });

// The simulator executable, serving a flash file on the pseudo-terminal it announces.
class SimProcess {
public:
    explicit SimProcess(const QStringList& arguments)
    {
        m_process.setProgram(QString::fromStdString(binaryPath("tools/torvane-receiver-sim")));
        m_process.setArguments(arguments);
        m_process.start();
        if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(5000))
            m_slavePath = QString::fromUtf8(m_process.readLine()).trimmed().toStdString();
    }
    ~SimProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }

    const std::string& SlavePath() const { return m_slavePath; }
    // Asks it to stop and gives its exit code (-1 when it did not end).
    int Stop()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    QString Errors() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
    std::string m_slavePath;
};

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliRun RunCli(const QStringList& arguments)
{
    QProcess cli;
    cli.start(QString::fromStdString(binaryPath("src/torvane-cli")), arguments);
    CliRun run;
    if (!cli.waitForFinished(60000))
        return run;
    run.exitCode = cli.exitCode();
    run.out = cli.readAllStandardOutput().toStdString();
    run.err = cli.readAllStandardError().toStdString();
    return run;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

struct ProbeCase {
    int generation;
    const char* versionLine;
    QStringList faults;
};

class CliProbe : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(CliProbe, PrintsTheSimulatorsChunks)
{
    const FlashImageBuilder image = TypicalFlashImage();
    FlashFile file(image.Build(0x200000));
    QStringList arguments{"--image", QString::fromStdString(file.Path()), "--generation",
                          QString::number(GetParam().generation)};
    arguments += GetParam().faults;
    SimProcess sim(arguments);
    ASSERT_FALSE(sim.SlavePath().empty()) << sim.Errors().toStdString();

    const CliRun run = RunCli({"probe", "--port", QString::fromStdString(sim.SlavePath())});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    const std::vector<BuiltChunk> layout = image.Layout();
    ASSERT_EQ(lines.size(), 2 + layout.size()) << run.out;
    EXPECT_EQ(lines[0], GetParam().versionLine);
    EXPECT_EQ(lines[1], "Flash size: 0x200000");
    for (std::size_t i = 0; i < layout.size(); ++i) {
        char id[32];
        std::snprintf(id, sizeof id, "id 0x%08X length 0x%X", layout[i].id, layout[i].length);
        EXPECT_NE(lines[2 + i].find(id), std::string::npos) << lines[2 + i];
    }
    EXPECT_NE(lines[5].find("\"user db\""), std::string::npos) << lines[5];
    EXPECT_EQ(sim.Stop(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Generations, CliProbe,
    ::testing::Values(ProbeCase{48, "Transfer protocol version: 3.0", {}},
                      ProbeCase{33, "Transfer protocol version: 2.1", {}},
                      ProbeCase{48, "Transfer protocol version: 3.0",
                                {"--seed", "5", "--flip-rate", "0.05", "--garbage-rate", "0.2"}}),
    [](const auto& info) {
        return "Generation" + std::to_string(info.param.generation) + (info.param.faults.isEmpty() ? "" : "WithFaults");
    });

// The probe's own steps against the executable, through QSerialPort, for both generations.
TEST(SimExecutable, AnswersTheProbe)
{
    const FlashImageBuilder image = TypicalFlashImage();
    FlashFile file(image.Build(0x80000));
    for (const auto& [generation, version] : {std::pair{48, 48u}, std::pair{33, 33u}, std::pair{32, 16u}}) {
        SimProcess sim({"--image", QString::fromStdString(file.Path()), "--generation", QString::number(generation)});
        ASSERT_FALSE(sim.SlavePath().empty()) << sim.Errors().toStdString();
        QtSerialLine line;
        UpgradeLib lib(line);
        ASSERT_EQ(lib.OpenLink(sim.SlavePath(), kSettings), link_status::kSuccess);
        const ProbeResult result = ProbeReceiver(lib, {});
        ASSERT_EQ(result.status, link_status::kSuccess) << generation;
        EXPECT_EQ(result.version, version);
        EXPECT_EQ(result.info.flashSize, 0x80000u);
        ASSERT_EQ(result.info.chunks.size(), image.Layout().size());
        for (std::size_t i = 0; i < image.Layout().size(); ++i)
            EXPECT_EQ(result.info.chunks[i].id, image.Layout()[i].id);
        lib.CloseLink();
        EXPECT_EQ(sim.Stop(), 0);
    }
}

TEST(SimExecutable, RefusesBadOptionsAndImages)
{
    const std::pair<QStringList, QString> cases[] = {
        {{}, "torvane-receiver-sim: no flash image given (--image)\n"},
        {{"--image", "/nonexistent/flash.bin"}, "torvane-receiver-sim: cannot open /nonexistent/flash.bin: "},
        {{"--image", "x", "--generation", "50"}, "torvane-receiver-sim: bad value for --generation: 50\n"},
    };
    for (const auto& [arguments, start] : cases) {
        QProcess sim;
        sim.start(QString::fromStdString(binaryPath("tools/torvane-receiver-sim")), arguments);
        ASSERT_TRUE(sim.waitForFinished(5000));
        EXPECT_NE(sim.exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(sim.readAllStandardError()).startsWith(start)) << start.toStdString();
        EXPECT_TRUE(sim.readAllStandardOutput().isEmpty());
    }
}

} // namespace
} // namespace torvane::test
