// The edit dialogs driven through their widgets on the demo image: what they show, the checks and
// messages of OK, Reset, Cancel and the close box, and what OK writes.

#include <memory>
#include <string>
#include <vector>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include "demo_document.h"
#include "editing/session/channel_operations.h"
#include "editing/session/edit_session.h"
#include "editing/session/navigator_commands.h"
#include "editing/tables/tp_import.h"
#include "exchange/tp_table_file.h"
#include "exchange/xml/satellites_xml_reader.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"
#include "ui/dialogs/program_dialog.h"
#include "ui/dialogs/satellite_dialog.h"
#include "ui/dialogs/tp_dialog.h"
#include "ui/dialogs/tp_import_dialog.h"

using namespace torvane;

namespace {

// What a user does to an edit: select everything and type over it (an empty text deletes it).
void Type(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, text);
}

QStringList Items(const QComboBox* list)
{
    QStringList items;
    for (int row = 0; row < list->count(); ++row)
        items << list->itemText(row);
    return items;
}

std::vector<std::string> Texts(std::initializer_list<const char*> texts)
{
    return {texts.begin(), texts.end()};
}

// The edit that has the focus after a refused OK, with its whole text selected.
template <typename Dialog>
bool FocusedWithTextSelected(Dialog& dialog, QLineEdit* edit)
{
    return dialog.isVisible() && dialog.focusWidget() == edit && edit->selectedText() == edit->text();
}

} // namespace

class EditDialogsTest final : public QObject {
    Q_OBJECT

private slots:
    void programDialog();
    void satelliteDialog();
    void tpImportDialog();
    void tpDialog();
};

