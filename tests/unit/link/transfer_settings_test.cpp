#include "link/serial_settings.h"

#include <string>

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include "support/scratch_folder.h"

namespace torvane {
namespace {

using test::ScratchFolder;

TEST(SerialSettings, FixedLineAndThePortsDevice)
{
    SerialSettings settings;
    EXPECT_EQ(settings.portNumber, 1);
    EXPECT_EQ(settings.Line().baudRate, 115200);
    EXPECT_EQ(settings.Line().parity, 2);
    EXPECT_EQ(settings.Line().stopBits, 1);
    EXPECT_EQ(settings.DeviceName(), SerialLine::DeviceNameForPort(1));
    settings.portNumber = 12;
    EXPECT_EQ(settings.DeviceName(), SerialLine::DeviceNameForPort(12));
    settings.devicePath = "/dev/ttyUSB0";
    EXPECT_EQ(settings.DeviceName(), "/dev/ttyUSB0");
}

TEST(SerialSettings, TransferFormatChoosesTheFirstVersion)
{
    const std::pair<int, std::uint32_t> cases[] = {{1, 16}, {2, 32}, {0, 16}, {3, 16}};
    for (const auto& [format, version] : cases) {
        SerialSettings settings;
        settings.transferFormat = format;
        EXPECT_EQ(settings.InitialProtocolVersion(), version) << format;
    }
}

TEST(SerialSettings, StoresAreTheZuvEditorKeysOfTheMachineAndTheUser)
{
    EXPECT_EQ(SettingsRegistryKey(SettingsStore::System), "HKEY_LOCAL_MACHINE\\SOFTWARE\\ZuvEditor");
    EXPECT_EQ(SettingsRegistryKey(SettingsStore::User), "HKEY_CURRENT_USER\\SOFTWARE\\ZuvEditor");
}

TEST(SerialPortValue, ReadsOnlyPortNumbers)
{
    ScratchFolder folder;
    struct Case {
        const char* stored; // nullptr: no value
        std::int32_t port;
    };
    const Case cases[] = {{nullptr, 1}, {"3", 3},     {"12", 12}, {"0", 1},          {"-5", 1},
                          {"COM3", 1},  {"", 1},      {"255", 255}, {"2147483648", 1}, {"2147483647", 2147483647}};
    for (const Case& c : cases) {
        const QString path = QString::fromStdString(folder.Path("port.ini"));
        QFile::remove(path);
        QSettings settings(path, QSettings::IniFormat);
        if (c.stored != nullptr)
            settings.setValue(kSerialPortKey, QString::fromUtf8(c.stored));
        EXPECT_EQ(ReadSerialPort(settings), c.port) << (c.stored ? c.stored : "(none)");
    }
}

TEST(SerialPortValue, WriteThenReadGivesThePort)
{
    ScratchFolder folder;
    const QString path = QString::fromStdString(folder.Path("port.ini"));
    for (const std::int32_t port : {1, 5, 12, 300}) {
        {
            QSettings settings(path, QSettings::IniFormat);
            ASSERT_TRUE(WriteSerialPort(settings, port));
        }
        const QSettings again(path, QSettings::IniFormat);
        EXPECT_EQ(ReadSerialPort(again), port);
    }
}

// Both stores are redirected into a scratch folder; the system store sits under a plain file, so it
// can never be written.
class SerialPortStores : public ::testing::Test {
protected:
    void Redirect(bool systemWritable)
    {
        m_folder.Write("blocker", std::vector<std::uint8_t>{1});
        const std::string system = systemWritable ? m_folder.Path("system") : m_folder.Path("blocker/system");
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, QString::fromStdString(system));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(m_folder.Path("user")));
    }

    ScratchFolder m_folder;
};

TEST_F(SerialPortStores, NothingStoredIsPortOne)
{
    Redirect(true);
    EXPECT_EQ(LoadSerialSettings().portNumber, 1);
}

TEST_F(SerialPortStores, SystemStoreKeepsTheChoice)
{
    Redirect(true);
    ASSERT_TRUE(StoreSerialPort(7));
    EXPECT_EQ(LoadSerialSettings().portNumber, 7);
    ASSERT_TRUE(StoreSerialPort(12));
    EXPECT_EQ(LoadSerialSettings().portNumber, 12);
}

TEST_F(SerialPortStores, UserStoreTakesOverWhenTheSystemStoreCantBeWritten)
{
    Redirect(false);
    ASSERT_TRUE(StoreSerialPort(4));
    EXPECT_EQ(LoadSerialSettings().portNumber, 4);
}

// A device path is kept beside the number, in whichever store took the choice; choosing a port
// number again forgets it.
TEST_F(SerialPortStores, DevicePathIsKeptBesideTheNumber)
{
    for (const bool systemWritable : {true, false}) {
        Redirect(systemWritable);
        ASSERT_TRUE(StoreSerialPort(3, "/dev/ttyUSB0"));
        SerialSettings loaded = LoadSerialSettings();
        EXPECT_EQ(loaded.portNumber, 3);
        EXPECT_EQ(loaded.DeviceName(), "/dev/ttyUSB0");
        ASSERT_TRUE(StoreSerialPort(5));
        loaded = LoadSerialSettings();
        EXPECT_EQ(loaded.portNumber, 5);
        EXPECT_EQ(loaded.devicePath, "");
    }
}

TEST_F(SerialPortStores, ANewSystemChoiceHidesAnOldFallback)
{
    Redirect(false);
    ASSERT_TRUE(StoreSerialPort(4, "/dev/ttyACM1"));
    Redirect(true);
    ASSERT_TRUE(StoreSerialPort(9));
    EXPECT_EQ(LoadSerialSettings().portNumber, 9);
    EXPECT_EQ(LoadSerialSettings().devicePath, "");
}

} // namespace
} // namespace torvane
