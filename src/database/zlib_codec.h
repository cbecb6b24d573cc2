#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

class UserPrompts;

// ZUV_DVBS_V4 keeps its default database zlib-compressed (zlib format, level 9). The plain stream is
// at most 0x60000 bytes, both when it is generated and when it is decompressed.
inline constexpr std::size_t kDefaultStreamCapacity = 0x60000;
inline constexpr int kDefaultCompressionLevel = 9;

// One-shot uncompress of input into at most capacity bytes; returns the zlib result code and, on
// Z_OK, the bytes produced in out.
int ZlibUncompress(std::span<const std::uint8_t> input, std::size_t capacity, std::vector<std::uint8_t>& out);

// One-shot compress2 of input into destination at the given level; returns the zlib result code
// and, on Z_OK, the compressed size in written.
int ZlibCompress(std::span<const std::uint8_t> input, std::span<std::uint8_t> destination, int level,
                 std::size_t& written);

// The message shown for a failed uncompress ("invalid or incomplete default data\n" and so on).
std::string_view UncompressFailureMessage(int zlibCode);
// "Compressed ERROR %02X\n" with the code printed as an unsigned number (-5 gives FFFFFFFB).
std::string CompressFailureMessage(int zlibCode);

// Decompresses a default database into the 0x60000-byte work buffer; a failure shows its message
// and gives nothing.
std::optional<std::vector<std::uint8_t>> UncompressDefaultDatabase(std::span<const std::uint8_t> input,
                                                                   UserPrompts& prompts);

// Compresses a default-database stream at level 9 into destination; returns the compressed size, or
// shows "Compressed ERROR %02X\n" and gives nothing.
std::optional<std::size_t> CompressDefaultDatabase(std::span<const std::uint8_t> stream,
                                                   std::span<std::uint8_t> destination, UserPrompts& prompts);

} // namespace torvane