void EditDialogsTest::programDialog()
{
    test::DemoDocument demo;
    QVERIFY(demo.IsOpen());
    NodeStore& store = demo.Doc().Store();
    ServiceList& list = demo.Doc().List();
    ChannelOperations operations(store, list);
    TreeItem* tp = store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0)->Child(0);
    demo.Doc().SelectItem(tp);
    // The first TV service of the TP.
    int row = 0;
    for (; row < list.RowCount(); ++row) {
        const ListRowInfo* info = list.RowInfo(row);
        if (store.ReadNamedText(NodeKind::Program, info->owner->programs.At(info->position), "Service Type") == "1")
            break;
    }
    QVERIFY(row < list.RowCount());
    list.SelectRow(row);

    std::unique_ptr<ProgramForm> form = operations.BeginEdit();
    QVERIFY(form);
    const int slot = form->Owner().programs.At(form->Position());
    const auto field = [&](const char* name) {
        return QString::fromStdString(store.ReadNamedText(NodeKind::Program, slot, name).value_or("?"));
    };
    const QString name = field("Service Name");
    ProgramDialog dialog(*form, nullptr);
    dialog.show();
    test::SaveScreenshot(dialog, QStringLiteral("program_dialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Program Information"));
    QCOMPARE(dialog.Edit(ProgramControl::Name)->text(), name);
    QCOMPARE(Items(dialog.List(ProgramControl::Type)), QStringList({"TV", "Radio"}));
    QCOMPARE(dialog.List(ProgramControl::Favorite)->count(), 9);
    QCOMPARE(dialog.Button(FormButton::Ok)->text(), QStringLiteral("OK"));
    QVERIFY(dialog.Button(FormButton::Ok)->isDefault());

    // A service id other than 0 disables the five PID edits at once; 0 enables them all.
    const ProgramControl pids[] = {ProgramControl::VideoPid, ProgramControl::AudioPid1, ProgramControl::AudioPid2,
                                   ProgramControl::AudioPid3, ProgramControl::PcrPid};
    Type(dialog.Edit(ProgramControl::ServiceId), QStringLiteral("5"));
    for (ProgramControl pid : pids)
        QVERIFY(!dialog.Edit(pid)->isEnabled());
    Type(dialog.Edit(ProgramControl::ServiceId), QStringLiteral("0"));
    for (ProgramControl pid : pids)
        QVERIFY(dialog.Edit(pid)->isEnabled());

    // A TV service takes video PIDs up to 8190 only; the refused edit gets the focus.
    dialog.List(ProgramControl::Type)->setCurrentIndex(0);
    QLineEdit* video = dialog.Edit(ProgramControl::VideoPid);
    Type(video, QStringLiteral("8191"));
    Type(dialog.Edit(ProgramControl::AudioPid1), QStringLiteral("100"));
    Type(dialog.Edit(ProgramControl::PcrPid), QStringLiteral("100"));
    dialog.Button(FormButton::Ok)->click();
    QVERIFY(FocusedWithTextSelected(dialog, video));

    // "Radio" puts 8191 into "Video Pid" and disables it; audio PID 2 must be 0 or a PID.
    dialog.List(ProgramControl::Type)->setCurrentIndex(1);
    QCOMPARE(video->text(), QStringLiteral("8191"));
    QVERIFY(!video->isEnabled());
    QLineEdit* audio2 = dialog.Edit(ProgramControl::AudioPid2);
    Type(audio2, QStringLiteral("31"));
    dialog.Button(FormButton::Ok)->click();
    QVERIFY(FocusedWithTextSelected(dialog, audio2));

    // A service id wider than its field is refused, not cut; its edit gets the focus.
    QLineEdit* serviceId = dialog.Edit(ProgramControl::ServiceId);
    Type(serviceId, QStringLiteral("65536"));
    dialog.Button(FormButton::Ok)->click();
    QVERIFY(FocusedWithTextSelected(dialog, serviceId));

    // Reset reloads the program; the name edit keeps 17 characters; an empty name is refused.
    dialog.Button(FormButton::Reset)->click();
    QCOMPARE(dialog.Edit(ProgramControl::Name)->text(), name);
    QCOMPARE(audio2->text(), field("Audio Pid2"));
    Type(dialog.Edit(ProgramControl::Name), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    QCOMPARE(dialog.Edit(ProgramControl::Name)->text(), QStringLiteral("ABCDEFGHIJKLMNOPQ"));
    Type(dialog.Edit(ProgramControl::Name), QString());
    dialog.Button(FormButton::Ok)->click();
    QVERIFY(dialog.isVisible());

    Type(dialog.Edit(ProgramControl::Name), QStringLiteral("Renamed"));
    Type(dialog.Edit(ProgramControl::ServiceId), QStringLiteral("0"));
    dialog.List(ProgramControl::Type)->setCurrentIndex(0);
    for (ProgramControl pid : pids)
        Type(dialog.Edit(pid), QStringLiteral("512"));
    Type(audio2, QStringLiteral("0"));
    dialog.List(ProgramControl::Favorite)->setCurrentIndex(3);
    dialog.Button(FormButton::Ok)->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(demo.Prompts().messages, Texts({"Video Pid: [32,  8190]", "Audio Pid2:  0 or [32,  8191]",
                                             "Service ID: [0,  65535]", "Empty channel name!"}));
    QVERIFY(operations.Finish(*form));
    QCOMPARE(field("Service Name"), QStringLiteral("Renamed"));
    QCOMPARE(field("Service Type"), QStringLiteral("1"));
    QCOMPARE(field("Favorite Group"), QStringLiteral("4"));
    QCOMPARE(field("Audio Pid2"), QStringLiteral("0"));
    QCOMPARE(field("PCR Pid"), QStringLiteral("512"));

    // A new service in the radio list: "Radio" and 8191 preset, both disabled. The close box
    // cancels: nothing is written.
    list.SetServiceFilter(ServiceFilter::Radio);
    const int rows = list.RowCount();
    list.SelectRow(0);
    std::unique_ptr<ProgramForm> insert = operations.BeginInsert();
    QVERIFY(insert);
    ProgramDialog insertDialog(*insert, nullptr);
    insertDialog.show();
    QCOMPARE(insertDialog.Edit(ProgramControl::Name)->text(), QStringLiteral("New Channel"));
    QCOMPARE(insertDialog.List(ProgramControl::Type)->currentText(), QStringLiteral("Radio"));
    QVERIFY(!insertDialog.List(ProgramControl::Type)->isEnabled());
    QCOMPARE(insertDialog.Edit(ProgramControl::VideoPid)->text(), QStringLiteral("8191"));
    QVERIFY(!insertDialog.Edit(ProgramControl::VideoPid)->isEnabled());
    QVERIFY(insertDialog.close());
    QCOMPARE(insertDialog.result(), int(QDialog::Rejected));
    QCOMPARE(insert->Outcome(), DialogOutcome::Closed);
    QVERIFY(!operations.Finish(*insert));
    QCOMPARE(list.RowCount(), rows);
    QCOMPARE(demo.Prompts().messages.size(), std::size_t{4});
}

