// The upload and download dialogs against the receiver simulator on a pseudo-terminal, through
// the transfer's thread and QSerialPort.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "screenshot.h"
#include "sim_receiver.h"
#include "support/recording_prompts.h"
#include "support/scratch_folder.h"
#include "support/flash_test_images.h"
#include "support/transfer_recorder.h"
#include "ui/transfer/download_dialog.h"
#include "ui/transfer/transfer_commands.h"
#include "ui/transfer/upload_dialog.h"
#include "util/backup_store.h"
#include "util/file_reader.h"
#include "util/saved_file.h"

namespace torvane {
namespace {

using test::ScratchFolder;
using test::SimReceiver;

constexpr std::size_t kFlashSize = 0x80000;
constexpr int kTransferLimitMs = 60000;
const test::TestImage kShape{0, 0x3000, 0x8000};

std::vector<std::uint8_t> Flash(std::uint32_t seed)
{
    return test::MakeTestImage({seed, kShape.defaultData, kShape.userData}).Build(kFlashSize);
}

QString Path(const ScratchFolder& folder, const std::string& name)
{
    return QString::fromStdString(folder.Path(name));
}

// A control of a step by its name: "step", "finished", "bar", "percent", "rate", "left".
template <typename Widget = QLabel>
Widget* Part(QWidget& dialog, const char* name, TransferStep step)
{
    return dialog.findChild<Widget*>(QString::fromLatin1(name) + QString::number(static_cast<int>(step)));
}

// Whether a control is shown in its dialog, open or closed.
bool IsShown(const QWidget* widget)
{
    return widget->isVisibleTo(widget->window());
}

QString Shown(const QWidget* widget)
{
    return IsShown(widget) ? QStringLiteral("shown") : QStringLiteral("hidden");
}

QPushButton* Button(QWidget& dialog, QDialogButtonBox::StandardButton which)
{
    return dialog.findChild<QDialogButtonBox*>()->button(which);
}

// Records messages as message boxes show them: each holds its own event loop for a while, in which
// the transfer's later reports arrive, and notes whether the dialog stayed open meanwhile.
class ModalPrompts final : public UserPrompts {
public:
    explicit ModalPrompts(int holdMs = 0) : m_holdMs(holdMs) {}

    void Message(std::string_view text) override { Hold(std::string(text)); }
    void Warning(std::string_view text, std::string_view caption) override
    {
        Hold(std::string(caption) + ": " + std::string(text));
    }
    bool AskYesNo(std::string_view) override { return false; }
    std::optional<int> ChooseOne(std::string_view, const std::vector<std::string>&, std::optional<int>) override
    {
        return {};
    }
    std::optional<ChunkChoice> ChooseChunks(std::string_view, ChunkChoice, bool) override { return {}; }
    std::optional<std::string> ChooseOpenFile(std::string_view) override { return {}; }
    std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view) override { return {}; }

    std::vector<std::string> messages;
    QWidget* watched = nullptr;
    bool watchedStayedOpen = true;
    QElapsedTimer sinceDismissed;

private:
    void Hold(std::string text)
    {
        messages.push_back(std::move(text));
        QEventLoop loop;
        QTimer::singleShot(m_holdMs, &loop, &QEventLoop::quit);
        loop.exec();
        if (watched != nullptr && !watched->isVisible())
            watchedStayedOpen = false;
        sinceDismissed.start();
    }

    int m_holdMs;
};

std::vector<std::string> Strings(std::initializer_list<const char*> texts)
{
    return {texts.begin(), texts.end()};
}

class TransferDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void uploadGivesTheReceiversFlash();
    void downloadSendsTheChosenChunks_data();
    void downloadSendsTheChosenChunks();
    void cancelMidTransferClosesWithinASecond_data();
    void cancelMidTransferClosesWithinASecond();
    void failuresEndWithTheirMessage();
    void faultyReceiverEndsExactOrWithItsMessage();
    void screenshots();
};

