#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/database_image.h"
#include "store/node_store.h"
#include "document/user_image_builder.h"
#include "support/demo_database.h"
#include "support/recording_prompts.h"
#include "util/byte_order.h"

namespace torvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Every text the open-and-save path may show for a spoiled region.
const std::set<std::string> kKnownMessages = {
    "No Data!", "can't seek TP header", "parse TP header error!", "can't seek SAT header",
    "parse SAT header error!", "can't seek PROG header", "parse PROG header error!", "Out of Range",
    "Rearrage : Out of Range", "Order Error!", "CreateProgImage : Out of Range.", "Create Sat node : Out of Range",
    "Create TP node : Out of Range", "CreateSatTpProgImage : Out of Range", "CreateUserDataImage : Out of Range",
    "Record Num < 0",
};

// Opens the region as the editor does and writes it back; answers whether the whole road went
// through. Any fault in bounds shows up under the sanitizers.
bool OpenAndSave(const NodeSchema& schema, const Bytes& region, test::RecordingPrompts& prompts)
{
    DatabaseImage image;
    NodeStore store(schema, image, prompts);
    if (image.parserdb(region, prompts) != 0 || !store.Rearrage(true))
        return false;
    store.BuildTreeFromImage();
    Bytes out(region.size(), 0xFF);
    return UserImageBuilder(store).CreateUserDataImage(out) == 0;
}

std::vector<std::size_t> HeaderPositions(const Bytes& region)
{
    std::vector<std::size_t> positions;
    const std::string magic = "DB@T";
    for (auto it = region.begin(); (it = std::search(it, region.end(), magic.begin(), magic.end())) != region.end(); ++it)
        positions.push_back(static_cast<std::size_t>(it - region.begin()));
    return positions;
}

class SpoiledRegion : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(demo.IsReady());
        region = demo.BuildRegion();
        ASSERT_FALSE(region.empty());
        headers = HeaderPositions(region);
        ASSERT_EQ(headers.size(), 3u);  // satellite, TP, program
    }

    void ExpectOnlyKnownMessages(const test::RecordingPrompts& prompts, const std::string& what)
    {
        for (const std::string& message : prompts.messages)
            EXPECT_TRUE(kKnownMessages.count(message)) << what << ": " << message;
    }

    test::DemoDatabase demo{test::DemoOptions{2, 2, 3, 0x2000}};
    Bytes region;
    std::vector<std::size_t> headers;
};

struct OffsetCase {
    const char* name;
    int header;           // 0 satellite, 1 TP, 2 program
    std::int64_t offset;  // from the region's end when negative
    bool saved;
};

class SpoiledOffsets : public SpoiledRegion, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(SpoiledOffsets, LyingOffsetIsRefusedOrHarmless)
{
    const auto& c = GetParam();
    Bytes spoiled = region;
    const std::size_t firstOffset = headers[static_cast<std::size_t>(c.header)] + 12;
    const std::int64_t value = c.offset < 0 ? static_cast<std::int64_t>(spoiled.size()) + c.offset : c.offset;
    WriteLe32(&spoiled[firstOffset], static_cast<std::uint32_t>(value));
    test::RecordingPrompts prompts;
    EXPECT_EQ(OpenAndSave(demo.Schema(), spoiled, prompts), c.saved) << c.name;
    ASSERT_FALSE(c.saved && !prompts.messages.empty()) << prompts.messages.front();
    ExpectOnlyKnownMessages(prompts, c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpoiledOffsets,
    ::testing::Values(OffsetCase{"program cut by region end", 2, -100, false},
                      OffsetCase{"program order number cut by region end", 2, -160, false},
                      OffsetCase{"TP at the last byte", 1, -1, false},
                      OffsetCase{"satellite cut by region end", 0, -47, false},
                      OffsetCase{"offset past the region", 2, 0x7FFFFFF0, false},
                      OffsetCase{"offset -2", 1, 0xFFFFFFFE, false},
                      OffsetCase{"deleted program slot", 2, 0xFFFFFFFF, true},
                      OffsetCase{"two satellites in one place", 0, 48, true}));

TEST_F(SpoiledRegion, CountsThatLieAreRefused)
{
    for (std::size_t header = 0; header < headers.size(); ++header) {
        for (std::uint16_t count : {std::uint16_t{0x7FFF}, std::uint16_t{0x8000}, std::uint16_t{0xFFFF}, std::uint16_t{200}}) {
            Bytes spoiled = region;
            WriteLe16(&spoiled[headers[header] + 10], count);
            test::RecordingPrompts prompts;
            EXPECT_FALSE(OpenAndSave(demo.Schema(), spoiled, prompts)) << header << " " << count;
            EXPECT_EQ(prompts.messages.size(), 1u) << header << " " << count;
            ExpectOnlyKnownMessages(prompts, "count");
        }
    }
}

TEST_F(SpoiledRegion, RandomDamageNeverReadsOutOfBounds)
{
    // Deterministic damage over the records and the headers: byte values, and 32-bit words
    // pointing near the region's end.
    std::uint32_t seed = 12345;
    const auto next = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const std::size_t dataEnd = headers.back() + 64;
    int saved = 0;
    for (int round = 0; round < 300; ++round) {
        Bytes spoiled = region;
        for (int hit = 0; hit < 4; ++hit) {
            const std::size_t at = next() % (dataEnd - 4);
            if (next() % 2)
                spoiled[at] = static_cast<std::uint8_t>(next());
            else
                WriteLe32(&spoiled[at], static_cast<std::uint32_t>(spoiled.size() - next() % 200));
        }
        test::RecordingPrompts prompts;
        saved += OpenAndSave(demo.Schema(), spoiled, prompts) ? 1 : 0;
        ExpectOnlyKnownMessages(prompts, "round " + std::to_string(round));
    }
    EXPECT_GT(saved, 0);  // some damage only changes field values
}

} // namespace
} // namespace torvane
