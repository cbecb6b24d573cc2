#pragma once

#include <string>

namespace torvane {

// The folder of the running executable (UTF-8): its full path up to and including the last
// separator, or an empty text when the path cannot be found out.
std::string ExecutableFolder();

} // namespace torvane
