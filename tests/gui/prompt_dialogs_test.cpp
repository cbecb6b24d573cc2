// The small dialogs driven through their widgets, and WidgetPrompts showing the chunk, choice,
// file and message dialogs modally.

#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "demo_document.h"
#include "document/default_database.h"
#include "support/recording_prompts.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/choice_dialog.h"
#include "ui/dialogs/chunk_config_dialog.h"
#include "ui/dialogs/file_dialog.h"
#include "ui/dialogs/find_dialog.h"
#include "ui/dialogs/index_prompt_dialog.h"
#include "ui/dialogs/move_information_dialog.h"
#include "ui/widget_prompts.h"

using namespace torvane;

namespace {

void Type(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

QPushButton* ButtonOf(QWidget& dialog, QDialogButtonBox::StandardButton which)
{
    return dialog.findChild<QDialogButtonBox*>()->button(which);
}

// Runs act on the next modal dialog once it is shown (WidgetPrompts' dialogs block in exec()).
void WhenModal(std::function<void(QWidget&)> act)
{
    QTimer::singleShot(10, [act = std::move(act)] {
        if (QWidget* modal = QApplication::activeModalWidget())
            act(*modal);
        else
            WhenModal(act);
    });
}

QStringList LabelTexts(const QWidget& dialog)
{
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

} // namespace

class PromptDialogsTest final : public QObject {
    Q_OBJECT

private slots:
    void indexPromptDialog();
    void moveInformationDialog();
    void findDialog();
    void chunkConfigDialog();
    void choiceDialog();
    void aboutDialog();
    void fileDialog();
    void widgetPrompts();
};

void PromptDialogsTest::indexPromptDialog()
{
    test::RecordingPrompts prompts;
    const IndexPrompt index{std::string(IndexPrompt::kMoveCaption), 1, true};
    IndexPromptDialog indexDialog(index, prompts, nullptr);
    indexDialog.show();
    test::SaveScreenshot(indexDialog, QStringLiteral("index_prompt_dialog"));
    QCOMPARE(indexDialog.windowTitle(), QStringLiteral("Move Service Information"));
    QVERIFY(LabelTexts(indexDialog).contains(QStringLiteral("Enter another index")));
    QCOMPARE(indexDialog.Edit()->text(), QStringLiteral("1"));
    QCOMPARE(indexDialog.Edit()->cursorPosition(), 0);
    Type(indexDialog.Edit(), QStringLiteral("x3"));
    ButtonOf(indexDialog, QDialogButtonBox::Ok)->click();
    QVERIFY(indexDialog.isVisible() && !indexDialog.Value());
    QCOMPARE(indexDialog.Edit()->selectedText(), QStringLiteral("x3"));
    Type(indexDialog.Edit(), QStringLiteral("-3"));
    ButtonOf(indexDialog, QDialogButtonBox::Ok)->click();
    QCOMPARE(indexDialog.result(), int(QDialog::Accepted));
    QCOMPARE(indexDialog.Value(), std::optional<std::int32_t>(-3));
    QCOMPARE(prompts.messages, (std::vector<std::string>{"Please enter an integer."}));
}

void PromptDialogsTest::moveInformationDialog()
{
    test::RecordingPrompts prompts;
    MoveInformationDialog moveDialog(MoveInformation{}, prompts, nullptr);
    moveDialog.show();
    test::SaveScreenshot(moveDialog, QStringLiteral("move_information_dialog"));
    QCOMPARE(moveDialog.windowTitle(), QStringLiteral("Move Information"));
    QVERIFY(LabelTexts(moveDialog).contains(QStringLiteral("Another order")));
    QCOMPARE(moveDialog.Edit()->text(), QStringLiteral("0"));
    Type(moveDialog.Edit(), QStringLiteral("-1"));
    ButtonOf(moveDialog, QDialogButtonBox::Ok)->click();
    QVERIFY(moveDialog.isVisible());
    Type(moveDialog.Edit(), QStringLiteral("2"));
    ButtonOf(moveDialog, QDialogButtonBox::Ok)->click();
    QCOMPARE(moveDialog.Value(), std::optional<std::uint32_t>(2));
    QCOMPARE(prompts.messages, (std::vector<std::string>{"Please enter a positive integer."}));

    // Cancel answers nothing.
    MoveInformationDialog cancelled(MoveInformation{}, prompts, nullptr);
    cancelled.show();
    ButtonOf(cancelled, QDialogButtonBox::Cancel)->click();
    QCOMPARE(cancelled.result(), int(QDialog::Rejected));
    QVERIFY(!cancelled.Value());
}

void PromptDialogsTest::findDialog()
{
    FindDialog dialog(nullptr);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("FIND"));
    QVERIFY(LabelTexts(dialog).contains(QStringLiteral("Find:")));
    QVERIFY(dialog.TextEdit()->text().isEmpty() && !dialog.PartialBox()->isChecked());
    QCOMPARE(dialog.PartialBox()->text(), QStringLiteral("Partial find"));
    QTest::keyClicks(dialog.TextEdit(), QStringLiteral("news"));
    dialog.PartialBox()->click();
    test::SaveScreenshot(dialog, QStringLiteral("find_dialog"));
    // Enter in the text presses the default button, "Next".
    QTest::keyClick(dialog.TextEdit(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Request().text, std::string("news"));
    QVERIFY(dialog.Request().partial);
}

void PromptDialogsTest::chunkConfigDialog()
{
    ChunkConfigDialog exclusive("Load database config", ChunkChoice{true, false}, true, nullptr);
    exclusive.show();
    test::SaveScreenshot(exclusive, QStringLiteral("chunk_config_dialog"));
    QCOMPARE(exclusive.windowTitle(), QStringLiteral("Load database config"));
    QCOMPARE(exclusive.DefaultBox()->text(), QStringLiteral("Default Chunk"));
    QCOMPARE(exclusive.UserBox()->text(), QStringLiteral("User  Chunk"));
    QCOMPARE(exclusive.Choice(), (ChunkChoice{true, false}));
    // Checking one box unchecks the other; unchecking leaves both unchecked.
    exclusive.UserBox()->click();
    QCOMPARE(exclusive.Choice(), (ChunkChoice{false, true}));
    exclusive.UserBox()->click();
    QCOMPARE(exclusive.Choice(), (ChunkChoice{false, false}));
    exclusive.DefaultBox()->click();
    QCOMPARE(exclusive.Choice(), (ChunkChoice{true, false}));

    ChunkConfigDialog independent("Download config", ChunkChoice{true, false}, false, nullptr);
    independent.UserBox()->click();
    QCOMPARE(independent.Choice(), (ChunkChoice{true, true}));
    independent.DefaultBox()->click();
    QCOMPARE(independent.Choice(), (ChunkChoice{false, true}));
}

void PromptDialogsTest::choiceDialog()
{
    const std::vector<std::string> types = {"ZUV_DVBS_V1", "ZUV_DVBS_V2", "ZUV_DVBS_V4"};
    ChoiceDialog select("Project Select", types, std::nullopt, nullptr);
    select.show();
    test::SaveScreenshot(select, QStringLiteral("project_select_dialog"));
    QCOMPARE(select.windowTitle(), QStringLiteral("Project Select"));
    QCOMPARE(select.Option(2)->text(), QStringLiteral("ZUV_DVBS_V4"));
    QVERIFY(!select.Chosen());
    select.Option(1)->click();
    QCOMPARE(select.Chosen(), std::optional<int>(1));
    select.Option(2)->click();
    QCOMPARE(select.Chosen(), std::optional<int>(2));

    ChoiceDialog operation("Please select operation", {"Merge", "Overwrite"}, 0, nullptr);
    QVERIFY(operation.Option(0)->isChecked() && !operation.Option(1)->isChecked());
}

void PromptDialogsTest::aboutDialog()
{
    AboutDialog about(nullptr);
    about.show();
    test::SaveScreenshot(about, QStringLiteral("about_dialog"));
    QCOMPARE(about.windowTitle(), QStringLiteral("About Torvane"));
    const QStringList lines = LabelTexts(about);
    for (const QString& line : {QStringLiteral("Torvane"), QStringLiteral("Release Date: 22 Aug. 2008"),
                                QStringLiteral("Upgrade Library Version: 3.0.0d")})
        QVERIFY2(lines.contains(line), qPrintable(line));
    QCOMPARE(AboutDialog::Lines().size(), 5);
}

void PromptDialogsTest::fileDialog()
{
    QTemporaryDir folder;
    FileDialog save(FileDialog::Mode::Save, kSaveAsFilter, folder.filePath(QStringLiteral("demo.bin")), QString(),
                    nullptr);
    save.show();
    QCOMPARE(save.directory().absolutePath(), QDir(folder.path()).absolutePath());
    QCOMPARE(save.nameFilters(), QStringList({"Save Bin File(*.bin)", "Default DB File With Order(*.df2)",
                                              "Default DB File(*.ddf)", "TXT File(*.txt)", "CSV File(*.csv)",
                                              "Enigma2 Settings (folder)(*)"}));
    QCOMPARE(save.NameBoxText(), QStringLiteral("demo.bin"));
    QCOMPARE(save.TypeNumber(), 1);

    // Picking a type with the keyboard renames the file from its first "." on.
    auto* types = save.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(types);
    QTest::keyClick(types, Qt::Key_Down);
    QTest::keyClick(types, Qt::Key_Down);
    QCOMPARE(save.NameBoxText(), QStringLiteral("demo.ddf"));
    QCOMPARE(save.TypeNumber(), 3);
    auto* name = save.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    name->setText(QStringLiteral("list.v2.bin"));
    QTest::keyClick(types, Qt::Key_Down);
    QCOMPARE(save.NameBoxText(), QStringLiteral("list.txt"));
    QCOMPARE(save.TypeNumber(), 4);

    // The preset pattern is no file name: Return leaves the dialog open.
    name->setText(QStringLiteral("*.txt"));
    QTest::keyClick(name, Qt::Key_Return);
    QVERIFY(save.isVisible());
    QCOMPARE(save.result(), int(QDialog::Rejected));

    // The preset type follows the default name; without one the box shows the first pattern.
    FileDialog saveDefault(FileDialog::Mode::Save, kSaveDefaultDatabaseAsFilter, QStringLiteral("factory.ddf"),
                           folder.path(), nullptr);
    QCOMPARE(saveDefault.selectedNameFilter(), QStringLiteral("Default DB File(*.ddf)"));
    QCOMPARE(saveDefault.TypeNumber(), 2);
    FileDialog open(FileDialog::Mode::Open, kOpenFileFilter, QString(), folder.path(), nullptr);
    QCOMPARE(open.NameBoxText(), QStringLiteral("*.bin"));
    QCOMPARE(open.fileMode(), QFileDialog::ExistingFile);
}

void PromptDialogsTest::widgetPrompts()
{
    QWidget window;
    WidgetPrompts prompts(&window);
    QString shown;

    WhenModal([&shown](QWidget& box) {
        shown = static_cast<QMessageBox&>(box).text();
        QCOMPARE(static_cast<QMessageBox&>(box).standardButtons(), QMessageBox::Ok);
        static_cast<QMessageBox&>(box).button(QMessageBox::Ok)->click();
    });
    prompts.Message("Save template ok.");
    QCOMPARE(shown, QStringLiteral("Save template ok."));

    const std::string cut = CutSaveText("/x/demo.bin", CutCounts{1094, 9, 1}) + " " + std::string(kCutSaveQuestionEnd);
    for (const auto& [answer, question] : {std::pair{QMessageBox::Yes, std::string("Do you save file?")},
                                           std::pair{QMessageBox::No, cut}}) {
        WhenModal([&shown, answer](QWidget& box) {
            shown = static_cast<QMessageBox&>(box).text();
            if (answer == QMessageBox::No)
                test::SaveScreenshot(box, QStringLiteral("cut_save_question"));
            static_cast<QMessageBox&>(box).button(answer)->click();
        });
        QCOMPARE(prompts.AskYesNo(question), answer == QMessageBox::Yes);
        QCOMPARE(shown, QString::fromStdString(question));
    }
    QCOMPARE(cut, std::string("Saving \"demo.bin\" would leave out 1094 services, 9 TPs and 1 satellites: they do not "
                              "fit. Save without them?"));

    WhenModal([&shown](QWidget& dialog) {
        auto& chunks = static_cast<ChunkConfigDialog&>(dialog);
        shown = chunks.windowTitle();
        chunks.UserBox()->click();
        ButtonOf(chunks, QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(prompts.ChooseChunks("Download config", ChunkChoice{true, false}, false), (ChunkChoice{true, true}));
    QCOMPARE(shown, QStringLiteral("Download config"));
    WhenModal([](QWidget& dialog) { ButtonOf(dialog, QDialogButtonBox::Cancel)->click(); });
    QVERIFY(!prompts.ChooseChunks("Save database config", ChunkChoice{true, false}, false));

    WhenModal([](QWidget& dialog) {
        static_cast<ChoiceDialog&>(dialog).Option(2)->click();
        ButtonOf(dialog, QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(prompts.ChooseOne("Project Select", {"ZUV_DVBS_V1", "ZUV_DVBS_V2", "ZUV_DVBS_V4"}, std::nullopt),
             std::optional<int>(2));
    // OK with nothing chosen is told from Cancel, which "Project Select" ends on.
    WhenModal([](QWidget& dialog) { ButtonOf(dialog, QDialogButtonBox::Ok)->click(); });
    QCOMPARE(prompts.ChooseOne("Project Select", {"ZUV_DVBS_V1"}, std::nullopt), std::optional<int>(-1));
    WhenModal([](QWidget& dialog) { ButtonOf(dialog, QDialogButtonBox::Cancel)->click(); });
    QCOMPARE(prompts.ChooseOne("Project Select", {"ZUV_DVBS_V1"}, std::nullopt), std::optional<int>());

    // A file typed into the save dialog; the next dialog opens in its folder.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("upload.bin"));
    WhenModal([&path](QWidget& dialog) {
        auto& files = static_cast<FileDialog&>(dialog);
        QCOMPARE(files.NameBoxText(), QStringLiteral("*.bin"));
        auto* name = files.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QCOMPARE(prompts.ChooseSaveFile(kUploadFileFilter, ""), std::optional<std::string>(path.toStdString()));
    QCOMPARE(QDir(prompts.Folder()).absolutePath(), QDir(folder.path()).absolutePath());
    WhenModal([&shown](QWidget& dialog) {
        shown = static_cast<FileDialog&>(dialog).directory().absolutePath();
        static_cast<FileDialog&>(dialog).reject();
    });
    QVERIFY(!prompts.ChooseOpenFile("Template File(*.h)"));
    QCOMPARE(shown, QDir(folder.path()).absolutePath());
}

QTEST_MAIN(PromptDialogsTest)
#include "prompt_dialogs_test.moc"
