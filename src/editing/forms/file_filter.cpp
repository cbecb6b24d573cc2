#include "editing/forms/file_filter.h"

namespace torvane {

namespace {

FileType ParseEntry(std::string_view entry)
{
    FileType type{std::string(entry), {}, {}};
    // The last parenthesis holds the pattern: a label may have its own ("Enigma2 Settings (folder)").
    const std::size_t open = entry.rfind('(');
    const std::size_t close = open == std::string_view::npos ? open : entry.find(')', open + 1);
    if (close == std::string_view::npos)
        return type;
    type.pattern = std::string(entry.substr(open + 1, close - open - 1));
    type.extension = type.pattern.starts_with('*') ? type.pattern.substr(1) : type.pattern;
    return type;
}

// name with extension in place of its text from the first "." on (appended without one).
std::string WithExtension(std::string_view name, std::string_view extension)
{
    if (name.empty())
        return "*" + std::string(extension);
    return std::string(name.substr(0, name.find('.'))) + std::string(extension);
}

} // namespace

FileFilter::FileFilter(std::string_view filterText, std::string_view defaultName)
{
    while (!filterText.empty() && m_types.size() < kMaxTypes) {
        const std::size_t bar = filterText.find('|');
        const std::string_view entry = filterText.substr(0, bar);
        // An empty entry, such as after a closing "|", offers nothing.
        if (!entry.empty())
            m_types.push_back(ParseEntry(entry));
        filterText = bar == std::string_view::npos ? std::string_view() : filterText.substr(bar + 1);
    }
    if (m_types.empty())
        return;

    m_typeNumber = 1;
    if (defaultName.empty()) {
        m_name = "*" + m_types.front().extension;
        return;
    }
    m_name = std::string(defaultName);
    const std::size_t dot = defaultName.find('.');
    if (dot == std::string_view::npos)
        return;
    for (std::size_t i = 0; i < m_types.size(); ++i) {
        if (m_types[i].extension == defaultName.substr(dot)) {
            m_typeNumber = static_cast<int>(i) + 1;
            break;
        }
    }
}

void FileFilter::PickType(int number, std::string_view name)
{
    if (number < 1 || static_cast<std::size_t>(number) > m_types.size())
        return;
    m_typeNumber = number;
    m_name = WithExtension(name, m_types[static_cast<std::size_t>(number) - 1].extension);
}

} // namespace torvane
