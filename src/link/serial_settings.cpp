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

std::int32_t ReadSerialPort(const QSettings& settings)
{
    bool ok = false;
    const qlonglong value = settings.value(kSerialPortKey).toLongLong(&ok);
    // The value is a 32-bit word; anything else, or no port at all, leaves port 1.
    if (!ok || value < 1 || value > 0x7FFFFFFF)
        return 1;
    return static_cast<std::int32_t>(value);
}

bool WriteSerialPort(QSettings& settings, std::int32_t portNumber)
{
    if (!settings.isWritable())
        return false;
    settings.setValue(kSerialPortKey, portNumber);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

SerialSettings LoadSerialSettings()
{
    SerialSettings result;
    // The user's store holds a value only while the system store could not take the last choice.
    const QSettings user(QSettings::NativeFormat, QSettings::UserScope, kSettingsOrganization);
    const QSettings system(QSettings::NativeFormat, QSettings::SystemScope, kSettingsOrganization);
    if (user.contains(kSerialPortKey))
        result.portNumber = ReadSerialPort(user);
    else
        result.portNumber = ReadSerialPort(system);
    return result;
}

bool StoreSerialPort(std::int32_t portNumber)
{
    QSettings user(QSettings::NativeFormat, QSettings::UserScope, kSettingsOrganization);
    QSettings system(QSettings::NativeFormat, QSettings::SystemScope, kSettingsOrganization);
    if (WriteSerialPort(system, portNumber)) {
        // An older fallback value would otherwise hide the new choice.
        user.remove(kSerialPortKey);
        user.sync();
        return true;
    }
    return WriteSerialPort(user, portNumber);
}

} // namespace torvane
