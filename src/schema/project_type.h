#pragma once

namespace torvane {

// The receiver family named in config.ini. It decides how the default database is stored:
// ZUV_DVBS_V1 and ZUV_DVBS_V2 plain, ZUV_DVBS_V4 zlib-compressed.
enum class ProjectType : int { ZUV_DVBS_V1 = 0, ZUV_DVBS_V2 = 1, ZUV_DVBS_V4 = 2 };

} // namespace torvane
