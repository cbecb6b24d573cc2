#pragma once

#include <string>
#include <string_view>

namespace torvane {

// Where config.ini and script.ini live.
struct ConfigFolder {
    std::string path;         // UTF-8, with a trailing separator; empty when no folder is known
    bool userFolder = false;  // the user's configuration folder, taken because the executable's
                              // folder cannot be written

    bool operator==(const ConfigFolder&) const = default;
};

// The rule, from plain inputs: the executable's folder when it can be written (a program unpacked
// by hand), else the user's configuration folder "Torvane" under $XDG_CONFIG_HOME, or under
// $HOME/.config when XDG_CONFIG_HOME is empty or not absolute (an installed program). With neither
// known the executable's folder stays, to be read from at least.
ConfigFolder ChooseConfigFolder(std::string_view executableFolder, bool executableFolderWritable,
                                std::string_view xdgConfigHome, std::string_view home);

// Windows' rule: the executable's folder when it can be written, else "Torvane" in the roaming
// application data folder (%APPDATA%), else the executable's folder. Folders end with '\'.
ConfigFolder ChooseWindowsConfigFolder(std::string_view executableFolder, bool executableFolderWritable,
                                       std::string_view appData);

// The rule of this system for this process: its executable's folder, whether it can be written, and the
// environment.
ConfigFolder DefaultConfigFolder();

} // namespace torvane