void EditDialogsTest::satelliteDialog()
{
    test::DemoDocument demo;
    QVERIFY(demo.IsOpen());
    NodeStore& store = demo.Doc().Store();
    NavigatorCommands navigator(store);
    TreeItem* root = store.Tree().FindRoot(TreeKind::SatelliteRoot);
    const int satellites = root->ChildCount();

    // An existing satellite as it shows; Cancel leaves it.
    std::unique_ptr<NavigatorDialog> edit = navigator.BeginEdit(root->Child(0));
    QVERIFY(edit && edit->Satellite());
    SatelliteDialog editDialog(*edit->Satellite(), nullptr);
    editDialog.show();
    test::SaveScreenshot(editDialog, QStringLiteral("satellite_dialog"));
    QCOMPARE(editDialog.Edit(SatelliteControl::Name)->text(), QString::fromStdString(root->Child(0)->Label()));
    editDialog.Button(FormButton::Cancel)->click();
    QCOMPARE(edit->Satellite()->Outcome(), DialogOutcome::Cancelled);
    QCOMPARE(navigator.Finish(*edit), nullptr);

    std::unique_ptr<NavigatorDialog> add = navigator.BeginAdd(root);
    QVERIFY(add && add->Satellite());
    SatelliteDialog dialog(*add->Satellite(), nullptr);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Satellite Information"));
    QCOMPARE(dialog.Button(FormButton::Ok)->text(), QStringLiteral("Ok"));
    QStringList shown;
    for (SatelliteControl control : {SatelliteControl::Name, SatelliteControl::Position, SatelliteControl::Longitude})
        shown << dialog.Edit(control)->text();
    for (SatelliteControl control :
         {SatelliteControl::LnbType, SatelliteControl::FirstFrequency, SatelliteControl::EastWest,
          SatelliteControl::Diseqc, SatelliteControl::K22, SatelliteControl::Voltage, SatelliteControl::Toneburst})
        shown << dialog.List(control)->currentText();
    QCOMPARE(shown, QStringList({"New Satellite", "0", "0", "Standard", "5150 MHz", "East", "Disable", "OFF", "0 V",
                                 "OFF"}));
    QComboBox* second = dialog.List(SatelliteControl::SecondFrequency);
    QVERIFY(second->count() == 0 && !second->isEnabled());
    bool hint = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        hint = hint || label->text() == QStringLiteral("###.#");
    QVERIFY(hint);

    // "Universal" fills both frequency lists with its usual pair; "Standard" empties the second.
    dialog.List(SatelliteControl::LnbType)->setCurrentIndex(2);
    QCOMPARE(dialog.List(SatelliteControl::FirstFrequency)->currentText(), QStringLiteral("9750 MHz"));
    QCOMPARE(second->currentText(), QStringLiteral("10600 MHz"));
    QVERIFY(second->isEnabled() && second->count() == 12);
    dialog.List(SatelliteControl::LnbType)->setCurrentIndex(0);
    QVERIFY(second->count() == 0 && !second->isEnabled());
    dialog.List(SatelliteControl::LnbType)->setCurrentIndex(2);

    // A sibling's name with a blank after it, a position of 60, a longitude past 180 or not a
    // number: each refused with its message and the focus on its edit.
    QLineEdit* name = dialog.Edit(SatelliteControl::Name);
    name->setText(QString::fromStdString(root->Child(1)->Label()) + QLatin1Char(' '));
    dialog.Button(FormButton::Ok)->click();
    QVERIFY(FocusedWithTextSelected(dialog, name));
    Type(name, QStringLiteral("Test Sat"));
    QLineEdit* position = dialog.Edit(SatelliteControl::Position);
    Type(position, QStringLiteral("60"));
    dialog.Button(FormButton::Ok)->click();
    QVERIFY(FocusedWithTextSelected(dialog, position));
    Type(position, QStringLiteral("19"));
    QLineEdit* longitude = dialog.Edit(SatelliteControl::Longitude);
    for (const char* text : {"180.1", "east"}) {
        Type(longitude, QString::fromLatin1(text));
        dialog.Button(FormButton::Ok)->click();
        QVERIFY(FocusedWithTextSelected(dialog, longitude));
    }
    Type(longitude, QStringLiteral("30.0"));
    dialog.List(SatelliteControl::EastWest)->setCurrentIndex(1);
    QComboBox* diseqc = dialog.List(SatelliteControl::Diseqc);
    diseqc->setCurrentIndex(diseqc->findText(QStringLiteral("3/8")));
    dialog.Button(FormButton::Ok)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(demo.Prompts().messages,
             Texts({"Satellite name existed!", "Satellite Position: [0,  59]", "Satellite Longitude: [0.0,  180.0]",
                    "Please enter a number."}));

    TreeItem* added = navigator.Finish(*add);
    QVERIFY(added);
    QCOMPARE(root->ChildCount(), satellites + 1);
    QCOMPARE(added->Label(), std::string("Test Sat"));
    std::vector<std::string> fields;
    for (const char* field : {"satname", "lnb_type", "lnb_low", "lnb_high", "position", "sat_orbit", "DiSEqC_type",
                              "DiSEqC_port"})
        fields.push_back(store.ReadNamedText(NodeKind::Satellite, added->Info()->slot, field).value_or("?"));
    QCOMPARE(fields, Texts({"Test Sat", "32", "9750", "10600", "19", "3300", "3", "2"}));
}

