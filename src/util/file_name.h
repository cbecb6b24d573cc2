#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace torvane {

// File names travel through Torvane as UTF-8 text: what the command line (wide on Windows, turned
// into UTF-8 at start) and Qt hand over, and what messages show. These two are where such a text
// becomes the system's file name and back. std::filesystem::path's own conversion from a narrow
// string takes the ANSI code page on Windows, which would garble any name outside it (Arabic, say).
std::filesystem::path FileNamePath(std::string_view utf8);
std::string FileNameText(const std::filesystem::path& path);

} // namespace torvane
