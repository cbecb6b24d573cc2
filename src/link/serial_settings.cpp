#include "link/serial_settings.h"

#include <QSettings>

namespace torvane {

LineSettings SerialSettings::Line() const
{
    LineSettings line;
    line.baudRate = bitRate;
    line.parity = parityCode;
    line.stopBits = stopBitCode;
    return line;
}

std::string SerialSettings::DeviceName() const
{
    return devicePath.empty() ? SerialLine::DeviceNameForPort(portNumber) : devicePath;
}

std::uint32_t SerialSettings::InitialProtocolVersion() const
{
    return transferFormat == 2 ? 32 : 16;
}

std::string SettingsRegistryKey(SettingsStore store)
{
    const std::string root = store == SettingsStore::System ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    return root + "\\SOFTWARE\\" + kSettingsOrganization;
}

std::unique_ptr<QSettings> OpenSettingsStore(SettingsStore store)
{
#ifdef _WIN32
    // Qt's own place for an organisation would be Software\ZuvEditor\OrganizationDefaults.
    return std::make_unique<QSettings>(QString::fromStdString(SettingsRegistryKey(store)), QSettings::NativeFormat);
#else
    const QSettings::Scope scope = store == SettingsStore::System ? QSettings::SystemScope : QSettings::UserScope;
    return std::make_unique<QSettings>(QSettings::NativeFormat, scope, kSettingsOrganization);
#endif
}

std::int32_t ReadSerialPort(const QSettings& settings)
{
    bool ok = false;
    const qlonglong value = settings.value(kSerialPortKey).toLongLong(&ok);
    // The value is a 32-bit word; anything else, or no port at all, leaves port 1.
    if (!ok || value < 1 || value > 0x7FFFFFFF)
        return 1;
    return static_cast<std::int32_t>(value);
}

bool WriteSerialPort(QSettings& settings, std::int32_t portNumber, const std::string& devicePath)
{
    if (!settings.isWritable())
        return false;
    settings.setValue(kSerialPortKey, portNumber);
    if (devicePath.empty())
        settings.remove(kSerialDeviceKey);
    else
        settings.setValue(kSerialDeviceKey, QString::fromStdString(devicePath));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

SerialSettings LoadSerialSettings()
{
    SerialSettings result;
    // The user's store holds a value only while the system store could not take the last choice.
    const std::unique_ptr<QSettings> user = OpenSettingsStore(SettingsStore::User);
    const std::unique_ptr<QSettings> system = OpenSettingsStore(SettingsStore::System);
    const QSettings& store = user->contains(kSerialPortKey) ? *user : *system;
    result.portNumber = ReadSerialPort(store);
    result.devicePath = store.value(kSerialDeviceKey).toString().toStdString();
    return result;
}

bool StoreSerialPort(std::int32_t portNumber, const std::string& devicePath)
{
    const std::unique_ptr<QSettings> user = OpenSettingsStore(SettingsStore::User);
    if (WriteSerialPort(*OpenSettingsStore(SettingsStore::System), portNumber, devicePath)) {
        // An older fallback value would otherwise hide the new choice.
        user->remove(kSerialPortKey);
        user->remove(kSerialDeviceKey);
        user->sync();
        return true;
    }
    return WriteSerialPort(*user, portNumber, devicePath);
}

} // namespace torvane
