#include <sstream>

#include <QAbstractItemModelTester>
#include <QTest>
#include <QUndoStack>

#include "document/document.h"
#include "editing/tables/tp_import.h"
#include "editing/tables/tp_import_preview.h"
#include "store/tree_item.h"
#include "support/cli_runner.h"
#include "ui/views/navigator_view.h"
#include "ui/views/service_list_view.h"
#include "window_fixture.h"

// One editing run through the window, keys and menus as a user works, both models checked by
// QAbstractItemModelTester all along: open the demo image, edit, insert, delete several rows,
// move, switch, add a satellite and a TP, undo twice, redo once, save. torvane-cli then reads the
// saved image, which must hold exactly what the run implies.

namespace torvane::test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows CellsOf(const ServiceList& list)
{
    Rows rows;
    for (int row = 0; row < list.RowCount(); ++row)
        rows.push_back(list.Cells(row));
    return rows;
}

// The rows of a torvane-cli listing, without the caption line and the row numbers.
Rows CellsOf(const std::string& listing)
{
    Rows rows;
    std::istringstream lines(listing);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        std::string field;
        std::getline(fields, field, '\t');  // the row number
        while (std::getline(fields, field, '\t'))
            cells.push_back(field);
        rows.push_back(cells);
    }
    return rows;
}

