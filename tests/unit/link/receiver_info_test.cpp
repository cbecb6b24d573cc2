#include "link/receiver_info.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "util/byte_order.h"

namespace torvane {
namespace {

TEST(ReceiverInfo, FlashSizeForEveryKindCode)
{
    for (int code = 0; code < 256; ++code) {
        std::uint32_t expected = 0;
        if (code == 1 || code == 2 || code == 7 || code == 10)
            expected = 0x80000;
        else if (code == 3 || code == 4 || code == 8 || code == 9 || code == 11 || code == 13)
            expected = 0x100000;
        else if (code == 5 || code == 6 || code == 12 || (code >= 14 && code <= 16))
            expected = 0x200000;
        EXPECT_EQ(FlashSizeForKind(static_cast<std::uint8_t>(code)), expected) << code;
    }
}

std::vector<std::uint8_t> Record(std::uint32_t id, std::uint32_t crc, const std::vector<std::string>& texts)
{
    std::vector<std::uint8_t> record(128, 0xFF);
    WriteBe32(&record[0], id);
    WriteBe32(&record[4], 0x01020304);
    WriteBe32(&record[8], 0x0A0B0C0D);
    WriteBe32(&record[12], crc);
    for (std::size_t t = 0; t < texts.size(); ++t) {
        std::copy(texts[t].begin(), texts[t].end(), record.begin() + 16 + 16 * t);
        if (texts[t].size() < 16)
            record[16 + 16 * t + texts[t].size()] = 0;
    }
    return record;
}

TEST(ReceiverInfo, KnownChunkRule)
{
    struct Case {
        std::uint32_t id;
        int kind;
        std::uint32_t crc;
    };
    const Case cases[] = {{0xE3001234, 1, kNoCheckValue}, {0xE3000010, 1, kNoCheckValue},
                          {0x02FD9999, 2, 0xCAFEF00D},         {0x03FC0100, 3, 0xCAFEF00D},
                          {0x04FBABCD, 4, kNoCheckValue}, {0x04FA0100, 0, 0xCAFEF00D},
                          {0x12340000, 0, 0xCAFEF00D}};
    for (const Case& c : cases) {
        EXPECT_EQ(KnownChunkKind(c.id), c.kind) << std::hex << c.id;
        std::vector<std::uint8_t> block{5, 0};
        const auto record = Record(c.id, 0xCAFEF00D, {});
        block.insert(block.end(), record.begin(), record.end());
        const auto info = ParseReceiverInfo(block);
        ASSERT_TRUE(info);
        ASSERT_EQ(info->chunks.size(), 1u);
        EXPECT_EQ(info->chunks[0].crc, c.crc) << std::hex << c.id;
    }
}

TEST(ReceiverInfo, ChunkCountFromBlockLength)
{
    struct Case {
        std::size_t length;
        std::optional<std::size_t> chunks;
    };
    const Case cases[] = {{0, std::nullopt}, {1, std::nullopt}, {2, 0},        {129, 0},
                          {130, 1},          {257, 1},          {258, 2},      {2 + 128 * 15, 15},
                          {2046, 15},        {2 + 128 * 16, 15}, {2 + 128 * 20 + 5, 15}};
    for (const Case& c : cases) {
        std::vector<std::uint8_t> block(c.length, 0);
        const auto info = ParseReceiverInfo(block);
        ASSERT_EQ(info.has_value(), c.chunks.has_value()) << c.length;
        if (info) {
            EXPECT_EQ(info->chunks.size(), *c.chunks) << c.length;
        }
    }
}

TEST(ReceiverInfo, FieldsAndTexts)
{
    std::vector<std::uint8_t> block{12, 0xA5};
    const auto first = Record(0x03FC0100, 0x11111111, {"default db", "", "ABCDEFGHIJKLMNOP"});
    const auto second = Record(0x77000000, 0x22222222, {"0123456789abcdef", "x"});
    block.insert(block.end(), first.begin(), first.end());
    block.insert(block.end(), second.begin(), second.end());
    const auto info = ParseReceiverInfo(block);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->flashSize, 0x200000u);
    EXPECT_EQ(info->secondByte, 0xA5u);
    ASSERT_EQ(info->chunks.size(), 2u);
    const ChunkInfo& a = info->chunks[0];
    EXPECT_EQ(a.id, 0x03FC0100u);
    EXPECT_EQ(a.length, 0x01020304u);
    EXPECT_EQ(a.nextOffset, 0x0A0B0C0Du);
    EXPECT_EQ(a.crc, 0x11111111u);
    EXPECT_EQ(a.texts[0], "default db");
    EXPECT_EQ(a.texts[1], "");
    // Sixteen characters with no zero stop at the field's end, not in the bytes after it.
    EXPECT_EQ(a.texts[2], "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(info->chunks[1].texts[0], "0123456789abcdef");
    EXPECT_EQ(info->chunks[1].texts[1], "x");
    // Unused FF bytes without any zero make a 16-byte text of FF, still bounded.
    EXPECT_EQ(info->chunks[1].texts[2], std::string(16, '\xFF'));
}

} // namespace
} // namespace torvane
