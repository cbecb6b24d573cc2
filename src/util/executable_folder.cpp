#include "util/executable_folder.h"

#include "util/file_name.h"
#include "util/platform.h"

namespace torvane {

std::string ExecutableFolder()
{
    const std::filesystem::path executable = platform::ExecutablePath();
    if (!executable.has_parent_path())
        return {};
    // The folder with its separator at the end ('/' here, '\' on Windows).
    return FileNameText(executable.parent_path() / "");
}

} // namespace torvane
