// A user-database region opened as the editor opens it (parserdb, Rearrage, the tree and the
// service lists over the sample template) and written back (CreateUserDataImage). What was
// written must open again and write back byte for byte the same, when its data end can be found.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "database/database_image.h"
#include "fuzz/fuzz_target.h"
#include "schema/node_schema.h"
#include "store/node_store.h"
#include "document/user_image_builder.h"
#include "support/demo_database.h"
#include "util/silent_prompts.h"
#include "support/test_paths.h"

namespace torvane::fuzz {

std::vector<Input> Seeds()
{
    std::vector<Input> seeds;
    for (const test::DemoOptions options : {test::DemoOptions{1, 1, 1, 0x200}, test::DemoOptions{2, 2, 3, 0x1000},
                                            test::DemoOptions{3, 1, 0, 0x400}}) {
        test::DemoDatabase demo(options);
        seeds.push_back(demo.BuildRegion());
        Check(demo.IsReady() && !seeds.back().empty(), "a demo region could not be built");
    }
    return seeds;
}

namespace {

const NodeSchema& SampleSchema()
{
    static const NodeSchema schema = [] {
        NodeSchema parsed;
        SilentPrompts prompts;
        Check(parsed.ParseTemplate(test::sourcePath("samples/template.h"), prompts),
              "the sample template did not parse");
        return parsed;
    }();
    return schema;
}

// A table header's extra bytes are kept as read and written back. When they hold a table's magic,
// the header found nearest to the data end can be one inside them: such a region reads as another
// database by the format's own rule, and is not held to the round trip.
bool ExtrasHoldTableMagic(const DatabaseImage& image)
{
    for (const NodeKind kind : {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program}) {
        const std::vector<std::uint8_t>& extra = image.Table(kind)->extra;
        if (std::search(extra.begin(), extra.end(), kTableMagic.begin(), kTableMagic.end()) != extra.end())
            return true;
    }
    return false;
}

// Opens the region and writes it into a region of the same size; empty when any step refuses or
// the region is ambiguous.
Input OpenAndWrite(std::span<const std::uint8_t> region)
{
    SilentPrompts prompts;
    DatabaseImage image;
    NodeStore store(SampleSchema(), image, prompts);
    if (image.parserdb(region, prompts) != 0 || ExtrasHoldTableMagic(image) || !store.Rearrage(true))
        return {};
    store.BuildTreeFromImage();
    (void)store.BuildAllServicesList();
    Input written(region.size(), 0xFF);
    if (UserImageBuilder(store).CreateUserDataImage(written) != 0)
        return {};
    return written;
}

} // namespace

} // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace torvane;
    const fuzz::Input written = fuzz::OpenAndWrite(std::span(data, size));
    if (written.empty())
        return 0;
    // The data end is found by bisecting for erased words, so records copied from erased-looking
    // input can hide the headers written after them; such a region cannot be told from one whose
    // data ends earlier, and is not held to the round trip.
    const auto lastWritten = std::find_if(written.rbegin(), written.rend(), [](std::uint8_t b) { return b != 0xFF; });
    const std::size_t headersEnd = (static_cast<std::size_t>(written.rend() - lastWritten) + 3) & ~std::size_t{3};
    if (DatabaseImage().FindDataEnd(written) != headersEnd)
        return 0;
    const fuzz::Input again = fuzz::OpenAndWrite(written);
    fuzz::Check(!again.empty(), "a written region does not open and write again");
    fuzz::Check(again == written, "a written region changes when opened and written again");
    return 0;
}
