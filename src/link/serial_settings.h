#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/serial_line.h"

class QSettings;

namespace torvane {

// The serial line to the receiver: 115200 bit/s, 8 data bits, even parity, one stop bit; only the
// port is chosen. The port number and a chosen device path outlive a run.
struct SerialSettings {
    std::int32_t portNumber = 1;
    std::int32_t bitRate = 115200;
    std::int32_t parityCode = 2;   // 2 = even
    std::int32_t dataBits = 0;     // held but not used: the port always uses 8 data bits
    std::int32_t stopBitCode = 1;  // 1 = one stop bit
    std::int32_t transferFormat = 1; // 1 or 2: the protocol version a session starts with
    // A device path chosen instead of a port number (/dev/ttyUSB0 and the like).
    std::string devicePath;

    LineSettings Line() const;
    // The device opened: devicePath when given, else the device of the port number.
    std::string DeviceName() const;
    // 16 for transfer format 1, 32 for format 2.
    std::uint32_t InitialProtocolVersion() const;
};

// Where the port number is kept: the value "Serial Port" in the settings of "ZuvEditor". On
// Windows it is a REG_DWORD directly under the key SOFTWARE\ZuvEditor of HKEY_LOCAL_MACHINE (the
// system store) or of HKEY_CURRENT_USER (the user's store); elsewhere the stores are the system's
// and the user's ini file of "ZuvEditor".
inline constexpr const char* kSerialPortKey = "Serial Port";
// Beside it, the device path when one was chosen instead of a port number.
inline constexpr const char* kSerialDeviceKey = "Serial Device";
inline constexpr const char* kSettingsOrganization = "ZuvEditor";

enum class SettingsStore { System, User };

// The store's registry key: "HKEY_LOCAL_MACHINE\SOFTWARE\ZuvEditor" or
// "HKEY_CURRENT_USER\SOFTWARE\ZuvEditor".
std::string SettingsRegistryKey(SettingsStore store);
// The store's settings: on Windows its registry key, elsewhere its ini file.
std::unique_ptr<QSettings> OpenSettingsStore(SettingsStore store);

// The stored port number, or 1 when it is missing or not a port number.
std::int32_t ReadSerialPort(const QSettings& settings);
// Stores the port number and the device path (an empty path removes the stored one); false when
// the store refused them.
bool WriteSerialPort(QSettings& settings, std::int32_t portNumber, const std::string& devicePath = {});

// Settings with the port number and device path from the user's store when the last choice had to
// go there, else from the system store, else port 1 and no device path.
SerialSettings LoadSerialSettings();
// Stores the port number and device path in the system store, or in the user's when the system
// store is not writable; false when neither took them (the choice then lasts for the run only).
bool StoreSerialPort(std::int32_t portNumber, const std::string& devicePath = {});

} // namespace torvane
