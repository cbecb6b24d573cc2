#include "schema/config_folder.h"

#include <cstdlib>

#include <unistd.h>

#include "util/executable_folder.h"

namespace torvane {
namespace {

constexpr std::string_view kApplicationFolder = "Torvane/";

std::string WithSlash(std::string_view folder)
{
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path.push_back('/');
    return path;
}

std::string_view Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string_view(value) : std::string_view{};
}

} // namespace

ConfigFolder ChooseConfigFolder(std::string_view executableFolder, bool executableFolderWritable,
                                std::string_view xdgConfigHome, std::string_view home)
{
    if (!executableFolder.empty() && executableFolderWritable)
        return {WithSlash(executableFolder), false};
    if (xdgConfigHome.starts_with('/'))
        return {WithSlash(xdgConfigHome) + std::string(kApplicationFolder), true};
    if (!home.empty())
        return {WithSlash(home) + ".config/" + std::string(kApplicationFolder), true};
    return {WithSlash(executableFolder), false};
}

ConfigFolder DefaultConfigFolder()
{
    const std::string executable = ExecutableFolder();
    const bool writable = !executable.empty() && ::access(executable.c_str(), W_OK) == 0;
    return ChooseConfigFolder(executable, writable, Environment("XDG_CONFIG_HOME"), Environment("HOME"));
}

} // namespace torvane