void TransferDialogsTest::uploadGivesTheReceiversFlash()
{
    const std::vector<std::uint8_t> flash = Flash(3);
    SimReceiver receiver(flash);
    QVERIFY(receiver.Ready());
    ScratchFolder folder;
    ModalPrompts prompts;
    UploadDialog dialog(Path(folder, "up.bin"), prompts, receiver.Settings());
    dialog.Runner().SetPauses(test::QuickPauses());
    QStringList shown;
    connect(&dialog.Runner(), &TransferRunner::StepShown, &dialog, [&](int, const QString& text) { shown << text; });
    // Halfway: the greeting is done, the dump runs, the walk of the file hasn't begun.
    QStringList midway;
    connect(&dialog.Runner(), &TransferRunner::ProgressChanged, &dialog, [&](int, int percent, qint64) {
        if (percent < 50 || !midway.isEmpty())
            return;
        for (const TransferStep step : {TransferStep::TestPort, TransferStep::Upload, TransferStep::ParseUserDatabase})
            midway << Shown(Part(dialog, "step", step)) + "/" + Shown(Part(dialog, "finished", step));
        midway << Part(dialog, "percent", TransferStep::Upload)->text();
        midway << QString::number(Part<QProgressBar>(dialog, "bar", TransferStep::Upload)->value()) + "%";
    });

    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Upload (STB --> PC)"));
    QVERIFY(!Button(dialog, QDialogButtonBox::Ok)->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(dialog.Outcome().has_value(), kTransferLimitMs);

    QCOMPARE(*dialog.Outcome(), TransferOutcome::Succeeded);
    QCOMPARE(shown, QStringList({"Test serial port status", "Start uploading", "Parsing user database ..."}));
    QCOMPARE(midway.mid(0, 3), QStringList({"shown/shown", "shown/hidden", "hidden/hidden"}));
    QCOMPARE(midway.size(), 5);
    QCOMPARE(midway[3], midway[4]);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Upload (STB --> PC) (Transfer protocol version: 3.0)"));
    QCOMPARE(Part(dialog, "finished", TransferStep::ParseUserDatabase)->text(), QStringLiteral("Finished"));
    QCOMPARE(Part(dialog, "percent", TransferStep::Upload)->text(), QStringLiteral("100%"));
    QCOMPARE(Part<QProgressBar>(dialog, "bar", TransferStep::Upload)->value(), 100);
    QVERIFY(dialog.findChild<QLabel*>("summary")->text().startsWith("Dumped 524288 bytes in "));
    QCOMPARE(dialog.findChild<QLabel*>("protocol")->text(), QStringLiteral("3.0"));
    const QTreeWidget* chunks = dialog.findChild<QTreeWidget*>("chunks");
    QCOMPARE(chunks->topLevelItemCount(), 4);
    QCOMPARE(chunks->topLevelItem(3)->text(0), QStringLiteral("04FB0100"));
    QCOMPARE(chunks->topLevelItem(3)->text(1), QStringLiteral("user database"));
    QVERIFY(!Button(dialog, QDialogButtonBox::Cancel)->isEnabled());
    QVERIFY(prompts.messages.empty());

    QTest::mouseClick(Button(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(folder.Read("up.bin") == flash);
    QCOMPARE(folder.Names(), Strings({"up.bin"}));
}

void TransferDialogsTest::downloadSendsTheChosenChunks_data()
{
    QTest::addColumn<bool>("defaultChunk");
    QTest::addColumn<bool>("userChunk");
    QTest::addColumn<bool>("verify");
    QTest::addColumn<QString>("lastStepText");
    QTest::addColumn<bool>("backup");
    QTest::newRow("default") << true << false << false << "Download to sdram(Default Database)" << false;
    QTest::newRow("user") << false << true << false << "Download to sdram(User Database)" << false;
    QTest::newRow("both, verified") << true << true << true << "Download to sdram(User Database)" << false;
    QTest::newRow("user, flash backed up") << false << true << false << "Download to sdram(User Database)" << true;
}

void TransferDialogsTest::downloadSendsTheChosenChunks()
{
    QFETCH(bool, defaultChunk);
    QFETCH(bool, userChunk);
    QFETCH(bool, verify);
    QFETCH(QString, lastStepText);
    QFETCH(bool, backup);
    const std::vector<std::uint8_t> flash = Flash(0);
    const std::vector<std::uint8_t> image = Flash(77);
    ScratchFolder folder;
    folder.Write("image.bin", image);
    SimReceiver receiver(flash);
    QVERIFY(receiver.Ready());
    ModalPrompts prompts;
    // With the receiver's backup chosen in the settings its flash goes into the backup folder first.
    const BackupStore backups(folder.Path("backups"), BackupSettings{true, 20, 500, true});
    SetSaveBackups(backup ? &backups : nullptr);
    DownloadDialog dialog(Path(folder, "image.bin"), defaultChunk, userChunk, prompts, receiver.Settings());
    SetSaveBackups(nullptr);
    QCOMPARE(dialog.BackupBox()->isChecked(), backup);
    QVERIFY(!dialog.BackupBox()->isEnabled());
    dialog.Runner().SetPauses(test::QuickPauses());
    QVERIFY(!dialog.VerifyBox()->isChecked());
    dialog.VerifyBox()->setChecked(verify);
    // While the flash is burnt Cancel is disabled, and the dialog says why.
    bool cancelWhileBurning = true;
    QString noteWhileBurning;
    QLabel* note = dialog.findChild<QLabel*>("note");
    connect(&dialog.Runner(), &TransferRunner::StepShown, &dialog, [&](int step, const QString&) {
        if (static_cast<TransferStep>(step) != TransferStep::BurnFlash)
            return;
        cancelWhileBurning = Button(dialog, QDialogButtonBox::Cancel)->isEnabled();
        noteWhileBurning = note->isVisibleTo(&dialog) ? note->text() : QString();
        if (verify && !test::ScreenshotFolder().isEmpty())
            test::SaveScreenshot(dialog, QStringLiteral("download_burning.png"));
    });

    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Download (PC --> STB)"));
    QTRY_VERIFY_WITH_TIMEOUT(dialog.Outcome().has_value(), kTransferLimitMs);

    QCOMPARE(*dialog.Outcome(), TransferOutcome::Succeeded);
    QVERIFY(prompts.messages.empty());
    QCOMPARE(Part(dialog, "step", TransferStep::DownloadToSdram)->text(), lastStepText);
    for (const TransferStep step : {TransferStep::TestPort, TransferStep::CollectInfo, TransferStep::DownloadToSdram,
                                    TransferStep::BurnFlash})
        QVERIFY(IsShown(Part(dialog, "finished", step)));
    QCOMPARE(Part(dialog, "percent", TransferStep::BurnFlash)->text(), QStringLiteral("100%"));
    QCOMPARE(IsShown(Part(dialog, "step", TransferStep::ReadBack)), verify);
    QCOMPARE(IsShown(Part(dialog, "finished", TransferStep::Upload)), backup);
    const std::vector<BackupCopy> copies = BackupStore::List(backups.ReceiverFolder(receiver.Settings().DeviceName()));
    QCOMPARE(copies.size(), std::size_t{backup});
    if (backup)
        QVERIFY(ReadFileBytes(copies[0].path) == flash);
    QVERIFY(!dialog.VerifyBox()->isEnabled());
    QVERIFY(!cancelWhileBurning);
    QCOMPARE(noteWhileBurning, QStringLiteral("Burning cannot be interrupted"));
    QVERIFY(!note->isVisibleTo(&dialog));
    const QString summary = dialog.findChild<QLabel*>("summary")->text();
    QVERIFY2(summary.startsWith(backup ? "Dumped " : "Sent ") && summary.contains("Sent "), qPrintable(summary));
    QCOMPARE(summary.contains("Verified: the user database chunk matches what was sent"), verify);
    QVERIFY(Button(dialog, QDialogButtonBox::Ok)->isEnabled());
    QVERIFY(!Button(dialog, QDialogButtonBox::Cancel)->isEnabled());
    // The close box after success is OK.
    dialog.close();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(receiver.StoppedFlash() == test::AfterDownload(kShape, flash, image, defaultChunk, userChunk));
}

void TransferDialogsTest::cancelMidTransferClosesWithinASecond_data()
{
    QTest::addColumn<bool>("upload");
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("upload, Cancel") << true << false;
    QTest::newRow("download, close box") << false << true;
}

void TransferDialogsTest::cancelMidTransferClosesWithinASecond()
{
    QFETCH(bool, upload);
    QFETCH(bool, closeBox);
    const std::vector<std::uint8_t> flash = Flash(5);
    ScratchFolder folder;
    folder.Write("image.bin", Flash(9));
    // Paced at the line's rate, so that the cancel lands in the middle.
    SimReceiver receiver(flash, 115200);
    QVERIFY(receiver.Ready());
    ModalPrompts prompts;
    std::unique_ptr<TransferDialog> dialog;
    if (upload)
        dialog = std::make_unique<UploadDialog>(Path(folder, "up.bin"), prompts, receiver.Settings());
    else
        dialog = std::make_unique<DownloadDialog>(Path(folder, "image.bin"), true, true, prompts, receiver.Settings());
    dialog->Runner().SetPauses(test::QuickPauses());
    QPushButton* cancel = Button(*dialog, QDialogButtonBox::Cancel);
    QElapsedTimer sinceCancel;
    qint64 finishedAfter = -1;
    bool openAfterCancel = false;
    connect(&dialog->Runner(), &TransferRunner::Finished, dialog.get(), [&] { finishedAfter = sinceCancel.elapsed(); });
    connect(&dialog->Runner(), &TransferRunner::ProgressChanged, dialog.get(), [&](int, int percent, qint64) {
        if (percent < 2 || sinceCancel.isValid())
            return;
        sinceCancel.start();
        if (closeBox)
            dialog->close();
        else
            QTest::mouseClick(cancel, Qt::LeftButton);
        openAfterCancel = dialog->isVisible() && !cancel->isEnabled();
    });

    dialog->show();
    QTRY_VERIFY_WITH_TIMEOUT(sinceCancel.isValid(), kTransferLimitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 5000);
    const qint64 closedAfter = sinceCancel.elapsed();

    QVERIFY(openAfterCancel);
    QVERIFY2(finishedAfter >= 0 && finishedAfter < 1000, qPrintable(QString::number(finishedAfter)));
    QVERIFY2(closedAfter - finishedAfter >= TransferDialog::kCloseDelayMs - 50 && closedAfter - finishedAfter < 1200,
             qPrintable(QString::number(closedAfter - finishedAfter)));
    QCOMPARE(*dialog->Outcome(), TransferOutcome::Cancelled);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(prompts.messages.empty());
    // The port is free again and nothing is left under the user's name.
    QSerialPort port(QString::fromStdString(receiver.Settings().devicePath));
    QVERIFY(port.open(QIODevice::ReadWrite));
    port.close();
    QCOMPARE(folder.Names(), Strings({"image.bin"}));
    if (!upload)
        QVERIFY(receiver.StoppedFlash() == flash);
}

void TransferDialogsTest::failuresEndWithTheirMessage()
{
    ScratchFolder folder;
    // No port: the message shows while the dialog is open, which closes itself half a second after.
    {
        ModalPrompts prompts(300);
        SerialSettings missing;
        missing.devicePath = "/nonexistent/ttyTorvane";
        UploadDialog dialog(Path(folder, "up.bin"), prompts, missing);
        dialog.Runner().SetPauses(test::QuickPauses());
        prompts.watched = &dialog;
        dialog.show();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 5000);
        QCOMPARE(prompts.messages, Strings({"can not open port"}));
        QVERIFY(prompts.watchedStayedOpen);
        QVERIFY(prompts.sinceDismissed.elapsed() >= TransferDialog::kCloseDelayMs - 50);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    const std::vector<std::uint8_t> flash = Flash(1);
    SimReceiver receiver(flash);
    QVERIFY(receiver.Ready());
    // An upload into a folder that isn't there: the warning with its caption, no file anywhere.
    {
        ModalPrompts prompts;
        UploadDialog dialog(Path(folder, "missing/up.bin"), prompts, receiver.Settings());
        dialog.Runner().SetPauses(test::QuickPauses());
        dialog.show();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), kTransferLimitMs);
        QCOMPARE(prompts.messages, Strings({"Warning: Can not open file!"}));
        QCOMPARE(*dialog.Outcome(), TransferOutcome::Failed);
        QVERIFY(folder.Names().empty());
    }
    // A name ending in upper-case "BIN" is refused before anything is sent.
    folder.Write("IMAGE.BIN", Flash(2));
    {
        ModalPrompts prompts;
        DownloadDialog dialog(Path(folder, "IMAGE.BIN"), true, true, prompts, receiver.Settings());
        dialog.Runner().SetPauses(test::QuickPauses());
        dialog.show();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), kTransferLimitMs);
        QCOMPARE(prompts.messages, Strings({"Read Database Fail"}));
        QVERIFY(IsShown(Part(dialog, "finished", TransferStep::CollectInfo)));
        QVERIFY(!IsShown(Part(dialog, "step", TransferStep::DownloadToSdram)));
    }
    QVERIFY(receiver.StoppedFlash() == flash);

    // "Download config" comes first; Cancel or no box checked shows no transfer dialog.
    test::RecordingPrompts chunkPrompts;
    chunkPrompts.chunkAnswers = {std::nullopt, ChunkChoice{false, false}};
    QVERIFY(!RunDownload(nullptr, chunkPrompts, receiver.Settings(), Path(folder, "IMAGE.BIN")));
    QVERIFY(!RunDownload(nullptr, chunkPrompts, receiver.Settings(), Path(folder, "IMAGE.BIN")));
    QCOMPARE(chunkPrompts.chunkQuestions.size(), std::size_t{2});
    QCOMPARE(chunkPrompts.chunkQuestions[0].caption, std::string("Download config"));
    QVERIFY(chunkPrompts.chunkQuestions[0].initial == (ChunkChoice{true, false}));
    QVERIFY(!chunkPrompts.chunkQuestions[0].exclusive);
    QVERIFY(chunkPrompts.messages.empty());
}

