// The Process menu of the main window against the receiver simulator: a receiver backed up,
// edited and downloaded again, with the port the window read from the stored settings at start.

#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "database/chunk_chain.h"
#include "sim_receiver.h"
#include "settings_sandbox.h"
#include "support/scratch_folder.h"
#include "ui/transfer/transfer_dialog.h"
#include "window_fixture.h"

namespace torvane {
namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The user-database chunk of a flash image, header and covered data.
std::vector<std::uint8_t> UserChunk(const std::vector<std::uint8_t>& image)
{
    const ChunkWalk walk = WalkChunks(std::span(image), std::nullopt);
    if (!walk.userChunk)
        return {};
    const auto from = image.begin() + static_cast<std::ptrdiff_t>(walk.userChunk->offset);
    return {from, from + static_cast<std::ptrdiff_t>(walk.userChunk->header.length + kChunkStartSize)};
}

// Waits for the transfer dialog the next command opens, notes how its transfer ended and presses
// OK after success (a failed one closes itself).
void PressOkWhenDone(QObject* context, std::optional<TransferOutcome>& outcome)
{
    outcome.reset();
    auto* timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, &outcome] {
        auto* dialog = qobject_cast<TransferDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->Outcome())
            return;
        outcome = dialog->Outcome();
        timer->stop();
        timer->deleteLater();
        if (*outcome == TransferOutcome::Succeeded)
            QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    timer->start(20);
}

class TransferCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void backUpEditAndDownloadThroughTheMenus();

private:
    test::ScratchFolder m_folder;
};

void TransferCommandsTest::initTestCase()
{
    test::KeepSerialSettingsIn(m_folder);
}

void TransferCommandsTest::backUpEditAndDownloadThroughTheMenus()
{
    test::SimReceiver receiver;
    QVERIFY(StoreSerialPort(1, receiver.Settings().devicePath));
    test::WindowFixture fixture;
    QVERIFY(fixture.IsReady());
    const std::vector<std::uint8_t> flash = ReadFile(fixture.DemoPath());
    receiver.Start(flash);
    QVERIFY(receiver.Ready());
    MainWindow& window = *fixture.window;
    Document& document = fixture.Doc();
    std::optional<TransferOutcome> outcome;

    // Without an open image: "No File opened", and nothing else is asked.
    QVERIFY(!window.Action(WindowCommand::Download)->isEnabled());
    window.Download();
    QCOMPARE(fixture.prompts.messages, std::vector<std::string>{"No File opened"});
    QVERIFY(fixture.prompts.chunkQuestions.empty());
    fixture.prompts.messages.clear();

    // Upload: the flash saved under the chosen name and its user database opened.
    const std::string up = fixture.Path("up.bin");
    fixture.prompts.fileAnswers.push_back(up);
    PressOkWhenDone(&window, outcome);
    window.Action(WindowCommand::Upload)->trigger();
    QCOMPARE(outcome, std::optional(TransferOutcome::Succeeded));
    QCOMPARE(fixture.prompts.questions.back(), std::string("Save Bin File(*.bin)"));
    QVERIFY(document.IsOpen());
    QCOMPARE(document.ProductImagePath(), up);
    QVERIFY(UserChunk(ReadFile(up)) == UserChunk(flash));
    QVERIFY(window.windowTitle().startsWith("Torvane - up.bin"));
    QVERIFY(window.Action(WindowCommand::Download)->isEnabled());

    // An edit, then Download File of the uploaded file: the open document is left as it is.
    document.List().SelectRow(0);
    window.RunChannelCommand(ChannelCommand::MoveDown);
    QVERIFY(document.Store().IsModified());
    const std::vector<std::uint8_t> unsaved = ReadFile(up);
    fixture.prompts.fileAnswers.push_back(up);
    fixture.prompts.chunkAnswers.push_back(ChunkChoice{true, false});
    PressOkWhenDone(&window, outcome);
    window.Action(WindowCommand::DownloadFile)->trigger();
    QCOMPARE(outcome, std::optional(TransferOutcome::Succeeded));
    const std::vector<std::string> asked(fixture.prompts.questions.end() - 2, fixture.prompts.questions.end());
    QCOMPARE(asked, (std::vector<std::string>{"Bin File(*.bin)", "Download config"}));
    QVERIFY(document.Store().IsModified());
    QVERIFY(ReadFile(up) == unsaved);

    // Download: the edit is saved first, then the chosen user chunk goes to the receiver.
    fixture.prompts.chunkAnswers.push_back(ChunkChoice{false, true});
    PressOkWhenDone(&window, outcome);
    window.Action(WindowCommand::Download)->trigger();
    QCOMPARE(outcome, std::optional(TransferOutcome::Succeeded));
    QCOMPARE(fixture.prompts.chunkQuestions.back().caption, std::string("Download config"));
    QVERIFY(!document.Store().IsModified());
    const std::vector<std::uint8_t> saved = ReadFile(up);
    QVERIFY(UserChunk(saved) != UserChunk(unsaved));
    QVERIFY(fixture.prompts.messages.empty());

    QVERIFY(UserChunk(receiver.StoppedFlash()) == UserChunk(saved));
}

} // namespace
} // namespace torvane

QTEST_MAIN(torvane::TransferCommandsTest)
#include "transfer_commands_test.moc"
