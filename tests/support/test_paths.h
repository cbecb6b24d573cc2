#pragma once

#include <string>

namespace torvane::test {

// Where the sources and the built programs are, for tests that read samples or run executables.
inline std::string sourcePath(const std::string& relative)
{
    return std::string(TORVANE_SOURCE_DIR) + "/" + relative;
}

inline std::string binaryPath(const std::string& relative)
{
    return std::string(TORVANE_BINARY_DIR) + "/" + relative;
}

// The file name of a built program called name.
inline std::string programFile(const std::string& name)
{
#ifdef _WIN32
    return name + ".exe";
#else
    return name;
#endif
}

} // namespace torvane::test
