#include "schema/project_type.h"

namespace torvane {
namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

} // namespace

std::string_view ProjectTypeName(ProjectType type)
{
    const auto index = static_cast<std::size_t>(type);
    return index < kProjectTypeNames.size() ? kProjectTypeNames[index] : std::string_view{};
}

std::optional<ProjectType> ProjectTypeFromName(std::string_view text)
{
    for (std::size_t i = 0; i < kProjectTypeNames.size(); ++i) {
        if (EqualIgnoringCase(text, kProjectTypeNames[i]))
            return static_cast<ProjectType>(i);
    }
    return std::nullopt;
}

} // namespace torvane
