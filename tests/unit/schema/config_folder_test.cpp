#include "schema/config_folder.h"

#include <string>

#include <gtest/gtest.h>

namespace torvane {
namespace {

struct FolderCase {
    const char* name;
    const char* executableFolder;
    bool writable;
    const char* xdgConfigHome;
    const char* home;
    ConfigFolder expected;
};

class ConfigFolderRule : public ::testing::TestWithParam<FolderCase> {};

TEST_P(ConfigFolderRule, ExecutableFolderWhenWritableElseTheUsersFolder)
{
    const FolderCase& c = GetParam();
    EXPECT_EQ(ChooseConfigFolder(c.executableFolder, c.writable, c.xdgConfigHome, c.home), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigFolderRule,
    ::testing::Values(
        FolderCase{"WritableExecutableFolder", "/opt/tv/", true, "/x", "/home/a", {"/opt/tv/", false}},
        FolderCase{"XdgConfigHome", "/usr/bin/", false, "/home/a/cfg", "/home/a", {"/home/a/cfg/Torvane/", true}},
        FolderCase{"XdgConfigHomeWithSlash", "/usr/bin/", false, "/cfg/", "/home/a", {"/cfg/Torvane/", true}},
        FolderCase{"HomeWithoutXdg", "/usr/bin/", false, "", "/home/a", {"/home/a/.config/Torvane/", true}},
        FolderCase{"RelativeXdgIsIgnored", "/usr/bin/", false, "cfg", "/home/a", {"/home/a/.config/Torvane/", true}},
        FolderCase{"UnknownExecutableFolder", "", true, "/cfg", "", {"/cfg/Torvane/", true}},
        FolderCase{"NoUserFolderEither", "/usr/bin/", false, "", "", {"/usr/bin/", false}}),
    [](const auto& info) { return std::string(info.param.name); });

struct WindowsFolderCase {
    const char* name;
    const char* executableFolder;
    bool writable;
    const char* appData;
    ConfigFolder expected;
};

class WindowsConfigFolderRule : public ::testing::TestWithParam<WindowsFolderCase> {};

TEST_P(WindowsConfigFolderRule, ExecutableFolderWhenWritableElseTorvaneInAppData)
{
    const WindowsFolderCase& c = GetParam();
    EXPECT_EQ(ChooseWindowsConfigFolder(c.executableFolder, c.writable, c.appData), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowsConfigFolderRule,
    ::testing::Values(
        WindowsFolderCase{"WritableExecutableFolder", "D:\\Tools\\Torvane\\", true, "C:\\Users\\a\\AppData\\Roaming",
                          {"D:\\Tools\\Torvane\\", false}},
        WindowsFolderCase{"ProgramFiles", "C:\\Program Files\\Torvane\\", false, "C:\\Users\\a\\AppData\\Roaming",
                          {"C:\\Users\\a\\AppData\\Roaming\\Torvane\\", true}},
        WindowsFolderCase{"AppDataWithSeparator", "C:\\Program Files\\Torvane\\", false, "E:\\Profile\\",
                          {"E:\\Profile\\Torvane\\", true}},
        WindowsFolderCase{"UnknownExecutableFolder", "", true, "C:\\AppData", {"C:\\AppData\\Torvane\\", true}},
        WindowsFolderCase{"ExecutableFolderWithoutSeparator", "C:\\Torvane", true, "", {"C:\\Torvane\\", false}},
        WindowsFolderCase{"NoAppData", "C:\\Program Files\\Torvane\\", false, "", {"C:\\Program Files\\Torvane\\", false}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torvane