void SelectRows(ServiceListView& list, std::initializer_list<int> rows)
{
    list.selectionModel()->clearSelection();
    for (int row : rows)
        list.selectionModel()->select(list.model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

} // namespace

class EditingRunTest final : public QObject {
    Q_OBJECT

private slots:
    void RunEditsUndoesRedoesAndSaves()
    {
        WindowFixture fixture;
        QVERIFY(fixture.IsReady());
        MainWindow& window = *fixture.window;
        QAbstractItemModelTester treeTester(window.Navigator()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        QAbstractItemModelTester listTester(window.List()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(fixture.OpenDemo());

        Document& document = fixture.Doc();
        TreeItem* satellites = document.Store().Tree().FindRoot(TreeKind::SatelliteRoot);
        // The first TP with at least eight services.
        std::string item;
        for (int s = 0; s < satellites->ChildCount() && item.empty(); ++s) {
            for (int t = 0; t < satellites->Child(s)->ChildCount() && item.empty(); ++t) {
                window.Navigator()->SelectItem(satellites->Child(s)->Child(t));
                if (document.List().RowCount() >= 8)
                    item = satellites->Child(s)->Label() + "/" + std::to_string(t + 1);
            }
        }
        QVERIFY(!item.empty());
        ServiceListView& list = *window.List();
        Rows expected = CellsOf(document.List());
        const int total = DemoImageOptions{}.programs;

        // Edit row 2 with Enter.
        SelectRows(list, {1});
        fixture.dialogs.programSteps.push_back([](ProgramForm& form) {
            form.EditText(ProgramControl::Name, "Edited One");
            return form.Ok();
        });
        QTest::keyClick(&list, Qt::Key_Return);
        expected[1][0] = "Edited One";
        QCOMPARE(window.UndoStack()->undoText(), QStringLiteral("Edit Channel"));
        QVERIFY(window.isWindowModified());

        // Insert before row 1 with the Insert key.
        SelectRows(list, {0});
        fixture.dialogs.programSteps.push_back([](ProgramForm& form) {
            form.EditText(ProgramControl::Name, "Inserted");
            form.EditText(ProgramControl::VideoPid, "100");
            form.EditText(ProgramControl::AudioPid1, "101");
            form.EditText(ProgramControl::PcrPid, "102");
            return form.Ok();
        });
        QTest::keyClick(&list, Qt::Key_Insert);
        QCOMPARE(list.model()->rowCount(), static_cast<int>(expected.size()) + 1);
        const std::vector<std::string> inserted = CellsOf(document.List())[0];
        QCOMPARE(inserted[0], std::string("Inserted"));
        expected.insert(expected.begin(), inserted);

        // Delete rows 4 to 6 with the Delete key.
        SelectRows(list, {3, 4, 5});
        QTest::keyClick(&list, Qt::Key_Delete);
        expected.erase(expected.begin() + 3, expected.begin() + 6);
        QCOMPARE(CellsOf(document.List()), expected);

        // Move row 1 down with keypad +, then switch row 2 with row 5 (Edit → Switch, Ctrl+W).
        SelectRows(list, {0});
        QTest::keyClick(&list, Qt::Key_Plus, Qt::KeypadModifier);
        std::swap(expected[0], expected[1]);
        QCOMPARE(list.selectionModel()->selectedRows().size(), 1);
        QCOMPARE(list.selectionModel()->selectedRows().front().row(), 1);
        fixture.dialogs.indexAnswers.push_back(5);
        QTest::keyClick(&list, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(fixture.dialogs.shown.back(), std::string("Switch Service Information"));
        std::swap(expected[1], expected[4]);
        QCOMPARE(CellsOf(document.List()), expected);

        // Add a satellite and a TP under it through the navigator's menu commands.
        window.Navigator()->SelectItem(satellites);
        fixture.dialogs.satelliteSteps.push_back([](SatelliteForm& form) {
            form.EditText(SatelliteControl::Name, "Testsat");
            return form.Ok();
        });
        window.RunNavigatorCommand(NavigatorCommand::Add);
        QCOMPARE(satellites->ChildCount(), 7);
        window.Navigator()->SelectItem(satellites->Child(6));
        fixture.dialogs.tpSteps.push_back([](TpForm& form) {
            form.EditText(TpControl::Frequency, "11778");
            form.EditText(TpControl::SymbolRate, "27500");
            return form.Ok();
        });
        window.RunNavigatorCommand(NavigatorCommand::Add);
        QCOMPARE(satellites->Child(6)->ChildCount(), 1);
        QCOMPARE(window.Action(WindowCommand::Undo)->text(), QStringLiteral("&Undo Add TP"));

        // Undo twice (Ctrl+Z, Alt+Backspace), redo once (Ctrl+Y).
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(&window, Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(satellites->ChildCount(), 6);
        QCOMPARE(window.Action(WindowCommand::Redo)->text(), QStringLiteral("&Redo Add Satellite"));
        QTest::keyClick(&window, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(satellites->ChildCount(), 7);
        QCOMPARE(satellites->Child(6)->ChildCount(), 0);

        // Save (Ctrl+S) into the user chunk: the document is clean again.
        fixture.prompts.chunkAnswers.push_back(ChunkChoice{false, true});
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fixture.prompts.chunkQuestions.back().caption, std::string("Save database config"));
        QVERIFY(!window.isWindowModified());
        QVERIFY(window.UndoStack()->isClean());
        QVERIFY(fixture.prompts.messages.empty());

        const std::string folder = fixture.Path("");
        const std::vector<std::string> cli = {"--config-dir", folder, "--project-type", "ZUV_DVBS_V4"};
        const auto run = [&](std::vector<std::string> words) {
            words.insert(words.begin(), cli.begin(), cli.end());
            return RunCli(words, folder);
        };
        const CliRun listing = run({"list", fixture.DemoPath(), "--chunk", "user", "--item", item});
        QCOMPARE(listing.status, 0);
        QCOMPARE(CellsOf(listing.out), expected);
        const CliRun info = run({"info", fixture.DemoPath()});
        QVERIFY2(info.out.find("user satellites=7 tps=36 services=" + std::to_string(total + 1 - 3)) != std::string::npos,
                 info.out.c_str());
        const CliRun tree = run({"tree", fixture.DemoPath(), "--chunk", "user"});
        QVERIFY2(tree.out.ends_with("  Testsat\n"), tree.out.c_str());
    }

    // The two table imports of the navigator's menu, each one undo step; a cancelled preview and a
    // table that cannot be read change nothing.
    void ImportsTablesThroughTheNavigator()
    {
        WindowFixture fixture;
        QVERIFY(fixture.IsReady());
        QVERIFY(fixture.OpenDemo());
        MainWindow& window = *fixture.window;
        TreeItem* satellites = fixture.Doc().Store().Tree().FindRoot(TreeKind::SatelliteRoot);
        TreeItem* hotbird = satellites->Child(1);
        const QString table = QStringLiteral("/usr/share/dvb/dvb-s/");

        window.Navigator()->SelectItem(hotbird);
        fixture.prompts.fileAnswers.push_back((table + "Hotbird-13.0E").toStdString());
        window.RunNavigatorCommand(NavigatorCommand::UpdateTpsFromTable);
        QCOMPARE(fixture.dialogs.shown.back(), std::string("Update TPs from Table"));
        QCOMPARE(hotbird->ChildCount(), 6);
        QVERIFY(!window.UndoStack()->canUndo());

        fixture.prompts.fileAnswers.push_back((table + "Hotbird-13.0E").toStdString());
        fixture.dialogs.importSteps.push_back([](TpImportPreview& preview) {
            preview.TickAllOnlyHere();
            return true;
        });
        window.RunNavigatorCommand(NavigatorCommand::UpdateTpsFromTable);
        QCOMPARE(hotbird->ChildCount(), 91);
        QCOMPARE(window.Action(WindowCommand::Undo)->text(), QStringLiteral("&Undo Update TPs from Table"));
        window.Action(WindowCommand::Undo)->trigger();
        QCOMPARE(satellites->Child(1)->ChildCount(), 6);

        const std::string bad = fixture.Path("Bad-1.0E");
        QFile badFile(QString::fromStdString(bad));
        QVERIFY(badFile.open(QIODevice::WriteOnly) && badFile.write("[CHANNEL]\nFREQUENCY = x\n") > 0);
        badFile.close();
        window.Navigator()->SelectItem(satellites);
        fixture.prompts.fileAnswers.push_back(bad);
        window.RunNavigatorCommand(NavigatorCommand::AddSatelliteFromTable);
        QCOMPARE(fixture.prompts.messages, std::vector<std::string>{"Bad-1.0E: line 2: FREQUENCY is no frequency in kHz: \"x\""});

        fixture.prompts.fileAnswers.push_back((table + "Turksat-42.0E").toStdString());
        fixture.dialogs.satelliteSteps.push_back([](SatelliteForm& form) { return form.Ok(); });
        fixture.dialogs.importSteps.push_back([](TpImportPreview&) { return true; });
        window.RunNavigatorCommand(NavigatorCommand::AddSatelliteFromTable);
        QCOMPARE(satellites->ChildCount(), 7);
        QCOMPARE(satellites->Child(6)->Label(), std::string("Turksat"));
        QCOMPARE(satellites->Child(6)->ChildCount(), 102);
        // A Ku-band table: a universal LNB.
        const int turksat = satellites->Child(6)->Info()->slot;
        QCOMPARE(fixture.Doc().Store().ReadNamedNumber(NodeKind::Satellite, turksat, "lnb_low"), std::optional<int>(9750));
        QCOMPARE(fixture.Doc().Store().ReadNamedNumber(NodeKind::Satellite, turksat, "lnb_high"), std::optional<int>(10600));
        QCOMPARE(window.Action(WindowCommand::Undo)->text(), QStringLiteral("&Undo Add Satellite from Table"));
        window.Action(WindowCommand::Undo)->trigger();
        QCOMPARE(satellites->ChildCount(), 6);

        // A satellites.xml of several satellites: the one at the position of the demo's Hotbird is
        // preselected, OK without a choice says why and asks again, Cancel ends.
        const std::optional<int> orbit = SatelliteOrbit(fixture.Doc().Store(), *satellites->Child(1));
        QVERIFY(orbit && *orbit != 1);
        const std::string xml = fixture.Path("satellites.xml");
        QFile xmlFile(QString::fromStdString(xml));
        QVERIFY(xmlFile.open(QIODevice::WriteOnly)
                && xmlFile.write(("<satellites><sat name=\"Other\" position=\"1\"/><sat name=\"Hot Bird\" position=\""
                                  + std::to_string(*orbit) + "\"/></satellites>")
                                     .c_str())
                    > 0);
        xmlFile.close();
        fixture.prompts.messages.clear();
        window.Navigator()->SelectItem(satellites->Child(1));
        fixture.prompts.fileAnswers.push_back(xml);
        fixture.prompts.choiceAnswers = {-1, std::nullopt};
        window.RunNavigatorCommand(NavigatorCommand::UpdateTpsFromTable);
        QCOMPARE(fixture.prompts.choicePresets, (std::vector<std::optional<int>>{1, 1}));
        QCOMPARE(fixture.prompts.messages, std::vector<std::string>{std::string(kNoTableSatelliteMessage)});
        QVERIFY(!window.UndoStack()->canUndo());
    }
};

} // namespace torvane::test

QTEST_MAIN(torvane::test::EditingRunTest)
#include "editing_run_test.moc"