void TransferDialogsTest::faultyReceiverEndsExactOrWithItsMessage()
{
    const std::vector<std::uint8_t> flash = Flash(0);
    const std::vector<std::uint8_t> image = Flash(31);
    ScratchFolder folder;
    folder.Write("image.bin", image);
    SimReceiver receiver(flash, 0, test::Faults(101, 0.005, 0.002, 0.01, 0.005, 200));
    QVERIFY(receiver.Ready());

    ModalPrompts uploadPrompts;
    UploadDialog upload(Path(folder, "up.bin"), uploadPrompts, receiver.Settings());
    upload.Runner().SetPauses(test::QuickPauses());
    upload.show();
    QTRY_VERIFY_WITH_TIMEOUT(upload.Outcome().has_value(), kTransferLimitMs);
    if (*upload.Outcome() == TransferOutcome::Succeeded) {
        QVERIFY(folder.Read("up.bin") == flash);
        QVERIFY(uploadPrompts.messages.empty());
    } else {
        QCOMPARE(uploadPrompts.messages.size(), std::size_t{1});
        QCOMPARE(folder.Names(), Strings({"image.bin"}));
        QTRY_VERIFY_WITH_TIMEOUT(!upload.isVisible(), 5000);
    }

    ModalPrompts downloadPrompts;
    DownloadDialog download(Path(folder, "image.bin"), true, true, downloadPrompts, receiver.Settings());
    download.Runner().SetPauses(test::QuickPauses());
    download.show();
    QTRY_VERIFY_WITH_TIMEOUT(download.Outcome().has_value(), kTransferLimitMs);
    const std::vector<std::uint8_t> after = receiver.StoppedFlash();
    const std::vector<std::uint8_t> expected = test::AfterDownload(kShape, flash, image, true, true);
    if (*download.Outcome() == TransferOutcome::Succeeded) {
        QVERIFY(downloadPrompts.messages.empty());
        QVERIFY(after == expected);
    } else {
        const std::vector<std::string> known =
            Strings({"Fail to test port.", "Fail to get version.", "Set address fail", "Download sdram fail.",
                     "Burn flash fail"});
        QCOMPARE(downloadPrompts.messages.size(), std::size_t{1});
        QVERIFY2(std::find(known.begin(), known.end(), downloadPrompts.messages[0]) != known.end(),
                 downloadPrompts.messages[0].c_str());
        QVERIFY(after == flash || after == expected);
    }
}

