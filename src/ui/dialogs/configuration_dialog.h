#pragma once

#include <QDialog>

#include "editing/forms/configuration_form.h"
#include "link/serial_settings.h"

class QComboBox;
class QLabel;

namespace torvane {

// "Configuration": the serial port to the receiver. "COM Port" lists COM1 to COM12, then the other
// serial devices of this machine with their description and USB ids, and takes a typed device
// path; the line's fixed settings are shown in disabled lists and "Trans Format" is kept hidden.
// OK stores the port number and device path, which the next start reads back.
class ConfigurationDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConfigurationDialog)

public:
    explicit ConfigurationDialog(const SerialSettings& settings, QWidget* parent = nullptr);

    // The settings with the choice made at OK.
    const SerialSettings& Settings() const { return m_settings; }
    QComboBox* PortList() const { return m_port; }

    void accept() override;

private:
    // The port the list stands for now: a listed device's path, a COM port's name, or the typed text.
    ConfigurationForm::PortChoice CurrentChoice() const;
    void AddDevices();
    void ShowDevice();

    SerialSettings m_settings;
    QComboBox* m_port = nullptr;
    QComboBox* m_format = nullptr;
    QLabel* m_device = nullptr;
};

} // namespace torvane