void EditDialogsTest::tpDialog()
{
    test::DemoDocument demo;
    QVERIFY(demo.IsOpen());
    NodeStore& store = demo.Doc().Store();
    NavigatorCommands navigator(store);
    TreeItem* satellite = store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0);
    const int tps = satellite->ChildCount();
    const int first = satellite->Child(0)->Info()->slot;
    const auto tpField = [&](int slot, const char* name) {
        return QString::fromStdString(store.ReadNamedText(NodeKind::Tp, slot, name).value_or("?"));
    };

    std::unique_ptr<NavigatorDialog> edit = navigator.BeginEdit(satellite->Child(0));
    QVERIFY(edit && edit->Tp());
    TpDialog editDialog(*edit->Tp(), nullptr);
    editDialog.show();
    test::SaveScreenshot(editDialog, QStringLiteral("tp_dialog"));
    QCOMPARE(editDialog.Edit(TpControl::Frequency)->text(), tpField(first, "frq"));
    editDialog.Button(FormButton::Cancel)->click();
    QCOMPARE(navigator.Finish(*edit), nullptr);

    std::unique_ptr<NavigatorDialog> add = navigator.BeginAdd(satellite);
    QVERIFY(add && add->Tp());
    TpDialog dialog(*add->Tp(), nullptr);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("TP Information"));
    const QString prefix = QStringLiteral("[ %1 ]  ").arg(tps + 1);
    QCOMPARE(dialog.Edit(TpControl::Name)->text(), prefix + QStringLiteral("TP_0_H_0"));
    QVERIFY(!dialog.Edit(TpControl::Name)->isEnabled());
    QCOMPARE(Items(dialog.List(TpControl::Polarization)), QStringList({"Horizontal", "Vertical"}));

    QLineEdit* frequency = dialog.Edit(TpControl::Frequency);
    QLineEdit* symbolRate = dialog.Edit(TpControl::SymbolRate);
    Type(frequency, QStringLiteral("2999"));
    dialog.Button(FormButton::Ok)->click();
    QVERIFY(FocusedWithTextSelected(dialog, frequency));
    Type(frequency, QStringLiteral("13450"));
    Type(symbolRate, QStringLiteral("999"));
    dialog.Button(FormButton::Ok)->click();
    QVERIFY(FocusedWithTextSelected(dialog, symbolRate));

    // The first TP's three values again: the same TP under another number.
    Type(frequency, tpField(first, "frq"));
    Type(symbolRate, tpField(first, "sym"));
    dialog.List(TpControl::Polarization)->setCurrentIndex(tpField(first, "pol").toInt());
    dialog.Button(FormButton::Ok)->click();
    QVERIFY(dialog.isVisible());

    Type(frequency, QStringLiteral("13450"));
    Type(symbolRate, QStringLiteral("45000"));
    dialog.List(TpControl::Polarization)->setCurrentIndex(1);
    dialog.Button(FormButton::Ok)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(demo.Prompts().messages,
             Texts({"Frequency: [3000,  13450]", "Symbol Rate: [1000,  45000]", "TP Setting existed!"}));
    TreeItem* added = navigator.Finish(*add);
    QVERIFY(added);
    QCOMPARE(QString::fromStdString(added->Label()), prefix + QStringLiteral("TP_13450_V_45000"));
    QCOMPARE(tpField(added->Info()->slot, "sym"), QStringLiteral("45000"));
}

