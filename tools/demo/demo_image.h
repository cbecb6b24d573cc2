#pragma once

#include <cstdint>
#include <string>

#include "schema/project_type.h"

namespace torvane {

class NodeSchema;
class UserPrompts;

// How much a demo image holds. Programs are spread over the TPs; the defaults make a few hundred
// TV and radio services.
struct DemoImageOptions {
    int satellites = 6;
    int tpsPerSatellite = 6;
    int programs = 360;
    std::uint32_t seed = 20080822;
};

// Where the chunks of a demo image lie (2 MiB, like a receiver's flash):
//   0x000000  boot chunk (its identifier is outside the pairing rule; the first chunk is exempt)
//   0x010000  code chunk 0x01FE0100 with a CRC
//   0x040000  default-database chunk 0x03FC0100 with a CRC, next offset 0x40000
//   0x080000  user-database chunk 0x04FB0100, "NCRC", a 0xA0000-byte region
//   0x120080  last chunk 0x02FD0100 with a CRC, up to the end of the image
struct DemoImageLayout {
    static constexpr std::uint32_t kImageSize = 0x200000;
    static constexpr std::uint32_t kBootId = 0x5A555600;
    static constexpr std::uint32_t kCodeId = 0x01FE0100;
    static constexpr std::uint32_t kTailId = 0x02FD0100;
    static constexpr std::uint32_t kBootOffset = 0x000000;
    static constexpr std::uint32_t kCodeOffset = 0x010000;
    static constexpr std::uint32_t kDefaultOffset = 0x040000;
    static constexpr std::uint32_t kUserOffset = 0x080000;
    static constexpr std::uint32_t kUserRegionLength = 0xA0000;
    static constexpr std::uint32_t kTailOffset = kUserOffset + 0x80 + kUserRegionLength;
};

// Writes a deterministic demo flash image to path: satellites with TPs of both polarisations, TV
// and radio services (some scrambled, some in favourite groups, some with Arabic names), written
// into the user-database chunk and, in the with-order form of the project type (zlib for
// ZUV_DVBS_V4), into the default-database chunk, by the same code the editor saves with. The
// layouts come from schema. False, with the reason shown, when the image cannot be made.
bool WriteDemoImage(const std::string& path, const NodeSchema& schema, ProjectType type,
                    const DemoImageOptions& options, UserPrompts& prompts);

} // namespace torvane
