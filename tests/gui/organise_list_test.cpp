#include <algorithm>
#include <functional>
#include <iterator>

#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include "document/document.h"
#include "editing/forms/set_for_selected_form.h"
#include "screenshot.h"
#include "store/tree_item.h"
#include "ui/dialogs/set_for_selected_dialog.h"
#include "ui/views/navigator_view.h"
#include "ui/views/service_filter_box.h"
#include "ui/views/service_list_view.h"
#include "window_fixture.h"

// Sorting, "Set for Selected...", "Find Duplicates", the filter box and the keyboard of the list,
// driven through the window's widgets on the demo image.

namespace torvane::test {
namespace {

TreeItem* Tp(Document& document, int satellite, int tp)
{
    return document.Store().Tree().FindRoot(TreeKind::SatelliteRoot)->Child(satellite)->Child(tp);
}

QStringList Names(Document& document)
{
    QStringList names;
    for (int row = 0; row < document.List().RowCount(); ++row)
        names << QString::fromStdString(document.List().Cells(row).at(0));
    return names;
}

QList<int> Selected(const ServiceListView& list)
{
    QList<int> rows;
    for (int row : list.SelectedRows())
        rows << row;
    return rows;
}

QList<int> Shown(const ServiceListView& list)
{
    QList<int> rows;
    for (int row = 0; row < list.model()->rowCount(); ++row) {
        if (!list.isRowHidden(row))
            rows << row;
    }
    return rows;
}

// Presses key on widget and answers the first entry of the popup menu it opened (closed again).
QString PopupFirstEntry(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QString entry;
    QTimer::singleShot(20, [&entry] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            entry = menu->actions().front()->text();
            menu->close();
        }
    });
    QTest::keyClick(widget, key, modifiers);
    return entry;
}

void Rename(Document& document, int row, const QString& name)
{
    const ListRowInfo* info = document.List().RowInfo(row);
    document.Store().WriteNamedIfChanged(NodeKind::Program, info->owner->programs.At(info->position), "Service Name",
                                         name.toStdString());
}

} // namespace

