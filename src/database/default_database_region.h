#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "schema/project_type.h"

namespace torvane {

class UserPrompts;

inline constexpr std::string_view kGenerateDefaultFailedMessage = "Generate Default DataBase failed";

// Size of the buffer a default-database file is generated into: 0x2FF00 bytes for the plain
// project types, 0xFF00 for ZUV_DVBS_V4 (whose file holds the compressed stream); 0 for a value
// that is no project type.
std::size_t DefaultFileBufferSize(ProjectType type);
// Bytes of default-database stream a file takes: its buffer for the plain project types, the
// scratch stream that is compressed for ZUV_DVBS_V4.
std::size_t DefaultFileStreamRoom(ProjectType type);

// Writes the default-database stream of the channel tree into the destination range and returns
// the number of bytes written, or nothing on failure (GenerateDefaultDatabase).
using DefaultDatabaseGenerator = std::function<std::optional<std::size_t>(std::span<std::uint8_t> destination)>;

// Zero-fills destination and generates the default database into it: straight in for the plain
// project types, compressed at level 9 from a 0x60000-byte scratch stream for ZUV_DVBS_V4. Returns
// the length of the written region: the whole destination for the plain types, the compressed bytes
// for ZUV_DVBS_V4. Failures show "Generate Default DataBase failed" or "Compressed ERROR %02X\n".
std::optional<std::size_t> WriteDefaultDatabaseRegion(std::span<std::uint8_t> destination, ProjectType type,
                                                      const DefaultDatabaseGenerator& generate,
                                                      UserPrompts& prompts);

} // namespace torvane
