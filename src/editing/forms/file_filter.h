#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// The filter texts of the window's file dialogs, as the dialogs take them: File → Open, Save As
// of an image and of a default database, Process → Upload and Download File, the TP table import,
// and the list commands (Apply Order from, Compare with: every file the editor opens and service
// CSV files; Import CSV).
inline constexpr std::string_view kOpenFileFilter =
    "Open Bin File(*.bin)|Default DB File With Order(*.df2)|Default DB File(*.ddf)";
inline constexpr std::string_view kSaveAsFilter =
    "Save Bin File(*.bin)|Default DB File With Order(*.df2)|Default DB File(*.ddf)|TXT File(*.txt)|CSV File(*.csv)|"
    "Enigma2 Settings (folder)(*)";
inline constexpr std::string_view kSaveDefaultDatabaseAsFilter =
    "Default DB File with order(*.df2)|Default DB File(*.ddf)|CSV File(*.csv)|Enigma2 Settings (folder)(*)";
inline constexpr std::string_view kUploadFileFilter = "Save Bin File(*.bin)";
inline constexpr std::string_view kDownloadFileFilter = "Bin File(*.bin)";
inline constexpr std::string_view kTpTableFilter = "TP Table(*)|satellites.xml(*.xml)";
inline constexpr std::string_view kListFileFilter =
    "Bin File(*.bin)|Default DB File With Order(*.df2)|Default DB File(*.ddf)|CSV File(*.csv)";
inline constexpr std::string_view kCsvFileFilter = "CSV File(*.csv)";

// One type of a file dialog: the entry as shown ("Open Bin File(*.bin)"), its pattern ("*.bin")
// and its extension (".bin").
struct FileType {
    std::string label;
    std::string pattern;
    std::string extension;

    bool operator==(const FileType&) const = default;
};

// The file dialog's types and name box without the dialog: a filter text such as
// "Open Bin File(*.bin)|Default DB File(*.ddf)" split at "|" into at most 20 types, each entry
// label "(" pattern ")"; the name the box starts with and the type selected first; and the name
// the box takes when the user picks another type, which is remembered with its 1-based number.
class FileFilter final {
public:
    static constexpr std::size_t kMaxTypes = 20;

    // The dialog opening with defaultName in its name box (none: "*" and the first extension),
    // on the first type whose extension equals the name's text from its first "." (else the first).
    FileFilter(std::string_view filterText, std::string_view defaultName);

    const std::vector<FileType>& Types() const { return m_types; }
    const std::string& Name() const { return m_name; }
    // The selected type, counted from 1 (0 when the filter has no types).
    int TypeNumber() const { return m_typeNumber; }

    // The user picked type number (1-based) with name in the name box: the name gets the type's
    // extension, appended when it has no ".", replacing everything from its first "." otherwise,
    // and "*" with the extension when the box is empty. Out of range numbers change nothing.
    void PickType(int number, std::string_view name);

private:
    std::vector<FileType> m_types;
    std::string m_name;
    int m_typeNumber = 0;
};

} // namespace torvane
