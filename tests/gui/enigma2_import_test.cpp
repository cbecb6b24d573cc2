// "Import Enigma2 Settings…" through the window: the folder chosen, the preview with its merge
// tick, one undo step; Save As "Enigma2 Settings (folder)" writes the list as a settings folder.

#include <fstream>
#include <sstream>
#include <string>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QUndoStack>

#include "editing/lists/enigma2_import.h"
#include "editing/session/edit_session.h"
#include "exchange/enigma2_folder.h"
#include "exchange/xml/satellites_xml_reader.h"
#include "screenshot.h"
#include "support/enigma2_examples.h"
#include "ui/dialogs/enigma2_import_dialog.h"
#include "util/file_name.h"
#include "window_fixture.h"

using namespace torvane;

namespace {

void WriteText(const std::string& path, std::string_view text)
{
    std::ofstream(FileNamePath(path), std::ios::binary) << text;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(FileNamePath(path), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The note's example folder with a satellites.xml that names both positions.
std::string WriteExample(const test::WindowFixture& fixture)
{
    const std::string folder = fixture.Path("enigma2");
    QDir().mkpath(QString::fromStdString(folder));
    WriteText(folder + "/lamedb", test::kExampleLamedb);
    WriteText(folder + "/bouquets.tv", test::kExampleBouquetsTv);
    WriteText(folder + "/userbouquet.demo.tv", test::kExampleDemoBouquet);
    WriteText(folder + "/satellites.xml", "<?xml version=\"1.0\"?>\n<satellites>\n"
                                          "<sat name=\"Astra 1KR/1L/1M/1N\" position=\"192\"/>\n"
                                          "<sat name=\"Eutelsat 7 West A\" position=\"-70\"/>\n</satellites>\n");
    return folder;
}

} // namespace

class Enigma2ImportTest final : public QObject {
    Q_OBJECT

private slots:
    void previewImportAndSaveAsFolder();
};

void Enigma2ImportTest::previewImportAndSaveAsFolder()
{
    test::WindowFixture fixture;
    QVERIFY(fixture.IsReady());
    QVERIFY(fixture.OpenDemo());
    MainWindow& window = *fixture.window;
    const std::string folder = WriteExample(fixture);

    // The preview as the window shows it.
    EditSession session(fixture.Doc());
    Enigma2ImportPreview preview(session, ReadE2Folder(FileNamePath(folder), ReadSatellitesXml));
    Enigma2ImportDialog dialog(preview, QString::fromStdString(folder), nullptr);
    dialog.show();
    QTableWidget& table = *dialog.Table();
    QCOMPARE(table.rowCount(), 4);
    const QStringList first = {"add", "Alpha TV", "19.2E", "TP_11836_H_27500", "12003", "Favorite Group 1", ""};
    for (int column = 0; column < table.columnCount(); ++column)
        QCOMPARE(table.item(0, column)->text(), first[column]);
    QCOMPARE(table.item(1, 6)->text(), QStringLiteral("TP skipped (DVB-S2)"));
    const QStringList summary = dialog.SummaryLabel()->text().split(QLatin1Char('\n'));
    QCOMPARE(summary[0], QStringLiteral("services: added 2, updated 0, replaced 0, skipped 0 (type), skipped 2 (TP), "
                                        "refused 0, no room 0"));
    QCOMPARE(summary[1], QStringLiteral("satellite 19.2E \"Astra 1KR/1L/1M/1N\" (new)"));
    test::SaveScreenshot(dialog, QStringLiteral("enigma2_import_dialog.png"));

    // Through the window: one step; a merge then updates what the first import added.
    const int services = static_cast<int>(fixture.Doc().Store().BuildAllServicesList().Size());
    QUndoStack* undo = window.findChild<QUndoStack*>();
    for (bool merge : {false, true}) {
        fixture.dialogs.folderAnswers.push_back(folder);
        fixture.dialogs.enigma2Steps.push_back([merge](Enigma2ImportPreview& shown) {
            shown.SetMerge(merge);
            return shown.Import().Count(merge ? Enigma2ImportAction::Update : Enigma2ImportAction::Add) == 2;
        });
        window.ImportEnigma2();
        QCOMPARE(undo->text(undo->index() - 1), QStringLiteral("Import Enigma2 Settings"));
        QCOMPARE(static_cast<int>(fixture.Doc().Store().BuildAllServicesList().Size()), services + 2);
    }
    QVERIFY(fixture.prompts.messages.empty());
    undo->undo();
    undo->undo();
    QCOMPARE(static_cast<int>(fixture.Doc().Store().BuildAllServicesList().Size()), services);

    // A folder that cannot be used: its reason, no step.
    WriteText(folder + "/lamedb", "eDVB services /4/\n");
    fixture.dialogs.folderAnswers.push_back(folder);
    const int steps = undo->count();
    window.ImportEnigma2();
    QCOMPARE(fixture.prompts.messages.back(), std::string("lamedb line 1: \"transponders\" expected"));
    QCOMPARE(undo->count(), steps);

    // Save As a name without a file type: the settings folder.
    const std::string out = fixture.Path("settings");
    fixture.prompts.fileAnswers.push_back(out);
    window.SaveAs();
    QVERIFY(ReadText(out + "/lamedb").starts_with("eDVB services /4/\ntransponders\n"));
    QVERIFY(ReadText(out + "/bouquets.tv").find("userbouquet.all_services.tv") != std::string::npos);
    QCOMPARE(fixture.Doc().ProductImagePath(), fixture.DemoPath());
}

QTEST_MAIN(Enigma2ImportTest)
#include "enigma2_import_test.moc"
