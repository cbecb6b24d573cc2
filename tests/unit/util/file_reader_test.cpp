#include "util/file_reader.h"

#include <array>
#include <vector>

#include <gtest/gtest.h>

#include "support/scratch_folder.h"

namespace torvane {
namespace {

using test::ScratchFolder;

std::vector<std::uint8_t> Counting(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

struct ReadCase {
    std::uint64_t offset;
    std::size_t size;
    bool fits;
};

class FileReaderBounds : public ::testing::TestWithParam<ReadCase> {};

TEST_P(FileReaderBounds, ReadsOnlyWhatTheFileHolds)
{
    ScratchFolder folder;
    const std::vector<std::uint8_t> content = Counting(300);
    folder.Write("f.bin", content);
    FileReader reader;
    ASSERT_TRUE(reader.Open(folder.Path("f.bin")));
    ASSERT_EQ(reader.Size(), 300u);

    const ReadCase& c = GetParam();
    std::vector<std::uint8_t> out(c.size, 0xEE);
    EXPECT_EQ(reader.ReadAt(c.offset, out), c.fits);
    if (c.fits) {
        EXPECT_TRUE(std::equal(out.begin(), out.end(), content.begin() + static_cast<long>(c.offset)));
    }
}

INSTANTIATE_TEST_SUITE_P(Ranges, FileReaderBounds,
                         ::testing::Values(ReadCase{0, 300, true}, ReadCase{299, 1, true}, ReadCase{300, 0, true},
                                           ReadCase{299, 2, false}, ReadCase{301, 0, false},
                                           ReadCase{0xFFFFFFFFFFFFFFF0ull, 32, false}, ReadCase{128, 16, true}));

TEST(FileReader, RefusesWhatIsNoRegularFile)
{
    ScratchFolder folder;
    FileReader reader;
    EXPECT_FALSE(reader.Open(folder.Path("missing.bin")));
    EXPECT_FALSE(reader.Open(folder.Path()));
    std::array<std::uint8_t, 1> out{};
    EXPECT_FALSE(reader.ReadAt(0, out));
}

TEST(FileReader, ReadFileBytesHonoursTheSizeLimit)
{
    ScratchFolder folder;
    folder.Write("f.bin", Counting(1000));
    EXPECT_EQ(ReadFileBytes(folder.Path("f.bin"), 1000), Counting(1000));
    EXPECT_EQ(ReadFileBytes(folder.Path("f.bin"), 999), std::nullopt);
    folder.Write("empty.bin", {});
    EXPECT_EQ(ReadFileBytes(folder.Path("empty.bin")), std::vector<std::uint8_t>{});
}

} // namespace
} // namespace torvane