class OrganiseListTest final : public QObject {
    Q_OBJECT

private slots:
    void MenusSortAndSetForSelectedAreOneStepEach()
    {
        WindowFixture fixture;
        QVERIFY(fixture.OpenDemo());
        MainWindow& window = *fixture.window;
        Document& document = fixture.Doc();
        ServiceListView& list = *window.List();

        QMenu* edit = window.menuBar()->actions()[1]->menu();
        QStringList texts;
        for (const QAction* action : edit->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text() + " " + action->shortcut().toString());
        QCOMPARE(texts, QStringList({"&Undo Ctrl+Z", "&Redo Ctrl+Y", "-", "&Find Ctrl+F", "S&witch Ctrl+W", "-", "S&ort ",
                                     "Set for Se&lected... Ctrl+E", "Find &Duplicates Ctrl+D", "F&ilter List Ctrl+Shift+F"}));
        QStringList sortTexts;
        for (const QAction* action : edit->actions()[6]->menu()->actions())
            sortTexts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(sortTexts, QStringList({"By &Name", "By Service &ID", "By &Type (TV before Radio)",
                                         "By T&P (satellite, frequency, polarisation)", "-", "&Descending",
                                         "&Selected Rows Only"}));
        // The context menu holds the same commands after the channel commands.
        window.Navigator()->SelectItem(Tp(document, 0, 1));
        list.SelectRowAlone(0);
        const std::unique_ptr<QMenu> context = window.ChannelMenu(true);
        QCOMPARE(context->actions().size(), 13);
        QCOMPARE(context->actions()[10]->menu(), edit->actions()[6]->menu());
        QCOMPARE(context->actions()[11], window.Action(WindowCommand::SetForSelected));

        // A satellite's names sorted in natural order, then the selected rows only, descending.
        const QString arabsat = QString::fromUtf8("\u0639\u0631\u0628\u0633\u0627\u062A 26E");
        const QString news = QString::fromUtf8("\u0623\u062E\u0628\u0627\u0631 24");
        const QString jazeera = QString::fromUtf8("\u0627\u0644\u062C\u0632\u064A\u0631\u0629");
        const QString channel1 = QString::fromUtf8("\u0642\u0646\u0627\u0629 1");
        const QString channel2 = QString::fromUtf8("\u0642\u0646\u0627\u0629 2");
        const QString channel10 = QString::fromUtf8("\u0642\u0646\u0627\u0629 10");
        const QStringList mixed = {"Radio 10", "radio 2", arabsat, "Radio 9", channel10, "BBC World", channel2, news,
                                   "Sky News", jazeera, "Arte", channel1, "MBC 3", "Radio 100"};
        TreeItem* satellite = document.Store().Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0);
        window.Navigator()->SelectItem(satellite);
        QVERIFY(document.List().RowCount() >= mixed.size());
        for (int row = 0; row < document.List().RowCount(); ++row)
            Rename(document, row, mixed[row % mixed.size()]);
        window.Navigator()->SelectItem(Tp(document, 0, 0));
        window.Navigator()->SelectItem(satellite);
        const QStringList before = Names(document);
        window.Action(WindowCommand::SortByName)->trigger();
        QStringList groups = Names(document);
        groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
        QCOMPARE(groups, QStringList({"Arte", "BBC World", "MBC 3", "radio 2", "Radio 9", "Radio 10", "Radio 100",
                                      "Sky News", news, jazeera, arabsat, channel1, channel2, channel10}));
        QCOMPARE(window.Action(WindowCommand::Undo)->text(), QStringLiteral("&Undo Sort"));
        if (!ScreenshotFolder().isEmpty()) {
            window.resize(1000, 640);
            window.show();
            list.SelectRowAlone(-1);
            // Where the Latin names end and the Arabic ones begin.
            list.scrollTo(list.model()->index(static_cast<int>(Names(document).indexOf(news)), 0),
                          QAbstractItemView::PositionAtCenter);
            QVERIFY(SaveScreenshot(window, QStringLiteral("sorted_list.png")));
        }
        window.UndoStack()->undo();
        QCOMPARE(Names(document), before);
        window.Action(WindowCommand::SortDescending)->setChecked(true);
        window.Action(WindowCommand::SortSelectedOnly)->setChecked(true);
        list.SelectRows({0, 2});
        window.Action(WindowCommand::SortByName)->trigger();
        QCOMPARE(Names(document).mid(0, 3), QStringList({arabsat, "radio 2", "Radio 10"}));
        QCOMPARE(Names(document).mid(3), before.mid(3));
        QCOMPARE(Selected(list), QList<int>({0, 2}));
        QVERIFY(window.isWindowModified());
        window.UndoStack()->undo();
        QCOMPARE(Names(document), before);

