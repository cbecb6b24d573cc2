// The chunk chain of a flash image and the byte side of opening and saving one. The walk over
// the bytes in memory and the walk over the same bytes as a file must agree; every region the
// image hands out must lie inside the file; a default database written into the image must leave
// its chunk with a matching CRC.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "database/chunk_chain.h"
#include "database/database_image.h"
#include "database/flash_image.h"
#include "database/zlib_codec.h"
#include "fuzz/fuzz_target.h"
#include "fuzz/scratch_file.h"
#include "support/demo_database.h"
#include "support/flash_test_images.h"
#include "util/silent_prompts.h"

namespace torvane::fuzz {

std::vector<Input> Seeds()
{
    test::DemoDatabase demo(test::DemoOptions{1, 2, 2, 0x600});
    const Input region = demo.BuildRegion();
    Check(demo.IsReady() && !region.empty(), "the demo region could not be built");

    const Input plainDefault = test::PatternBytes(0x100, 7);
    Input compressed(0x200);
    std::size_t compressedSize = 0;
    Check(ZlibCompress(plainDefault, compressed, kDefaultCompressionLevel, compressedSize) == 0,
          "the default stream could not be compressed");
    compressed.resize(compressedSize);

    using test::TestChunk;
    const auto code = TestChunk{.identifier = 0x01FE0100, .extent = 0x100};
    const auto user = [&](bool noCheck, std::uint8_t reserved) {
        return TestChunk{.identifier = kUserChunkId,
                         .extent = static_cast<std::uint32_t>(kChunkHeaderSize + region.size()),
                         .noCheck = noCheck, .reservedByte = reserved, .data = region};
    };
    const auto defaults = [](const Input& data) {
        return TestChunk{.identifier = kDefaultChunkId,
                         .extent = static_cast<std::uint32_t>(kChunkHeaderSize + data.size() + 0x20), .data = data};
    };
    const std::vector<std::vector<TestChunk>> chains = {
        {code, defaults(plainDefault), user(true, 0xFF)},
        {code, user(false, 0x00), defaults(compressed)},
        {defaults(compressed)},
        {user(true, 0xFF)},
        {code, TestChunk{.identifier = kDefaultChunkId, .extent = 0x100, .nextOffset = 0x40}, user(true, 0xFF)},
    };
    std::vector<Input> seeds;
    for (const auto& chain : chains) {
        std::size_t size = 0;
        for (const TestChunk& chunk : chain)
            size += chunk.extent;
        seeds.push_back(test::BuildFlashImage(chain, size));
    }
    return seeds;
}

namespace {

bool SameChunk(const WalkedChunk& a, const WalkedChunk& b)
{
    return a.offset == b.offset && a.header.identifier == b.header.identifier && a.header.length == b.header.length
        && a.header.nextOffset == b.header.nextOffset && a.header.checkValue == b.header.checkValue
        && a.check == b.check;
}

bool SameOptionalChunk(const std::optional<WalkedChunk>& a, const std::optional<WalkedChunk>& b)
{
    return a.has_value() == b.has_value() && (!a || SameChunk(*a, *b));
}

bool SameWalk(const ChunkWalk& a, const ChunkWalk& b)
{
    return a.count == b.count && a.stop == b.stop && a.chunks.size() == b.chunks.size()
        && std::equal(a.chunks.begin(), a.chunks.end(), b.chunks.begin(), SameChunk)
        && SameOptionalChunk(a.rejected, b.rejected) && SameOptionalChunk(a.userChunk, b.userChunk)
        && SameOptionalChunk(a.defaultChunk, b.defaultChunk);
}

void CheckWalk(const ChunkWalk& walk, std::size_t fileSize)
{
    Check(walk.stop == WalkStop::ChainEnd ? walk.count == static_cast<int>(walk.chunks.size()) : walk.count == 0,
          "the chunk count does not follow the walk's end");
    for (std::size_t i = 0; i < walk.chunks.size(); ++i) {
        Check(walk.chunks[i].offset + kChunkHeaderSize <= fileSize, "an accepted chunk header lies past the file");
        Check(i == 0 || walk.chunks[i].offset > walk.chunks[i - 1].offset, "the walk went backwards");
    }
}

void OpenAndWrite(const std::string& path, std::size_t fileSize, SilentPrompts& prompts)
{
    FlashImage image;
    if (const std::optional<UserRegion> region = image.OpenUserDatabase(path, prompts)) {
        Check(region->offset <= fileSize && region->length <= fileSize - region->offset,
              "the user region lies outside the file");
        DatabaseImage database;
        (void)database.parserdb(path, region->offset, static_cast<std::uint32_t>(region->length), prompts);

        std::span<const std::uint8_t> built;
        const bool written = image.WriteUserDatabaseIntoImage(
            [&built](std::span<std::uint8_t> target) {
                built = target;
                return true;
            },
            region->length, prompts);
        const std::span<const std::uint8_t> loaded = image.Image();
        Check(!written
                  || (built.data() >= loaded.data() && built.data() + built.size() <= loaded.data() + loaded.size()),
              "the user database was built outside the image");
    }

    for (const ProjectType type : {ProjectType::ZUV_DVBS_V1, ProjectType::ZUV_DVBS_V4}) {
        if (const auto source = image.OpenDefaultDatabase(path, type, prompts))
            Check(source->stream.size() <= std::max<std::size_t>(fileSize, kDefaultStreamCapacity),
                  "the default stream is larger than its source could give");
    }

    // A default database written into the image's default chunk fixes the chunk's length and CRC.
    if (!image.IsOpen() || !image.LoadImage())
        return;
    const std::optional<ImageArea> area = image.DefaultArea();
    const bool generated = image.WriteDefaultArea(
        ProjectType::ZUV_DVBS_V1,
        [](std::span<std::uint8_t> destination) -> std::optional<std::size_t> {
            std::fill_n(destination.begin(), std::min<std::size_t>(destination.size(), 16), std::uint8_t{0x5A});
            return destination.size();
        },
        prompts);
    if (!generated || !area || !image.Walk().defaultChunk)
        return;
    const ChunkWalk rewalk = WalkChunks(image.Image(), kOpenWalkLimit);
    const std::uint64_t chunkOffset = area->offset - kChunkHeaderSize;
    const auto found = std::find_if(rewalk.chunks.begin(), rewalk.chunks.end(),
                                    [&](const WalkedChunk& c) { return c.offset == chunkOffset; });
    Check(found != rewalk.chunks.end() && found->check == ChunkCheck::Ok,
          "the default chunk does not check after the default database was written");
}

} // namespace

} // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace torvane;
    static const fuzz::ScratchFile file("torvane-chunk-fuzz");
    const std::span<const std::uint8_t> bytes(data, size);
    SilentPrompts prompts;

    for (const std::optional<std::uint32_t> limit : {std::optional<std::uint32_t>{}, std::optional{kOpenWalkLimit}}) {
        const ChunkWalk walk = WalkChunks(bytes, limit);
        fuzz::CheckWalk(walk, size);
        (void)walk.UserDataOffset();
        (void)walk.UserLength();
        (void)walk.DefaultChunkSize();
    }

    fuzz::Check(file.Write(bytes), "the scratch file could not be written");
    fuzz::Check(fuzz::SameWalk(WalkChunks(bytes, kOpenWalkLimit), WalkChunks(file.Path(), kOpenWalkLimit)),
                "the walk over the file differs from the walk over its bytes");
    fuzz::OpenAndWrite(file.Path(), size, prompts);
    return 0;
}