// With TORVANE_SCREENSHOT_DIR set: both dialogs mid-transfer, as PNGs in that folder.
void TransferDialogsTest::screenshots()
{
    if (test::ScreenshotFolder().isEmpty())
        QSKIP("TORVANE_SCREENSHOT_DIR is not set");
    // A receiver with a larger user database, so that its download is seen under way.
    const auto flash = [](std::uint32_t seed) {
        return test::MakeTestImage({seed, 0x3000, 0x30000}).Build(test::ReceiverLayout::kFileSize);
    };
    const std::filesystem::path images = std::filesystem::temp_directory_path() / "torvane-screenshots";
    std::filesystem::create_directories(images);
    const QString image = QString::fromStdString((images / "demo_v4.bin").string());
    {
        ScratchFolder folder;
        folder.Write("image.bin", flash(12));
        std::filesystem::copy_file(folder.Path("image.bin"), image.toStdString(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    for (const bool upload : {false, true}) {
        SimReceiver receiver(flash(4), 115200);
        QVERIFY(receiver.Ready());
        ModalPrompts prompts;
        std::unique_ptr<TransferDialog> dialog;
        if (upload) {
            dialog = std::make_unique<UploadDialog>("/home/user/backup/receiver.bin", prompts, receiver.Settings());
        } else {
            auto download = std::make_unique<DownloadDialog>(image, true, true, prompts, receiver.Settings());
            download->VerifyBox()->setChecked(true);
            dialog = std::move(download);
        }
        dialog->Runner().SetPauses(test::QuickPauses());
        bool taken = false;
        connect(&dialog->Runner(), &TransferRunner::ProgressChanged, dialog.get(), [&](int, int percent, qint64) {
            const bool userChunk = upload
                || Part(*dialog, "step", TransferStep::DownloadToSdram)->text() == "Download to sdram(User Database)";
            if (percent < 40 || !userChunk || taken)
                return;
            taken = true;
            QVERIFY(test::SaveScreenshot(*dialog, upload ? "upload_dialog.png" : "download_dialog.png"));
            dialog->close();
        });
        dialog->show();
        QTRY_VERIFY_WITH_TIMEOUT(taken, 4 * kTransferLimitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 5000);
    }
    std::filesystem::remove_all(images);
}

} // namespace
} // namespace torvane

QTEST_MAIN(torvane::TransferDialogsTest)
#include "transfer_dialogs_test.moc"
