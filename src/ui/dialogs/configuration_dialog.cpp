#include "ui/dialogs/configuration_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSerialPortInfo>
#include <QVBoxLayout>

namespace torvane {

namespace {

QString FromStd(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "ttyUSB0 - FT232R USB UART (USB 0403:6001)".
QString DeviceText(const QSerialPortInfo& port)
{
    QString text = port.portName();
    if (!port.description().isEmpty())
        text += QStringLiteral(" - ") + port.description();
    if (port.hasVendorIdentifier() && port.hasProductIdentifier())
        text += QStringLiteral(" (USB %1:%2)")
                    .arg(port.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                    .arg(port.productIdentifier(), 4, 16, QLatin1Char('0'));
    return text;
}

// The COM port (1 to 12) a device is, or 0.
int ComPortOf(const QSerialPortInfo& port)
{
    for (int number = 1; number <= ConfigurationForm::kComPortCount; ++number) {
        const QString name = QString::fromStdString(SerialLine::DeviceNameForPort(number));
        if (port.systemLocation() == name || port.portName() == name)
            return number;
    }
    return 0;
}

} // namespace

ConfigurationDialog::ConfigurationDialog(const SerialSettings& settings, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setWindowTitle(FromStd(ConfigurationForm::kCaption));
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);

    m_port = new QComboBox(this);
    m_port->setEditable(true);
    m_port->setInsertPolicy(QComboBox::NoInsert);
    m_port->lineEdit()->setPlaceholderText(tr("COM port or device path"));
    for (const std::string& item : ConfigurationForm::ComPortItems())
        m_port->addItem(QString::fromStdString(item), QString::fromStdString(item));
    AddDevices();
    m_port->setMinimumContentsLength(28);
    auto* portLabel = new QLabel(FromStd(ConfigurationForm::kPortLabel), this);
    portLabel->setBuddy(m_port);
    grid->addWidget(portLabel, 0, 0);
    grid->addWidget(m_port, 0, 1);
    m_device = new QLabel(this);
    m_device->setEnabled(false);
    grid->addWidget(m_device, 1, 1);

    int row = 2;
    for (const ConfigurationForm::FixedList& list : ConfigurationForm::FixedLists()) {
        auto* box = new QComboBox(this);
        for (std::string_view item : list.items)
            box->addItem(FromStd(item));
        box->setCurrentIndex(list.selected);
        box->setEnabled(false);
        auto* label = new QLabel(FromStd(list.label), this);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        ++row;
    }

    m_format = new QComboBox(this);
    for (std::string_view item : ConfigurationForm::kFormatItems)
        m_format->addItem(FromStd(item));
    m_format->setCurrentIndex(settings.transferFormat == 2 ? 1 : 0);
    auto* formatLabel = new QLabel(FromStd(ConfigurationForm::kFormatLabel), this);
    formatLabel->setBuddy(m_format);
    grid->addWidget(formatLabel, row, 0);
    grid->addWidget(m_format, row, 1);
    formatLabel->hide();
    m_format->hide();

    // The stored choice: a listed entry when there is one, else its text in the edit.
    const QString initial =
        QString::fromStdString(ConfigurationForm::InitialText({settings.portNumber, settings.devicePath}));
    const int index = m_port->findData(initial);
    if (index >= 0)
        m_port->setCurrentIndex(index);
    else
        m_port->setEditText(initial);
    connect(m_port, &QComboBox::currentTextChanged, this, &ConfigurationDialog::ShowDevice);
    ShowDevice();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConfigurationDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ConfigurationDialog::AddDevices()
{
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        if (const int number = ComPortOf(port)) {
            // Already listed as its COM port: its description becomes that entry's tip.
            m_port->setItemData(number - 1, DeviceText(port), Qt::ToolTipRole);
            continue;
        }
        m_port->addItem(DeviceText(port), port.systemLocation());
    }
}

ConfigurationForm::PortChoice ConfigurationDialog::CurrentChoice() const
{
    const QString text = m_port->currentText().trimmed();
    const int index = m_port->currentIndex();
    const QString chosen = index >= 0 && text == m_port->itemText(index) ? m_port->itemData(index).toString() : text;
    return ConfigurationForm::Accept(chosen.toStdString(), m_settings.portNumber);
}

void ConfigurationDialog::ShowDevice()
{
    const ConfigurationForm::PortChoice choice = CurrentChoice();
    const std::string device =
        choice.devicePath.empty() ? SerialLine::DeviceNameForPort(choice.portNumber) : choice.devicePath;
    m_device->setText(tr("Device: %1").arg(QString::fromStdString(device)));
}

void ConfigurationDialog::accept()
{
    const ConfigurationForm::PortChoice choice = CurrentChoice();
    m_settings.portNumber = choice.portNumber;
    m_settings.devicePath = choice.devicePath;
    m_settings.transferFormat = m_format->currentIndex() + 1;
    // A store that refuses the choice keeps it for this run only.
    StoreSerialPort(choice.portNumber, choice.devicePath);
    QDialog::accept();
}

} // namespace torvane
