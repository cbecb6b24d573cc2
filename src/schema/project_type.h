#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace torvane {

// The receiver family named in config.ini. It decides how the default database is stored:
// ZUV_DVBS_V1 and ZUV_DVBS_V2 plain, ZUV_DVBS_V4 zlib-compressed.
enum class ProjectType : int { ZUV_DVBS_V1 = 0, ZUV_DVBS_V2 = 1, ZUV_DVBS_V4 = 2 };

// The names in config.ini and in the "Project Select" dialog, by ProjectType value.
inline constexpr std::array<std::string_view, 3> kProjectTypeNames = {"ZUV_DVBS_V1", "ZUV_DVBS_V2", "ZUV_DVBS_V4"};

std::string_view ProjectTypeName(ProjectType type);
// The type named by text as a whole, without regard to case.
std::optional<ProjectType> ProjectTypeFromName(std::string_view text);

} // namespace torvane