        // "Set for Selected..." on three rows: the scripted dialog picks "Favorite Group 3".
        list.SelectRows({0, 1, 3});
        fixture.dialogs.setForSelectedSteps.push_back([](SetForSelectedForm& form) {
            form.Select(SetForSelectedControl::Favorite, 4);
            return form.Ok();
        });
        window.Action(WindowCommand::SetForSelected)->trigger();
        QCOMPARE(fixture.dialogs.shown, std::vector<std::string>{"Set for Selected"});
        for (int row : {0, 1, 3})
            QCOMPARE(QString::fromStdString(document.List().Cells(row).at(8)), QStringLiteral("Favorite Group 3"));
        QVERIFY(document.List().Cells(2).at(8) != "Favorite Group 3");
        QCOMPARE(window.UndoStack()->undoText(), QStringLiteral("Set for Selected"));
        window.UndoStack()->undo();
        QVERIFY(document.List().Cells(0).at(8) != "Favorite Group 3");
        QVERIFY(fixture.prompts.messages.empty());
    }

    void DuplicatesFilterAndKeys()
    {
        WindowFixture fixture;
        QVERIFY(fixture.OpenDemo());
        QVERIFY(fixture.ShowActive());
        MainWindow& window = *fixture.window;
        Document& document = fixture.Doc();
        ServiceListView& list = *window.List();
        ServiceFilterBox& filter = *window.FilterBox();

        // Row 3 repeats row 1 (same service ID on the same TP); Find Duplicates selects it, Delete
        // removes it as one step.
        window.Navigator()->SelectItem(Tp(document, 1, 0));
        const int rows = document.List().RowCount();
        const ListRowInfo* first = document.List().RowInfo(0);
        const ListRowInfo* third = document.List().RowInfo(2);
        const std::string id = *document.Store().ReadNamedText(NodeKind::Program, first->owner->programs.At(first->position), "Service ID");
        document.Store().WriteNamedIfChanged(NodeKind::Program, third->owner->programs.At(third->position), "Service ID", id);
        filter.setText(QStringLiteral("zzz"));
        QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(Selected(list), QList<int>({2}));
        QCOMPARE(filter.text(), QString());
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("1 duplicate service found."));
        QTest::keyClick(&list, Qt::Key_Delete);
        QCOMPARE(document.List().RowCount(), rows - 1);
        window.Action(WindowCommand::FindDuplicates)->trigger();
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("No duplicate services found."));

        // The filter box: Ctrl+Shift+F focuses it, typing hides the other rows, row numbers stay.
        window.Navigator()->SelectItem(document.Store().Tree().FindRoot(TreeKind::AllServices));
        const int all = document.List().RowCount();
        Rename(document, 5, QStringLiteral("Evening ZEBRA"));
        Rename(document, 9, QString::fromUtf8("\u0623\u0631\u0646\u0628 zebra"));
        window.Navigator()->SelectItem(Tp(document, 0, 0));
        window.Navigator()->SelectItem(document.Store().Tree().FindRoot(TreeKind::AllServices));
        const int steps = window.UndoStack()->count();
        QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(filter.hasFocus());
        QTest::keyClicks(&filter, QStringLiteral("Zebra"));
        QCOMPARE(Shown(list), QList<int>({5, 9}));
        QCOMPARE(document.List().RowCount(), all);
        QCOMPARE(list.model()->data(list.model()->index(9, 0)).toString().trimmed(), QStringLiteral("10"));
        filter.setText(QString::fromUtf8("\u0627\u0631\u0646\u0628"));  // without hamza
        QCOMPARE(Shown(list), QList<int>({9}));
        QCOMPARE(filter.layoutDirection(), Qt::RightToLeft);
        filter.setText(QString::fromStdString(*document.Store().ReadNamedText(
            NodeKind::Program, document.List().RowInfo(4)->owner->programs.At(document.List().RowInfo(4)->position), "Service ID")));
        QCOMPARE(Shown(list), QList<int>({4}));
        // The view only: the document is untouched, and an edit keeps the filter applied.
        QCOMPARE(window.UndoStack()->count(), steps);
        filter.setText(QStringLiteral("zebra"));
        QCOMPARE(Shown(list), QList<int>({5, 9}));
        if (!ScreenshotFolder().isEmpty()) {
            list.SelectRowAlone(9);
            QVERIFY(SaveScreenshot(window, QStringLiteral("filtered_list.png")));
        }
        QTest::keyClick(&filter, Qt::Key_Escape);
        QCOMPARE(filter.text(), QString());
        QCOMPARE(Shown(list).size(), all);
        // Find still searches the whole list; a row it finds behind the filter clears the filter.
        filter.setText(QStringLiteral("zebra"));
        list.SelectRowAlone(-1);
        fixture.dialogs.findAnswers.push_back(FindRequest{document.List().Cells(7).at(0), false});
        window.Find();
        QCOMPARE(Selected(list), QList<int>({7}));
        QCOMPARE(filter.text(), QString());

        // The keyboard: with no row selected Down selects the first row, End the last; Down skips
        // the rows the filter hides.
        list.setFocus();
        list.SelectRowAlone(-1);
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(Selected(list), QList<int>({0}));
        list.SelectRowAlone(-1);
        QTest::keyClick(&list, Qt::Key_End);
        QCOMPARE(Selected(list), QList<int>({all - 1}));
        filter.setText(QStringLiteral("zebra"));
        list.SelectRowAlone(5);
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(Selected(list), QList<int>({9}));
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(Selected(list), QList<int>({9}));
        filter.clear();
        // Shift+F10 opens the context menus of the list and of the tree.
        list.setFocus();
        QCOMPARE(PopupFirstEntry(&list, Qt::Key_F10, Qt::ShiftModifier), QStringLiteral("Edit Channel          Enter"));
        window.Navigator()->setFocus();
        window.Navigator()->SelectItem(Tp(document, 0, 0));
        QVERIFY(!PopupFirstEntry(window.Navigator(), Qt::Key_F10, Qt::ShiftModifier).isEmpty());
        QVERIFY(fixture.prompts.messages.empty());
    }

    // With the filter box on, a command on the selection acts on the rows shown only: Ctrl+A,
    // Shift+click and Shift+Down take none of the rows hidden between them, and a row the filter
    // hides leaves the selection.
    void HiddenRowsAreNeverSelected()
    {
        WindowFixture fixture;
        QVERIFY(fixture.OpenDemo());
        QVERIFY(fixture.ShowActive());
        MainWindow& window = *fixture.window;
        Document& document = fixture.Doc();
        ServiceListView& list = *window.List();
        window.Navigator()->SelectItem(Tp(document, 1, 2));
        QCOMPARE(document.List().RowCount(), 10);
        Rename(document, 1, QStringLiteral("Dup C"));
        Rename(document, 4, QStringLiteral("dup A"));
        Rename(document, 7, QStringLiteral("DUP B"));
        window.Navigator()->SelectItem(Tp(document, 1, 1));
        window.Navigator()->SelectItem(Tp(document, 1, 2));
        const auto cells = [&document] {
            std::vector<std::vector<std::string>> rows;
            for (int row = 0; row < document.List().RowCount(); ++row)
                rows.push_back(document.List().Cells(row));
            return rows;
        };
        const auto isDup = [](const std::vector<std::string>& row) {
            return QString::fromStdString(row.at(0)).startsWith(QStringLiteral("dup"), Qt::CaseInsensitive);
        };
        // The rows the filter hides, in order, and the shown ones as "row:name" ("*" after the
        // name when in "Favorite Group 3").
        const auto hidden = [&](const std::vector<std::vector<std::string>>& rows) {
            std::vector<std::vector<std::string>> kept;
            std::copy_if(rows.begin(), rows.end(), std::back_inserter(kept),
                         [&](const auto& row) { return !isDup(row); });
            return kept;
        };
        const auto shown = [&](const std::vector<std::vector<std::string>>& rows) {
            QStringList texts;
            for (std::size_t row = 0; row < rows.size(); ++row) {
                if (isDup(rows[row]))
                    texts << QStringLiteral("%1:%2%3").arg(row).arg(QString::fromStdString(rows[row].at(0)),
                                                                   rows[row].at(8) == "Favorite Group 3" ? "*" : "");
            }
            return texts;
        };
        const auto click = [&list](int row, Qt::KeyboardModifiers modifiers) {
            QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers,
                              list.visualRect(list.model()->index(row, 1)).center());
        };
        const std::vector<std::vector<std::string>> before = cells();
        for (const auto& row : before)
            QVERIFY(row.at(8) != "Favorite Group 3");
        fixture.dialogs.setForSelectedSteps.push_back([](SetForSelectedForm& form) {
            form.Select(SetForSelectedControl::Favorite, 4);
            return form.Ok();
        });
        window.Action(WindowCommand::SortSelectedOnly)->setChecked(true);
        QTest::keyClicks(window.FilterBox(), QStringLiteral("dup"));
        QCOMPARE(Shown(list), QList<int>({1, 4, 7}));

        const auto ctrlA = [&list] { QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier); };
        const auto shiftClick = [&click] {
            click(1, Qt::NoModifier);
            click(7, Qt::ShiftModifier);
        };
        const auto shiftDown = [&click, &list] {
            click(1, Qt::NoModifier);
            QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
            QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
        };
        const struct {
            const char* name;
            std::function<void()> select;
            std::function<void()> command;
            QStringList shownAfter;
        } cases[] = {
            {"Ctrl+A, Delete", ctrlA, [&list] { QTest::keyClick(&list, Qt::Key_Delete); }, {}},
            {"Shift+click, Delete", shiftClick, [&list] { QTest::keyClick(&list, Qt::Key_Delete); }, {}},
            {"Ctrl+A, Set for Selected", ctrlA, [&window] { QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier); },
             {"1:Dup C*", "4:dup A*", "7:DUP B*"}},
            {"Shift+Down, Sort selected", shiftDown, [&window] { window.Action(WindowCommand::SortByName)->trigger(); },
             {"1:dup A", "4:DUP B", "7:Dup C"}},
            {"Ctrl+A, drop at the end", ctrlA, [&window] { window.MoveSelectedRows(10); },
             {"7:Dup C", "8:dup A", "9:DUP B"}},
            {"Ctrl+A, Move Down", ctrlA, [&window] { window.RunChannelCommand(ChannelCommand::MoveDown); },
             {"2:Dup C", "4:dup A", "7:DUP B"}},
        };
        for (const auto& step : cases) {
            list.setFocus();
            list.SelectRowAlone(-1);
            step.select();
            QVERIFY2(Selected(list) == QList<int>({1, 4, 7}), step.name);
            step.command();
            const std::vector<std::vector<std::string>> after = cells();
            QVERIFY2(hidden(after) == hidden(before), step.name);
            QVERIFY2(shown(after) == step.shownAfter, qPrintable(QString(step.name) + ": " + shown(after).join(", ")));
            // The filter stays: no command leaves the list's selection on a hidden row.
            QVERIFY2(window.FilterBox()->text() == QStringLiteral("dup"), step.name);
            window.UndoStack()->undo();
            QVERIFY2(cells() == before, step.name);
        }

        // A selection made before the filter or under it holds no hidden row once the filter goes.
        ctrlA();
        window.FilterBox()->clear();
        QCOMPARE(Selected(list), QList<int>({1, 4, 7}));
        ctrlA();
        QTest::keyClicks(window.FilterBox(), QStringLiteral("dup"));
        window.FilterBox()->clear();
        QCOMPARE(Selected(list), QList<int>({1, 4, 7}));
        QVERIFY(fixture.prompts.messages.empty());
    }

    // The dialog through its widgets: every list starts "unchanged"; OK with a picked value.
    void SetForSelectedDialogWidgets()
    {
        WindowFixture fixture;
        QVERIFY(fixture.OpenDemo());
        Document& document = fixture.Doc();
        fixture.window->Navigator()->SelectItem(Tp(document, 2, 2));
        SetForSelectedForm form(document.Store(), document.List(), {0, 1, 2});
        SetForSelectedDialog dialog(form, nullptr);
        const auto lists = dialog.findChildren<QComboBox*>();
        QCOMPARE(lists.size(), 4);
        for (QComboBox* combo : lists)
            QCOMPARE(combo->currentText(), QStringLiteral("unchanged"));
        dialog.List(SetForSelectedControl::Scramble)->setCurrentIndex(2);
        QCOMPARE(form.Selection(SetForSelectedControl::Scramble), 2);
        if (!ScreenshotFolder().isEmpty()) {
            dialog.show();
            QVERIFY(SaveScreenshot(dialog, QStringLiteral("set_for_selected_dialog.png")));
        }
        dialog.Button(FormButton::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(form.Commit());
        for (int row = 0; row < 3; ++row)
            QCOMPARE(QString::fromStdString(document.List().Cells(row).at(9)), QStringLiteral("Yes"));
    }
};

} // namespace torvane::test

QTEST_MAIN(torvane::test::OrganiseListTest)
#include "organise_list_test.moc"
