#include <deque>
#include <filesystem>
#include <functional>

#include <QAbstractItemModelTester>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QSignalSpy>
#include <QMenu>
#include <QMimeData>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QUndoStack>

#include "document/document.h"
#include "store/tree_item.h"
#include "ui/dialogs/chunk_config_dialog.h"
#include "ui/models/channel_tree_model.h"
#include "ui/views/navigator_view.h"
#include "ui/views/service_list_view.h"
#include "ui/views/switch_bar.h"
#include "screenshot.h"
#include "util/file_reader.h"
#include "window_fixture.h"

// The main window driven as a user would: menus and their greying, the title, the list's keys,
// the context menus, undo and redo, while both models are checked after every change.

namespace torvane::test {
namespace {

// The texts of a menu's entries ("-" for a separator) and whether each is enabled.
QStringList MenuTexts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text() + (action->isEnabled() ? "" : " (grey)"));
    return texts;
}

TreeItem* Tp(Document& document, int satellite, int tp)
{
    return document.Store().Tree().FindRoot(TreeKind::SatelliteRoot)->Child(satellite)->Child(tp);
}

// Selects a row of the list as a click on it does.
void ClickRow(ServiceListView& list, int row)
{
    list.selectionModel()->select(list.model()->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void SelectRows(ServiceListView& list, std::initializer_list<int> rows)
{
    list.selectionModel()->clearSelection();
    for (int row : rows)
        list.selectionModel()->select(list.model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Runs act on the next modal dialog once it is shown (the window's own prompts block in exec()).
void WhenModal(std::function<void(QWidget&)> act)
{
    QTimer::singleShot(10, [act = std::move(act)] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible())
            act(*modal);
        else
            WhenModal(act);
    });
}

// The labels of the navigator's items its model announced as changed since the last call.
QStringList ChangedLabels(QSignalSpy& spy)
{
    QStringList labels;
    for (const QList<QVariant>& arguments : spy) {
        const QModelIndex first = arguments[0].toModelIndex();
        const QModelIndex last = arguments[1].toModelIndex();
        for (int row = first.row(); row <= last.row(); ++row)
            labels << first.siblingAtRow(row).data().toString();
    }
    spy.clear();
    return labels;
}

} // namespace

class MainWindowTest final : public QObject {
    Q_OBJECT

private slots:
    // The menu bar as the user sees it, and the greying from start to open to close.
    void MenusFollowTheDocument()
    {
        WindowFixture fixture;
        QVERIFY(fixture.IsReady());
        MainWindow& window = *fixture.window;

        QStringList bar;
        for (const QAction* menu : window.menuBar()->actions())
            bar << menu->text();
        QCOMPARE(bar, QStringList({"&File", "&Edit", "&Process", "&Setting", "&Help"}));
        const auto menuOf = [&](int n) { return window.menuBar()->actions()[n]->menu(); };
        QCOMPARE(MenuTexts(*menuOf(0)),
                 QStringList({"&Open...", "-", "&Save (grey)", "Save &As... (grey)", "-", "A&pply Order from... (grey)",
                              "&Import CSV... (grey)", "Import &Enigma2 Settings... (grey)", "Compare &with... (grey)",
                              "&Restore from Backup... (grey)", "-", "&Close (grey)", "-",
                              "Recent &Files (grey)", "-", "E&xit"}));
        // Every entry of a menu has a mnemonic of its own.
        for (const QAction* menu : window.menuBar()->actions()) {
            QStringList letters;
            for (const QAction* action : menu->menu()->actions()) {
                const qsizetype amp = action->text().indexOf(QLatin1Char('&'));
                if (!action->isSeparator())
                    letters << action->text().mid(amp + 1, amp < 0 ? 0 : 1).toLower();
            }
            const QSet<QString> distinct(letters.begin(), letters.end());
            QVERIFY2(!letters.contains(QString()) && distinct.size() == letters.size(),
                     qPrintable(letters.join(QLatin1Char(' '))));
        }
        QCOMPARE(MenuTexts(*menuOf(1)), QStringList({"&Undo (grey)", "&Redo (grey)", "-", "&Find", "S&witch", "-", "S&ort",
                                                     "Set for Se&lected...", "Find &Duplicates", "F&ilter List"}));
        QCOMPARE(MenuTexts(*menuOf(2)), QStringList({"&UpLoad  (STB --> PC)", "&DownLoad  (PC --> STB) (grey)", "-",
                                                     "DownLoad &File (PC --> STB)"}));
        QCOMPARE(MenuTexts(*menuOf(3)), QStringList({"Serial &Port", "&Backups..."}));
        QCOMPARE(MenuTexts(*menuOf(4)), QStringList({"&About Torvane..."}));
        QCOMPARE(window.Action(WindowCommand::Open)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(window.Action(WindowCommand::Save)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(window.Action(WindowCommand::Find)->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
        QCOMPARE(window.Action(WindowCommand::FilterList)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+F")));
        QCOMPARE(window.Action(WindowCommand::Switch)->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
        QCOMPARE(window.Action(WindowCommand::Undo)->shortcuts(),
                 QList<QKeySequence>({QKeySequence(QStringLiteral("Ctrl+Z")), QKeySequence(QStringLiteral("Alt+Backspace"))}));
        QCOMPARE(window.Action(WindowCommand::Redo)->shortcuts(),
                 QList<QKeySequence>({QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
        QVERIFY(window.Action(WindowCommand::ToolbarSave)->isEnabled());
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane[*]"));
        QCOMPARE(window.Switches()->Filter(), ServiceFilter::TvAndRadio);
        QVERIFY(!window.Switches()->isEnabled());

        // A flash image: its user chunk, asked with the default chunk preset, one box at a time.
        QVERIFY(fixture.OpenDemo());
        QCOMPARE(fixture.prompts.questions.front(),
                 std::string("Open Bin File(*.bin)|Default DB File With Order(*.df2)|Default DB File(*.ddf)"));
        QCOMPARE(fixture.prompts.chunkQuestions.size(), std::size_t{1});
        QCOMPARE(fixture.prompts.chunkQuestions[0].caption, std::string("Load database config"));
        QCOMPARE(fixture.prompts.chunkQuestions[0].initial, (ChunkChoice{true, false}));
        QVERIFY(fixture.prompts.chunkQuestions[0].exclusive);
        QVERIFY(window.Switches()->isEnabled());
        for (WindowCommand command : {WindowCommand::Save, WindowCommand::SaveAs, WindowCommand::Close, WindowCommand::Download,
                                      WindowCommand::ApplyOrder, WindowCommand::ImportCsv, WindowCommand::Compare})
            QVERIFY(window.Action(command)->isEnabled());
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane - demo.bin[*]"));
        QVERIFY(!window.isWindowModified());
        QCOMPARE(window.CountsText(), QStringLiteral("6 satellites, 36 TPs, 360 services"));
        QCOMPARE(window.Navigator()->model()->rowCount(), 2);
        QCOMPARE(window.List()->model()->rowCount(), 360);
        QCOMPARE(window.List()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Index"));
        QCOMPARE(window.List()->columnWidth(0), 44);

        // Save As a default database with order, then open that file: Download greys.
        const std::string df2 = fixture.Path("copy.df2");
        fixture.prompts.fileAnswers.push_back(df2);
        window.SaveAs();
        QCOMPARE(fixture.prompts.questions.back(),
                 std::string("Save Bin File(*.bin)|Default DB File With Order(*.df2)|Default DB File(*.ddf)|TXT File(*.txt)|"
                             "CSV File(*.csv)|Enigma2 Settings (folder)(*)"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane - demo.bin[*]"));
        QVERIFY(window.OpenPath(df2));
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane - copy.df2[*]"));
        QVERIFY(window.Action(WindowCommand::Save)->isEnabled());
        QVERIFY(!window.Action(WindowCommand::Download)->isEnabled());
        // The demo's channel order is not grouped by TP, which a .ddf cannot keep: Yes saves it grouped.
        fixture.prompts.fileAnswers.push_back(fixture.Path("other.ddf"));
        fixture.prompts.yesNoAnswers.push_back(true);
        window.SaveAs();
        const std::vector<std::string>& questions = fixture.prompts.questions;
        QCOMPARE(questions[questions.size() - 2],
                 std::string("Default DB File with order(*.df2)|Default DB File(*.ddf)|CSV File(*.csv)|"
                             "Enigma2 Settings (folder)(*)"));
        QVERIFY(fixture.Doc().Misplaced() > 0);
        QCOMPARE(questions.back(), OrderSaveText("other.ddf", fixture.Doc().Misplaced()) + " Save anyway?");
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane - other[*]"));

        // Any other extension does nothing; Close greys again and empties the panes.
        QVERIFY(!window.OpenPath(fixture.Path("notes.txt")));
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane - other[*]"));
        window.CloseFile();
        for (WindowCommand command : {WindowCommand::Save, WindowCommand::SaveAs, WindowCommand::Close, WindowCommand::Download,
                                      WindowCommand::ApplyOrder, WindowCommand::ImportCsv, WindowCommand::Compare})
            QVERIFY(!window.Action(command)->isEnabled());
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane[*]"));
        QVERIFY(!window.Switches()->isEnabled());
        QCOMPARE(window.Navigator()->model()->rowCount(), 0);
        QCOMPARE(window.List()->model()->rowCount(), 0);
        QCOMPARE(window.RecentFilesMenu()->actions().size(), 3);

        // A file dropped on the window opens; so does an entry of Recent Files.
        QMimeData dragged;
        dragged.setUrls({QUrl::fromLocalFile(QString::fromStdString(fixture.DemoPath()))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        fixture.prompts.chunkAnswers.push_back(ChunkChoice{false, true});
        QApplication::sendEvent(&window, &drop);
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane - demo.bin[*]"));
        QCOMPARE(window.RecentFilesMenu()->actions().front()->text(), QStringLiteral("&1 demo.bin"));
        window.RecentFilesMenu()->actions()[1]->trigger();
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane - other.ddf[*]"));
        QVERIFY(!window.Action(WindowCommand::Download)->isEnabled());
        // The image's default chunk: a flash image again, Download enabled.
        QVERIFY(window.OpenPath(fixture.DemoPath(), ChunkChoice{true, false}));
        QVERIFY(window.Action(WindowCommand::Download)->isEnabled());
        QCOMPARE(window.CountsText(), QStringLiteral("6 satellites, 36 TPs, 360 services"));
        QVERIFY(fixture.prompts.messages.empty());
    }

    // The context menus' texts and greying for each kind of tree item and list click.
    void ContextMenus()
    {
        WindowFixture fixture;
        QVERIFY(fixture.OpenDemo());
        MainWindow& window = *fixture.window;
        window.resize(1000, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        NavigatorView& navigator = *window.Navigator();
        navigator.expandAll();

        const auto menuAt = [&](const TreeItem* item) {
            const QModelIndex index = static_cast<const ChannelTreeModel*>(navigator.model())->IndexOf(item);
            navigator.scrollTo(index);
            return navigator.ContextMenuAt(navigator.visualRect(index).topLeft() + QPoint(2, 2));
        };
        const ChannelTree& tree = fixture.Doc().Store().Tree();
        QVERIFY(!menuAt(tree.FindRoot(TreeKind::AllServices)));
        QCOMPARE(MenuTexts(*menuAt(tree.FindRoot(TreeKind::SatelliteRoot))),
                 QStringList({"Edit  (grey)", "-", "Add  Information", "Delete Information (grey)", "-", "Move Up (grey)",
                              "Move Down (grey)", "Move Information (grey)", "-", "Update TPs from Table\u2026 (grey)",
                              "Add Satellite from Table\u2026"}));
        QCOMPARE(MenuTexts(*menuAt(Tp(fixture.Doc(), 0, 0))),
                 QStringList({"Edit ", "-", "Add  Information (grey)", "Delete Information", "-", "Move Up (grey)",
                              "Move Down", "Move Information", "-", "Update TPs from Table\u2026 (grey)",
                              "Add Satellite from Table\u2026 (grey)"}));
        QCOMPARE(navigator.SelectedItem(), Tp(fixture.Doc(), 0, 0));
        QCOMPARE(MenuTexts(*menuAt(tree.FindRoot(TreeKind::SatelliteRoot)->Child(5))),
                 QStringList({"Edit ", "-", "Add  Information", "Delete Information", "-", "Move Up", "Move Down (grey)",
                              "Move Information", "-", "Update TPs from Table\u2026",
                              "Add Satellite from Table\u2026 (grey)"}));
        // Right of the label is no hit.
        const QModelIndex root = navigator.model()->index(1, 0);
        QVERIFY(!navigator.ContextMenuAt(QPoint(navigator.viewport()->width() - 2, navigator.visualRect(root).center().y())));

        // The list of the selected satellite: no Insert; on the first row no Move Up.
        QCOMPARE(fixture.Doc().List().CurrentItem(), tree.FindRoot(TreeKind::SatelliteRoot)->Child(5));
        ClickRow(*window.List(), 0);
        QCOMPARE(MenuTexts(*window.ChannelMenu(true)),
                 QStringList({"Edit Channel          Enter", "-", "Move Up                 - (grey)", "Move Down            +",
                              "Move Channel", "Switch Channel", "-", "Insert Channel       Insert (grey)",
                              "Delete Channel    Delete", "-", "S&ort", "Set for Se&lected...", "Find &Duplicates"}));
        // A TP's list clicked beside the rows: only Insert.
        navigator.SelectItem(Tp(fixture.Doc(), 1, 2));
        QCOMPARE(MenuTexts(*window.ChannelMenu(false)),
                 QStringList({"Edit Channel          Enter (grey)", "-", "Move Up                 - (grey)",
                              "Move Down            + (grey)", "Move Channel (grey)", "Switch Channel (grey)", "-",
                              "Insert Channel       Insert", "Delete Channel    Delete (grey)", "-", "S&ort",
                              "Set for Se&lected...", "Find &Duplicates"}));
        QVERIFY(fixture.prompts.messages.empty());
    }
    // The list's keys on a TP's list, and their undo through the Edit menu's shortcuts.
    void ListKeysAndUndo()
    {
        WindowFixture fixture;
        QVERIFY(fixture.OpenDemo());
        MainWindow& window = *fixture.window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        Document& document = fixture.Doc();
        ServiceListView& list = *window.List();
        const auto names = [&] {
            QStringList texts;
            for (int row = 0; row < document.List().RowCount(); ++row)
                texts << QString::fromStdString(document.List().Cells(row).at(0));
            return texts;
        };
        const auto selected = [&] {
            QList<int> rows;
            for (int row : list.SelectedRows())
                rows << row;
            return rows;
        };

        // "All Services": Insert does nothing.
        window.Navigator()->SelectItem(document.Store().Tree().FindRoot(TreeKind::AllServices));
        ClickRow(list, 0);
        QTest::keyClick(&list, Qt::Key_Insert);
        QVERIFY(fixture.dialogs.shown.empty());

        window.Navigator()->SelectItem(Tp(document, 0, 0));
        const QStringList before = names();
        QVERIFY(before.size() >= 4);
        // Keypad minus moves row 2 up, the selection follows; the plain minus key is no command.
        ClickRow(list, 1);
        QTest::keyClick(&list, Qt::Key_Minus);
        QCOMPARE(names(), before);
        QTest::keyClick(&list, Qt::Key_Minus, Qt::KeypadModifier);
        QStringList moved = before;
        moved.swapItemsAt(0, 1);
        QCOMPARE(names(), moved);
        QCOMPARE(selected(), QList<int>({0}));
        QCOMPARE(window.UndoStack()->undoText(), QStringLiteral("Move Up"));
        QVERIFY(window.isWindowModified());
        // Enter and a double click open the program dialog (cancelled here): nothing changes.
        QTest::keyClick(&list, Qt::Key_Return);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(0, 1)).center());
        QCOMPARE(fixture.dialogs.shown, std::vector<std::string>(2, "Program Information"));
        QCOMPARE(names(), moved);
        // Shift+Delete is the clipboard's; Delete deletes the selected rows.
        SelectRows(list, {1, 2});
        QTest::keyClick(&list, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(names(), moved);
        QTest::keyClick(&list, Qt::Key_Delete);
        QStringList deleted = moved;
        deleted.remove(1, 2);
        QCOMPARE(names(), deleted);
        // Down selects the row below alone.
        SelectRows(list, {0, 1});
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(selected(), QList<int>({1}));
        // Keypad slash finds, F3 finds the next match from the row after it, wrapping to the top.
        const QString target = deleted.back();
        fixture.dialogs.findAnswers.push_back(FindRequest{target.toStdString(), false});
        QTest::keyClick(&list, Qt::Key_Slash, Qt::KeypadModifier);
        QCOMPARE(selected(), QList<int>({static_cast<int>(deleted.size()) - 1}));
        QTest::keyClick(&list, Qt::Key_F3);
        QCOMPARE(selected(), QList<int>({static_cast<int>(deleted.size()) - 1}));

        // Undo the delete and the move (Ctrl+Z twice), redo the move (Ctrl+Shift+Z).
        QCOMPARE(window.Action(WindowCommand::Undo)->text(), QStringLiteral("&Undo Delete Channel"));
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(names(), moved);
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(names(), before);
        QVERIFY(!window.isWindowModified());
        QVERIFY(!window.Action(WindowCommand::Undo)->isEnabled());
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(names(), moved);
        QVERIFY(window.isWindowModified());
        // Saving marks the clean point; undoing past it modifies the document again.
        fixture.prompts.chunkAnswers.push_back(ChunkChoice{false, true});
        window.Save();
        QVERIFY(!window.isWindowModified());
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(names(), before);
        QVERIFY(window.isWindowModified());

        // Rows 1 and 2 dragged before row 5: one step, the two stay selected together.
        SelectRows(list, {0, 1});
        window.MoveSelectedRows(4);
        QStringList dragged = before;
        dragged.move(0, 3);
        dragged.move(0, 3);
        QCOMPARE(names(), dragged);
        QCOMPARE(selected(), QList<int>({2, 3}));
        QCOMPARE(window.UndoStack()->undoText(), QStringLiteral("Move Channels"));
        window.UndoStack()->undo();
        QCOMPARE(names(), before);
        QVERIFY(fixture.prompts.messages.empty());
    }

    // The edits count as unsaved exactly while the document differs from its file, and go only
    // when the document is closed or replaced.
    void EditsStayUntilTheDocumentGoes()
    {
        WindowFixture fixture;
        QVERIFY(fixture.OpenDemo());
        MainWindow& window = *fixture.window;
        Document& document = fixture.Doc();
        window.Navigator()->SelectItem(Tp(document, 0, 0));
        ClickRow(*window.List(), 0);
        window.RunChannelCommand(ChannelCommand::MoveDown);
        window.RunChannelCommand(ChannelCommand::MoveDown);
        window.UndoStack()->undo();
        // Saved while a redo step exists, into the chunk the document came from.
        fixture.prompts.chunkAnswers.push_back(ChunkChoice{false, true});
        window.Save();
        QCOMPARE(fixture.prompts.chunkQuestions.back().initial, (ChunkChoice{false, true}));
        const std::optional<std::vector<std::uint8_t>> saved = ReadFileBytes(fixture.DemoPath());
        const struct {
            bool undo;
            bool modified;
        } walk[] = {{false, true}, {true, false}, {true, true}, {false, false}, {false, true}};
        for (const auto& step : walk) {
            if (step.undo)
                window.UndoStack()->undo();
            else
                window.UndoStack()->redo();
            QCOMPARE(window.isWindowModified(), step.modified);
            QCOMPARE(document.Store().IsModified(), step.modified);
        }

        // A default-database file made with Save As does not become the document.
        fixture.prompts.fileAnswers.push_back(fixture.Path("copy.df2"));
        window.SaveAs();
        QVERIFY(QFileInfo::exists(QString::fromStdString(fixture.Path("copy.df2"))));
        QVERIFY(window.isWindowModified());
        // Open: No to saving, then Cancel in the file dialog: nothing was closed, nothing is lost.
        fixture.prompts.yesNoAnswers.push_back(false);
        fixture.prompts.fileAnswers.push_back(std::nullopt);
        window.Open();
        QVERIFY(window.isWindowModified());
        QVERIFY(document.IsOpen());
        // Closing asks again; No closes without writing.
        fixture.prompts.yesNoAnswers.push_back(false);
        window.CloseFile();
        QVERIFY(!document.IsOpen());
        QCOMPARE(static_cast<int>(std::count(fixture.prompts.questions.begin(), fixture.prompts.questions.end(),
                                             "Do you save file?")),
                 2);
        QVERIFY(ReadFileBytes(fixture.DemoPath()) == saved);
        QVERIFY(fixture.prompts.messages.empty());
    }

    // "Do you save file?" on the real box: Escape, its close box or a reject cancel what asked
    // (Close, Exit, Open, the window's close box), the document stays open and modified; No
    // closes without writing, Yes saves.
    void DismissingTheSaveQuestionKeepsTheDocument()
    {
        WindowFixture fixture;
        QVERIFY(fixture.IsReady());
        MainWindow window(fixture.window->Config(), nullptr, &fixture.dialogs);
        QVERIFY(window.LoadConfiguration());
        window.show();
        const auto edit = [&window, &fixture] {
            QVERIFY(window.OpenPath(fixture.DemoPath(), ChunkChoice{false, true}));
            window.Navigator()->SelectItem(Tp(window.GetDocument(), 0, 0));
            ClickRow(*window.List(), 0);
            window.RunChannelCommand(ChannelCommand::MoveDown);
            QVERIFY(window.isWindowModified());
        };
        edit();
        const std::optional<std::vector<std::uint8_t>> before = ReadFileBytes(fixture.DemoPath());
        QStringList asked;
        // Answers the next question box with answer, noting its text and the buttons shown.
        const auto answerWith = [&asked](std::function<void(QMessageBox&)> answer) {
            WhenModal([&asked, answer](QWidget& modal) {
                auto& box = dynamic_cast<QMessageBox&>(modal);
                QStringList buttons;
                for (const QAbstractButton* button : box.buttons()) {
                    if (!button->isHidden())
                        buttons << button->text();
                }
                buttons.sort();
                asked << box.text() + " " + buttons.join(QLatin1Char(' '));
                answer(box);
            });
        };
        const auto escape = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); };
        const auto closeBox = [](QMessageBox& box) { box.close(); };
        const auto reject = [](QMessageBox& box) { box.reject(); };
        const struct {
            const char* name;
            std::function<void(QMessageBox&)> dismiss;
            std::function<void()> command;
        } cases[] = {
            {"Close, Escape", escape, [&window] { window.CloseFile(); }},
            {"Close, close box", closeBox, [&window] { window.CloseFile(); }},
            {"window's close box, Escape", escape, [&window] { window.close(); }},
            {"Exit, reject", reject, [&window] { window.Action(WindowCommand::Exit)->trigger(); }},
            {"Open, close box", closeBox, [&window] { window.Open(); }},
        };
        for (const auto& step : cases) {
            asked.clear();
            answerWith(step.dismiss);
            step.command();
            QVERIFY2(asked == QStringList({"Do you save file? &No &Yes"}),
                     qPrintable(step.name + (": " + asked.join(", "))));
            QVERIFY2(window.isVisible() && window.GetDocument().IsOpen() && window.isWindowModified(), step.name);
        }
        QVERIFY(ReadFileBytes(fixture.DemoPath()) == before);

        // No closes without writing; Yes saves into the chunk the document came from.
        answerWith([](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
        window.CloseFile();
        QVERIFY(!window.GetDocument().IsOpen());
        QVERIFY(ReadFileBytes(fixture.DemoPath()) == before);
        edit();
        answerWith([](QMessageBox& box) {
            box.button(QMessageBox::Yes)->click();
            WhenModal([](QWidget& chunks) {
                auto& dialog = dynamic_cast<ChunkConfigDialog&>(chunks);
                dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            });
        });
        window.close();
        QVERIFY(!window.isVisible());
        QVERIFY(!window.GetDocument().Store().IsModified());
        QVERIFY(ReadFileBytes(fixture.DemoPath()) != before);
    }

    // A save that would leave records out asks first; No writes nothing and keeps the document,
    // also when it was to be closed.
    void ACutSaveIsAskedFirst()
    {
        WindowFixture fixture(DemoImageOptions{6, 6, 3990}, ProjectType::ZUV_DVBS_V1);
        QVERIFY(fixture.OpenDemo());
        MainWindow& window = *fixture.window;
        const std::optional<std::vector<std::uint8_t>> before = ReadFileBytes(fixture.DemoPath());
        window.Navigator()->SelectItem(Tp(fixture.Doc(), 0, 0));
        ClickRow(*window.List(), 0);
        window.RunChannelCommand(ChannelCommand::MoveDown);
        const std::string question = "Saving \"demo.bin\" would leave out 1094 services, 9 TPs and 1 satellites: they "
                                     "do not fit. Save without them?";

        // No to the cut, asked by Close or by Save: the status bar says that nothing was saved.
        const struct {
            const char* name;
            std::deque<bool> answers;
            std::function<void()> command;
        } refusals[] = {{"Close", {true, false}, [&window] { window.CloseFile(); }},
                        {"Save", {false}, [&window] { window.Save(); }}};
        for (const auto& refusal : refusals) {
            window.statusBar()->clearMessage();
            fixture.prompts.yesNoAnswers = refusal.answers;
            fixture.prompts.chunkAnswers.push_back(ChunkChoice{true, false});
            refusal.command();
            QVERIFY2(fixture.prompts.questions.back() == question, refusal.name);
            QVERIFY2(fixture.Doc().IsOpen() && window.isWindowModified(), refusal.name);
            QVERIFY2(ReadFileBytes(fixture.DemoPath()) == before, refusal.name);
            QVERIFY2(window.statusBar()->currentMessage() == QStringLiteral("Nothing was saved."), refusal.name);
        }
        QVERIFY(fixture.prompts.messages.empty());

        fixture.prompts.yesNoAnswers = {true};
        fixture.prompts.chunkAnswers.push_back(ChunkChoice{true, false});
        window.Save();
        QCOMPARE(fixture.prompts.questions.back(), question);
        QVERIFY(!window.isWindowModified());
        QVERIFY(ReadFileBytes(fixture.DemoPath()) != before);
        QCOMPARE(fixture.prompts.messages,
                 std::vector<std::string>({"GenerateProgInfo : Out of Range\n1094 of 3990 services did not fit."}));
    }

    // A satellite or TP changed through its dialog, or TPs renumbered by a move, show their new
    // labels in the navigator at once.
    void NavigatorLabelsFollowTheirItems()
    {
        WindowFixture fixture;
        QVERIFY(fixture.OpenDemo());
        MainWindow& window = *fixture.window;
        Document& document = fixture.Doc();
        QSignalSpy changed(window.Navigator()->model(), &QAbstractItemModel::dataChanged);
        const auto label = [](const TreeItem* item) { return QString::fromStdString(item->Label()); };
        TreeItem* satellite = document.Store().Tree().FindRoot(TreeKind::SatelliteRoot)->Child(1);

        window.Navigator()->SelectItem(satellite);
        fixture.dialogs.satelliteSteps.push_back([](SatelliteForm& form) {
            form.EditText(SatelliteControl::Name, "Renamed");
            return form.Ok();
        });
        window.RunNavigatorCommand(NavigatorCommand::Edit);
        QCOMPARE(ChangedLabels(changed), QStringList({"Renamed"}));

        window.Navigator()->SelectItem(Tp(document, 1, 0));
        fixture.dialogs.tpSteps.push_back([](TpForm& form) {
            form.EditText(TpControl::Frequency, "12345");
            return form.Ok();
        });
        window.RunNavigatorCommand(NavigatorCommand::Edit);
        QCOMPARE(ChangedLabels(changed), QStringList({label(Tp(document, 1, 0))}));
        QVERIFY(label(Tp(document, 1, 0)).contains(QStringLiteral("12345")));

        window.Navigator()->SelectItem(Tp(document, 1, 1));
        window.RunNavigatorCommand(NavigatorCommand::MoveUp);
        QCOMPARE(ChangedLabels(changed), QStringList({label(Tp(document, 1, 0)), label(Tp(document, 1, 1))}));
        QVERIFY(label(Tp(document, 1, 1)).contains(QStringLiteral("12345")));
    }

    // What the window says when it cannot do what was asked.
    void ErrorPathsSpeak()
    {
        WindowFixture fixture;
        QVERIFY(fixture.IsReady());
        MainWindow& window = *fixture.window;
        if (!ScreenshotFolder().isEmpty()) {
            window.resize(900, 500);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(SaveScreenshot(window, QStringLiteral("main_window_nothing_open.png")));
        }

        // A Recent Files entry whose file is gone is said so and dropped, nothing is asked.
        const std::string gone = fixture.Path("gone.bin");
        std::filesystem::copy_file(fixture.DemoPath(), gone);
        QVERIFY(window.OpenPath(gone, ChunkChoice{false, true}));
        window.CloseFile();
        std::filesystem::remove(gone);
        const qsizetype entries = window.RecentFilesMenu()->actions().size();
        window.RecentFilesMenu()->actions().front()->trigger();
        const std::string goneEntry = QFileInfo(QString::fromStdString(gone)).absoluteFilePath().toStdString();
        QCOMPARE(fixture.prompts.messages,
                 std::vector<std::string>({"\"" + goneEntry + "\" is not found; it is taken off Recent Files."}));
        QCOMPARE(window.RecentFilesMenu()->actions().size(), entries - 1);
        QVERIFY(fixture.prompts.questions.empty());

        // Without a template neither chunk of an image opens, and both say so.
        fixture.Doc().Schema() = NodeSchema();
        for (const ChunkChoice chunk : {ChunkChoice{true, false}, ChunkChoice{false, true}}) {
            fixture.prompts.messages.clear();
            QVERIFY(!window.OpenPath(fixture.DemoPath(), chunk));
            QCOMPARE(fixture.prompts.messages, std::vector<std::string>({"Open Database Failed"}));
        }

        // "Project Select": OK with nothing chosen asks again, Cancel ends the program writing
        // nothing.
        QTemporaryDir empty;
        ProjectConfig config(empty.path().toStdString());
        RecordingPrompts prompts;
        prompts.choiceAnswers = {-1, std::nullopt};
        QSettings().clear();
        MainWindow fresh(config, &prompts, &fixture.dialogs);
        fresh.show();
        QVERIFY(!fresh.LoadConfiguration());
        QCOMPARE(prompts.questions, std::vector<std::string>(2, "Project Select"));
        QVERIFY(!fresh.isVisible());
        QVERIFY(!QFileInfo::exists(QString::fromStdString(config.ConfigIniPath())));
        QVERIFY(QSettings().allKeys().isEmpty());
    }
};

} // namespace torvane::test

QTEST_MAIN(torvane::test::MainWindowTest)
#include "main_window_test.moc"
