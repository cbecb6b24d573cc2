#include "editing/forms/configuration_form.h"

#include <algorithm>

#include "schema/parse_number.h"

namespace torvane {

const std::vector<ConfigurationForm::FixedList>& ConfigurationForm::FixedLists()
{
    static const std::vector<FixedList> lists{
        {"Bits Rate",
         {"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000", "57600", "115200"},
         12},
        {"Parity", {"None", "Even", "Odd", "Mark", "Space"}, 1},
        {"Data Bits", {"4", "5", "6", "7", "8"}, 4},
        {"Stop Bits", {"1", "1.5", "2"}, 0},
    };
    return lists;
}

std::vector<std::string> ConfigurationForm::ComPortItems()
{
    std::vector<std::string> items;
    for (int port = 1; port <= kComPortCount; ++port)
        items.push_back("COM" + std::to_string(port));
    return items;
}

std::string ConfigurationForm::InitialText(const PortChoice& current)
{
    return current.devicePath.empty() ? "COM" + std::to_string(current.portNumber) : current.devicePath;
}

ConfigurationForm::PortChoice ConfigurationForm::Accept(std::string_view text, std::int32_t currentPort)
{
    if (text.empty())
        return {};
    const std::string_view digits = text.starts_with("COM") ? text.substr(3) : std::string_view();
    const bool isPort = !digits.empty() && digits.size() <= 9
        && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (isPort && ParseNumber(digits) >= 1)
        return {ParseNumber(digits), {}};
    return {currentPort, std::string(text)};
}

} // namespace torvane
