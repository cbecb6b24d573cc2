#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "exchange/enigma2_settings.h"

namespace torvane {

// One file of a settings folder.
struct E2File {
    std::string name;
    std::string text;
};

// lamedb in version 4 as Enigma2 writes it: LF only, one TAB before each "s", keys in lowercase
// hex of 8/4/4 digits, the service type in decimal, "p:" first, hex "c:", "C:" and "f:" values.
std::string LamedbText(const E2Lamedb& lamedb);

// The files of a folder: "lamedb", "bouquets.tv" and "bouquets.radio" listing the bouquets (TV
// ones, radio ones) in their order, one file per bouquet holding its services' references, and
// "satellites.xml" naming the satellites with their TPs.
std::vector<E2File> WriteE2Files(const E2Settings& settings);

// Writes the files into folder, each atomically. The folder is made when missing; an existing one
// is written into only when it holds nothing but files such a folder has (lamedb, lamedb5,
// bouquets.tv, bouquets.radio, satellites.xml, userbouquet.*.tv, userbouquet.*.radio); those the
// new files do not replace are then removed. The reason it could not, or empty.
std::string WriteE2Folder(const std::filesystem::path& folder, const std::vector<E2File>& files);

} // namespace torvane
