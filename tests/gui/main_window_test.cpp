#include <QAbstractItemModelTester>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTest>
#include <QUndoStack>

#include "document/document.h"
#include "store/tree_item.h"
#include "ui/models/channel_tree_model.h"
#include "ui/views/navigator_view.h"
#include "ui/views/service_list_view.h"
#include "ui/views/switch_bar.h"
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
        QCOMPARE(MenuTexts(*menuOf(0)), QStringList({"&Open...", "-", "&Save (grey)", "Save &As... (grey)", "-",
                                                     "&Close (grey)", "-", "Recent &Files (grey)", "-", "E&xit"}));
        QCOMPARE(MenuTexts(*menuOf(1)), QStringList({"&Undo (grey)", "&Redo (grey)", "-", "&Find", "S&witch"}));
        QCOMPARE(MenuTexts(*menuOf(2)), QStringList({"&UpLoad  (STB --> PC)", "&DownLoad  (PC --> STB) (grey)", "-",
                                                     "DownLoad &File (PC --> STB)"}));
        QCOMPARE(MenuTexts(*menuOf(3)), QStringList({"Serial &Port"}));
        QCOMPARE(MenuTexts(*menuOf(4)), QStringList({"&About Torvane..."}));
        QCOMPARE(window.Action(WindowCommand::Open)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(window.Action(WindowCommand::Save)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(window.Action(WindowCommand::Find)->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
        QCOMPARE(window.Action(WindowCommand::Switch)->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
        QCOMPARE(window.Action(WindowCommand::Undo)->shortcuts(),
                 QList<QKeySequence>({QKeySequence(QStringLiteral("Ctrl+Z")), QKeySequence(QStringLiteral("Alt+Backspace"))}));
        QCOMPARE(window.Action(WindowCommand::Redo)->shortcuts(),
                 QList<QKeySequence>({QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
        QVERIFY(window.Action(WindowCommand::ToolbarSave)->isEnabled());
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane[*]"));
        QCOMPARE(window.Switches()->Filter(), ServiceFilter::TvAndRadio);

        // A flash image: its user chunk, asked with the default chunk preset, one box at a time.
        QVERIFY(fixture.OpenDemo());
        QCOMPARE(fixture.prompts.chunkQuestions.size(), std::size_t{1});
        QCOMPARE(fixture.prompts.chunkQuestions[0].caption, std::string("Load database config"));
        QCOMPARE(fixture.prompts.chunkQuestions[0].initial, (ChunkChoice{true, false}));
        QVERIFY(fixture.prompts.chunkQuestions[0].exclusive);
        for (WindowCommand command : {WindowCommand::Save, WindowCommand::SaveAs, WindowCommand::Close, WindowCommand::Download})
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
        fixture.dialogs.saveFileAnswers.push_back(df2);
        window.SaveAs();
        QCOMPARE(fixture.dialogs.shown.back(),
                 std::string("Save Bin File(*.bin)|Default DB File With Order(*.df2)|Default DB File(*.ddf)|TXT File(*.txt)"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane - demo.bin[*]"));
        QVERIFY(window.OpenPath(df2));
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane - copy.df2[*]"));
        QVERIFY(window.Action(WindowCommand::Save)->isEnabled());
        QVERIFY(!window.Action(WindowCommand::Download)->isEnabled());
        fixture.dialogs.saveFileAnswers.push_back(fixture.Path("other.ddf"));
        window.SaveAs();
        QCOMPARE(fixture.dialogs.shown.back(), std::string("Default DB File with order(*.df2)|Default DB File(*.ddf)|"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane - other[*]"));

        // Any other extension does nothing; Close greys again and empties the panes.
        QVERIFY(!window.OpenPath(fixture.Path("notes.txt")));
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane - other[*]"));
        window.CloseFile();
        for (WindowCommand command : {WindowCommand::Save, WindowCommand::SaveAs, WindowCommand::Close, WindowCommand::Download})
            QVERIFY(!window.Action(command)->isEnabled());
        QCOMPARE(window.windowTitle(), QStringLiteral("Torvane[*]"));
        QCOMPARE(window.Navigator()->model()->rowCount(), 0);
        QCOMPARE(window.List()->model()->rowCount(), 0);
        QCOMPARE(window.RecentFilesMenu()->actions().size(), 3);
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
                              "Move Down (grey)", "Move Information (grey)"}));
        QCOMPARE(MenuTexts(*menuAt(Tp(fixture.Doc(), 0, 0))),
                 QStringList({"Edit ", "-", "Add  Information (grey)", "Delete Information", "-", "Move Up (grey)",
                              "Move Down", "Move Information"}));
        QCOMPARE(navigator.SelectedItem(), Tp(fixture.Doc(), 0, 0));
        QCOMPARE(MenuTexts(*menuAt(tree.FindRoot(TreeKind::SatelliteRoot)->Child(5))),
                 QStringList({"Edit ", "-", "Add  Information", "Delete Information", "-", "Move Up", "Move Down (grey)",
                              "Move Information"}));
        // Right of the label is no hit.
        const QModelIndex root = navigator.model()->index(1, 0);
        QVERIFY(!navigator.ContextMenuAt(QPoint(navigator.viewport()->width() - 2, navigator.visualRect(root).center().y())));

        // The list of the selected satellite: no Insert; on the first row no Move Up.
        QCOMPARE(fixture.Doc().Store().CurrentItem(), tree.FindRoot(TreeKind::SatelliteRoot)->Child(5));
        ClickRow(*window.List(), 0);
        QCOMPARE(MenuTexts(*window.ChannelMenu(true)),
                 QStringList({"Edit Channel          Enter", "-", "Move Up                 - (grey)", "Move Down            +",
                              "Move Channel", "Switch Channel", "-", "Insert Channel       Insert (grey)",
                              "Delete Channel    Delete"}));
        // A TP's list clicked beside the rows: only Insert.
        navigator.SelectItem(Tp(fixture.Doc(), 1, 2));
        QCOMPARE(MenuTexts(*window.ChannelMenu(false)),
                 QStringList({"Edit Channel          Enter (grey)", "-", "Move Up                 - (grey)",
                              "Move Down            + (grey)", "Move Channel (grey)", "Switch Channel (grey)", "-",
                              "Insert Channel       Insert", "Delete Channel    Delete (grey)"}));
        QVERIFY(fixture.prompts.messages.empty());
    }
};

} // namespace torvane::test

QTEST_MAIN(torvane::test::MainWindowTest)
#include "main_window_test.moc"
