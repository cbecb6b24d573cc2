#include "schema/config_folder.h"

#include "util/executable_folder.h"
#include "util/file_name.h"
#include "util/platform.h"

namespace torvane {
namespace {

constexpr std::string_view kApplicationFolder = "Torvane";

std::string WithSeparator(std::string_view folder, char separator)
{
    std::string path(folder);
    if (!path.empty() && path.back() != '/' && path.back() != separator)
        path.push_back(separator);
    return path;
}

} // namespace

ConfigFolder ChooseConfigFolder(std::string_view executableFolder, bool executableFolderWritable,
                                std::string_view xdgConfigHome, std::string_view home)
{
    if (!executableFolder.empty() && executableFolderWritable)
        return {WithSeparator(executableFolder, '/'), false};
    if (xdgConfigHome.starts_with('/'))
        return {WithSeparator(xdgConfigHome, '/') + std::string(kApplicationFolder) + "/", true};
    if (!home.empty())
        return {WithSeparator(home, '/') + ".config/" + std::string(kApplicationFolder) + "/", true};
    return {WithSeparator(executableFolder, '/'), false};
}

ConfigFolder ChooseWindowsConfigFolder(std::string_view executableFolder, bool executableFolderWritable,
                                       std::string_view appData)
{
    if ((!executableFolder.empty() && executableFolderWritable) || appData.empty())
        return {WithSeparator(executableFolder, '\\'), false};
    return {WithSeparator(appData, '\\') + std::string(kApplicationFolder) + "\\", true};
}

ConfigFolder DefaultConfigFolder()
{
    const std::string executable = ExecutableFolder();
    const bool writable = !executable.empty() && platform::FolderIsWritable(FileNamePath(executable));
#ifdef _WIN32
    return ChooseWindowsConfigFolder(executable, writable, platform::EnvironmentText("APPDATA"));
#else
    return ChooseConfigFolder(executable, writable, platform::EnvironmentText("XDG_CONFIG_HOME"),
                              platform::EnvironmentText("HOME"));
#endif
}

} // namespace torvane
