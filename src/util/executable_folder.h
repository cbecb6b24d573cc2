#pragma once

#include <string>

namespace torvane {

// The folder of the running executable: its full path up to and including the last '/', or an
// empty text when the path cannot be found out.
std::string ExecutableFolder();

} // namespace torvane
