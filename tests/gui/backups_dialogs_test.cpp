// The backups through the window: a save keeps the file it replaces, File → "Restore from
// Backup…" lists, compares and opens a backup, Save As over the original keeps the original
// first, Setting → "Backups…" writes config.ini; and the two dialogs driven through their widgets.

#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include "document/backup_listing.h"
#include "screenshot.h"
#include "ui/dialogs/backup_settings_dialog.h"
#include "ui/dialogs/restore_backup_dialog.h"
#include "util/file_reader.h"
#include "util/saved_file.h"
#include "window_fixture.h"

using namespace torvane;

class BackupsDialogsTest final : public QObject {
    Q_OBJECT

private slots:
    void saveRestoreAndSettings();
    void dialogs();
};

void BackupsDialogsTest::saveRestoreAndSettings()
{
    test::WindowFixture fixture;
    QVERIFY(fixture.IsReady());
    QVERIFY(fixture.OpenDemo());
    MainWindow& window = *fixture.window;
    const std::string demo = fixture.DemoPath();
    const std::optional<std::vector<std::uint8_t>> original = ReadFileBytes(demo);
    const DatabaseCounts counts = CountDatabase(fixture.Doc());

    window.SortList(SortKey::Name);
    fixture.prompts.chunkAnswers.push_back(ChunkChoice{false, true});
    window.Save();
    QVERIFY(!fixture.Doc().Store().IsModified());
    const std::optional<std::vector<std::uint8_t>> sorted = ReadFileBytes(demo);
    QVERIFY(sorted != original);

    // The backup is listed with its counts; "Compare with current" shows the order that changed,
    // "Open" opens the copy as it is.
    fixture.dialogs.compareIndexes = {0};
    fixture.dialogs.restoreAnswers.push_back(std::size_t{0});
    fixture.prompts.chunkAnswers.push_back(ChunkChoice{false, true});  // the comparison reads the copy
    fixture.prompts.chunkAnswers.push_back(ChunkChoice{false, true});  // and so does Open
    window.RestoreFromBackup();
    QCOMPARE(fixture.dialogs.restoreEntries.size(), std::size_t{1});
    const std::vector<BackupEntry>& entries = fixture.dialogs.restoreEntries[0];
    QCOMPARE(entries.size(), std::size_t{1});
    QVERIFY(entries[0].counts == counts);
    QVERIFY(ReadFileBytes(entries[0].copy.path) == original);
    QCOMPARE(fixture.dialogs.comparisons.size(), std::size_t{1});
    const CompareForm& compare = fixture.dialogs.comparisons[0];
    QCOMPARE(compare.Groups().size(), std::size_t{3});
    QVERIFY(compare.Groups()[0].lines.empty() && compare.Groups()[1].lines.empty());
    QVERIFY(!compare.Groups()[2].lines.empty());
    QCOMPARE(fixture.Doc().ProductImagePath(), entries[0].copy.path);
    QVERIFY(fixture.prompts.messages.empty());

    // Save As over the original keeps the sorted file first; the copy itself stays as it was.
    fixture.prompts.fileAnswers.push_back(demo);
    fixture.prompts.chunkAnswers.push_back(ChunkChoice{false, true});
    window.SaveAs();
    QCOMPARE(fixture.prompts.messages, std::vector<std::string>{});
    const std::vector<BackupCopy> copies = BackupStore::List(SaveBackups()->FolderOf(demo));
    QCOMPARE(copies.size(), std::size_t{2});
    QVERIFY(ReadFileBytes(copies[0].path) == sorted);
    QVERIFY(ReadFileBytes(copies[1].path) == original);

    // Setting → "Backups…": written into config.ini; turned off, saves keep nothing.
    const BackupSettings off{false, 5, 64, true};
    fixture.dialogs.backupSettingsAnswers.push_back(off);
    window.BackupSettingsCommand();
    QVERIFY(window.Config().ReadBackupSettings() == off);
    QCOMPARE(window.Config().ReadProjectTypeFile(), std::optional(ProjectType::ZUV_DVBS_V4));
    QVERIFY(SaveBackups() == nullptr);
}

void BackupsDialogsTest::dialogs()
{
    BackupSettingsDialog settings(BackupSettings{true, 20, 500, false}, "/home/user/.config/Torvane/backups", nullptr);
    QCOMPARE(settings.windowTitle(), QStringLiteral("Backups"));
    QCOMPARE(settings.PerFileBox()->value(), 20);
    QCOMPARE(settings.TotalBox()->value(), 500);
    if (!test::ScreenshotFolder().isEmpty())
        QVERIFY(test::SaveScreenshot(settings, QStringLiteral("backup_settings_dialog.png")));
    settings.PerFileBox()->setValue(0);  // below the least: the box keeps 1
    settings.TotalBox()->setValue(200);
    settings.ReceiverBox()->setChecked(true);
    QVERIFY(settings.Settings() == (BackupSettings{true, 1, 200, true}));
    settings.EnabledBox()->setChecked(false);
    QVERIFY(!settings.PerFileBox()->isEnabled() && !settings.TotalBox()->isEnabled());

    const std::vector<BackupEntry> entries{
        {{"/b/2026-12-08T10-15-30Z-2.bin", "2026-12-08 10:15:30 UTC", 2097152}, DatabaseCounts{6, 36, 358}},
        {{"/b/2026-12-08T10-15-30Z.bin", "2026-12-08 10:15:30 UTC", 2097152}, DatabaseCounts{6, 36, 360}},
        {{"/b/2026-12-07T18-02-11Z.bin", "2026-12-07 18:02:11 UTC", 1048576}, std::nullopt}};
    std::vector<std::size_t> compared;
    RestoreBackupDialog restore("/home/user/lists/demo.bin", entries, [&](std::size_t index) { compared.push_back(index); },
                                nullptr);
    QCOMPARE(restore.windowTitle(), QStringLiteral("Restore from Backup"));
    QTreeWidget* list = restore.Entries();
    QCOMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(list->topLevelItem(1)->text(4), QStringLiteral("360"));
    QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("-"));
    if (!test::ScreenshotFolder().isEmpty()) {
        restore.resize(restore.sizeHint());
        QVERIFY(test::SaveScreenshot(restore, QStringLiteral("restore_backup_dialog.png")));
    }
    list->setCurrentItem(list->topLevelItem(2));
    restore.CompareButton()->click();
    QCOMPARE(compared, std::vector<std::size_t>{2});
    QVERIFY(!restore.Opened());
    list->setCurrentItem(list->topLevelItem(1));
    restore.OpenButton()->click();
    QCOMPARE(restore.Opened(), std::optional<std::size_t>{1});
    QCOMPARE(restore.result(), int(QDialog::Accepted));
}

QTEST_MAIN(BackupsDialogsTest)
#include "backups_dialogs_test.moc"