// The preview of Hotbird's Debian table for the demo's Hotbird: ticking a TP only here and
// changing the tolerance show in the counts at once; a satellites.xml with circular entries says
// how they are taken.
void EditDialogsTest::tpImportDialog()
{
    test::DemoDocument demo;
    QVERIFY(demo.IsOpen());
    NodeStore& store = demo.Doc().Store();
    TreeItem* hotbird = store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(1);
    const TableReadResult read = ReadTpTableFile("/usr/share/dvb/dvb-s/Hotbird-13.0E", ReadSatellitesXml);
    QVERIFY2(read.Ok(), read.error.c_str());
    EditSession session(demo.Doc());
    TpImportPreview preview = PreviewTpUpdate(session, *hotbird, read.satellites[0]);
    TpImportDialog dialog(preview, QStringLiteral("Update TPs from Table"), QStringLiteral("Hotbird-13.0E: Hotbird (13.0E)"),
                          true, nullptr);
    dialog.show();
    QTableWidget& table = *dialog.Table();
    QCOMPARE(table.rowCount(), static_cast<int>(preview.Rows().size()));
    QCOMPARE(dialog.ToleranceBox()->value(), 2);
    const QString kept5 = QStringLiteral("added 90, updated 1, same 0, kept 5, deleted 0, skipped 4 (DVB-S2), "
                                         "skipped 0 (out of range)");
    QCOMPARE(dialog.SummaryLabel()->text(), kept5);
    int onlyHere = -1;
    for (int row = 0; row < table.rowCount() && onlyHere < 0; ++row) {
        if (table.item(row, 1)->text() == QStringLiteral("only here"))
            onlyHere = row;
        else
            QCOMPARE(table.item(row, 0)->flags() & Qt::ItemIsUserCheckable, Qt::ItemFlags());
    }
    QVERIFY(onlyHere >= 0);
    // By keyboard from the start: the first row is current, Down moves, Space ticks.
    table.setFocus();
    QCOMPARE(table.currentRow(), 0);
    for (int row = 0; row < onlyHere; ++row)
        QTest::keyClick(&table, Qt::Key_Down);
    QCOMPARE(table.currentRow(), onlyHere);
    QTest::keyClick(&table, Qt::Key_Space);
    QCOMPARE(table.item(onlyHere, 0)->checkState(), Qt::Checked);
    QCOMPARE(dialog.SummaryLabel()->text(), QString(kept5).replace("kept 5, deleted 0", "kept 4, deleted 1"));
    test::SaveScreenshot(dialog, QStringLiteral("tp_import_dialog"));
    // The ticked TP is still only here at 0 MHz and keeps its tick; the changed one is only here now.
    dialog.ToleranceBox()->setValue(0);
    QCOMPARE(dialog.SummaryLabel()->text(), QStringLiteral("added 91, updated 0, same 0, kept 5, deleted 1, "
                                                           "skipped 4 (DVB-S2), skipped 0 (out of range)"));
    QCOMPARE(table.item(onlyHere, 0)->checkState(), Qt::Checked);
    QTest::keyClick(&table, Qt::Key_Space);
    QCOMPARE(table.item(onlyHere, 0)->checkState(), Qt::Unchecked);

    TableSatellite circular{"Hispasat", -300, {{11731000, 27500000, TablePolarization::Left, TableSystem::DvbS, 1},
                                               {12092000, 27500000, TablePolarization::Right, TableSystem::DvbS, 2},
                                               {11811000, 29500000, TablePolarization::Horizontal, TableSystem::DvbS2, 3}}};
    TpImportPreview fresh = PreviewNewSatelliteTps(session, circular);
    TpImportDialog added(fresh, QStringLiteral("Add Satellite from Table"), QStringLiteral("satellites.xml: Hispasat (30.0W)"),
                         false, nullptr);
    added.show();
    QVERIFY(!added.ToleranceBox());
    QCOMPARE(added.Table()->item(0, 5)->text(), QStringLiteral("circular left taken as horizontal"));
    QVERIFY(added.findChild<QLabel*>() && added.SummaryLabel()->isVisible());
    test::SaveScreenshot(added, QStringLiteral("satellite_import_dialog"));
}

QTEST_MAIN(EditDialogsTest)
#include "edit_dialogs_test.moc"
