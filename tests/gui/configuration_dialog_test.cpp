// The "Configuration" dialog: its lists, and the port it stores for the next start.

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "screenshot.h"
#include "settings_sandbox.h"
#include "support/scratch_folder.h"
#include "ui/dialogs/configuration_dialog.h"
#include "ui/transfer/transfer_commands.h"

namespace torvane {
namespace {

void Click(QDialog& dialog, QDialogButtonBox::StandardButton which)
{
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(which), Qt::LeftButton);
}

// Each list other than "COM Port" as "<label>: <shown text> <state>".
QStringList OtherLists(const ConfigurationDialog& dialog)
{
    QStringList lists;
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    for (const QComboBox* box : dialog.findChildren<QComboBox*>()) {
        if (box == dialog.PortList())
            continue;
        QString label;
        for (const QLabel* candidate : labels) {
            if (candidate->buddy() == box && candidate->isVisibleTo(&dialog) == box->isVisibleTo(&dialog))
                label = candidate->text();
        }
        const QString state = !box->isVisibleTo(&dialog) ? "hidden" : box->isEnabled() ? "enabled" : "disabled";
        lists << QStringLiteral("%1: %2 %3").arg(label, box->currentText(), state);
    }
    return lists;
}

class ConfigurationDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void listsAndTheStoredChoice();
    void screenshots();

private:
    test::ScratchFolder m_folder;
};

void ConfigurationDialogTest::initTestCase()
{
    test::KeepSerialSettingsIn(m_folder);
}

void ConfigurationDialogTest::listsAndTheStoredChoice()
{
    SerialSettings settings;
    settings.portNumber = 5;
    ConfigurationDialog dialog(settings);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Configuration"));
    QComboBox* port = dialog.PortList();
    QCOMPARE(port->currentText(), QStringLiteral("COM5"));
    QVERIFY(port->isEditable() && port->isEnabled());
    QStringList items;
    for (int i = 0; i < port->count(); ++i)
        items << port->itemText(i);
    QCOMPARE(items.mid(0, 12), QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9",
                                            "COM10", "COM11", "COM12"}));
    // After them, this machine's other devices by their paths.
    for (int i = 12; i < port->count(); ++i)
        QVERIFY2(port->itemData(i).toString().startsWith('/'), qPrintable(port->itemText(i)));
    QCOMPARE(OtherLists(dialog), QStringList({"Bits Rate: 115200 disabled", "Parity: Even disabled",
                                              "Data Bits: 8 disabled", "Stop Bits: 1 disabled",
                                              "Trans Format: Format 1 hidden"}));

    // COM12 is stored as 12.
    port->setCurrentIndex(11);
    Click(dialog, QDialogButtonBox::Ok);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Settings().portNumber, 12);
    QCOMPARE(LoadSerialSettings().portNumber, 12);
    QCOMPARE(LoadSerialSettings().devicePath, std::string());

    // A typed device path is stored beside the number and shown again next time.
    ConfigurationDialog typed(LoadSerialSettings());
    QCOMPARE(typed.PortList()->currentText(), QStringLiteral("COM12"));
    typed.PortList()->clearEditText();
    QTest::keyClicks(typed.PortList(), "/dev/ttyUSB0");
    Click(typed, QDialogButtonBox::Ok);
    QCOMPARE(typed.Settings().devicePath, std::string("/dev/ttyUSB0"));
    QCOMPARE(LoadSerialSettings().portNumber, 12);
    QCOMPARE(LoadSerialSettings().DeviceName(), std::string("/dev/ttyUSB0"));

    // Cancel changes nothing.
    ConfigurationDialog cancelled(LoadSerialSettings());
    QCOMPARE(cancelled.PortList()->currentText(), QStringLiteral("/dev/ttyUSB0"));
    cancelled.PortList()->setCurrentIndex(2);
    Click(cancelled, QDialogButtonBox::Cancel);
    QCOMPARE(LoadSerialSettings().devicePath, std::string("/dev/ttyUSB0"));

    // The menu command takes the choice into the window's settings: COM3 after the typed path.
    SerialSettings current = LoadSerialSettings();
    current.transferFormat = 2;
    QTimer::singleShot(0, this, [] {
        auto* shown = qobject_cast<ConfigurationDialog*>(QApplication::activeModalWidget());
        QVERIFY(shown != nullptr);
        QCOMPARE(shown->findChildren<QComboBox*>().last()->currentText(), QStringLiteral("Format 2"));
        shown->PortList()->setCurrentIndex(2);
        shown->accept();
    });
    QVERIFY(RunConfiguration(nullptr, current));
    QCOMPARE(current.portNumber, 3);
    QCOMPARE(current.devicePath, std::string());
    QCOMPARE(current.transferFormat, 2);
    QCOMPARE(LoadSerialSettings().portNumber, 3);
}

// With TORVANE_SCREENSHOT_DIR set: the dialog as PNG in that folder.
void ConfigurationDialogTest::screenshots()
{
    if (test::ScreenshotFolder().isEmpty())
        QSKIP("TORVANE_SCREENSHOT_DIR is not set");
    SerialSettings settings;
    settings.portNumber = 3;
    ConfigurationDialog dialog(settings);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(test::SaveScreenshot(dialog, "configuration_dialog.png"));
}

} // namespace
} // namespace torvane

QTEST_MAIN(torvane::ConfigurationDialogTest)
#include "configuration_dialog_test.moc"
