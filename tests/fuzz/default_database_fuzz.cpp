// libFuzzer target for the default-database reader: any bytes go through ParseDefaultDatabase into
// an empty store; what is taken must generate a stream that reads back with the same counts.
// Built with -DTORVANE_FUZZ=ON under clang; run e.g. `build-fuzz/tests/default_database_fuzz`.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/database_image.h"
#include "database/default_database_stream.h"
#include "schema/node_schema.h"
#include "document/default_database.h"
#include "store/node_store.h"
#include "store/tree_item.h"
#include "fuzz/fuzz_target.h"
#include "util/silent_prompts.h"

namespace {

using torvane::SilentPrompts;

// Small records with the compact program shape, so that short inputs reach deep into the stream.
constexpr std::string_view kTemplate =
    "/*#tp_node@*/ { UINT16 tp_id /*#pos:1@*/; UINT16 sat_id /*#pos:2@*/; UINT16 frq /*#pos:3@*/;"
    " UINT16 sym /*#pos:4@*/; UINT32 pol:1 /*#pos:5@*/; UINT32 rest:31; }\n"
    "/*#sat_node@*/ { UINT16 sat_id /*#pos:1@*/; UINT8 satname[6] /*#type:string|pos:2@*/; }\n"
    "/*#prog_node@*/ { UINT8 name[4] /*#name:Service Name|type:string|pos:1@*/; UINT16 tp_id /*#pos:2@*/;"
    " UINT16 sat_id /*#pos:3@*/; UINT8 audio_count; UINT8 service_type /*#name:Service Type|pos:4@*/;"
    " UINT16 pad; UINT16 audio_pid1 /*#name:Audio Pid1|pos:5@*/; UINT16 audio_more[19]; UINT16 lang[20];"
    " UINT32 tail[9]; }\n"
    "/*#def_prog_node@*/ { UINT8 name[4]; }\n";

// Large enough for all that an input of libFuzzer's default maximum length (4 KB) can hold, and
// small enough for AddressSanitizer's pooled allocator: its larger blocks are mapped and unmapped
// on every allocation, which cost more than the parsing.
constexpr std::uint32_t kRegionLength = 0x10000;
constexpr std::size_t kStreamCapacity = 0x40000;

} // namespace

namespace torvane::fuzz {

// Streams generated from a small store: satellites with TPs and programs, with and without order.
std::vector<Input> Seeds()
{
    SilentPrompts prompts;
    NodeSchema schema;
    if (!schema.ParseTemplateText(kTemplate, prompts))
        return {};
    DatabaseImage image;
    if (!image.create_empty_header(kRegionLength))
        return {};
    NodeStore store(schema, image, prompts);
    store.EnsureRoots();
    for (std::uint8_t s = 0; s < 2; ++s) {
        std::vector<std::uint8_t> satellite(schema.NodeSize(NodeKind::Satellite), 0);
        satellite.back() = static_cast<std::uint8_t>('A' + s);
        TreeItem* satItem = store.AddSatelliteRecord(satellite);
        for (std::uint8_t t = 0; satItem && t < 2; ++t) {
            std::vector<std::uint8_t> tp(schema.NodeSize(NodeKind::Tp), t);
            TreeItem* tpItem = store.AddTpRecord(satItem, tp);
            // A compact program without audio PIDs: the 12-byte prefix and the 36-byte tail.
            std::vector<std::uint8_t> program(48, 0);
            program[1] = static_cast<std::uint8_t>('a' + t);
            if (tpItem)
                store.AddProgramRecord(tpItem, program, static_cast<std::int16_t>(2 * s + t));
        }
    }
    std::vector<Input> seeds{Input{}};
    for (const bool withOrder : {false, true}) {
        Input stream(kStreamCapacity);
        if (const std::optional<std::size_t> length = DefaultDatabase(store).GenerateDefaultDatabase(stream, withOrder)) {
            stream.resize(*length);
            seeds.push_back(std::move(stream));
        }
    }
    return seeds;
}

} // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace torvane;
    static SilentPrompts prompts;
    static NodeSchema schema;
    static const bool ready = schema.ParseTemplateText(kTemplate, prompts);
    if (!ready)
        __builtin_trap();
    // Kept across runs for the same reason as the region's size.
    static std::vector<std::uint8_t> stream(kStreamCapacity);

    DatabaseImage image;
    if (!image.create_empty_header(kRegionLength))
        return 0;
    NodeStore store(schema, image, prompts);
    store.EnsureRoots();
    if (!DefaultDatabase(store).ParseDefaultDatabase(std::span<const std::uint8_t>(data, size)))
        return 0;

    for (const bool withOrder : {false, true}) {
        DefaultDatabase generator(store);
        const std::optional<std::size_t> length = generator.GenerateDefaultDatabase(stream, withOrder);
        if (!length)
            __builtin_trap();
        const std::optional<DefaultStreamContent> content =
            ReadDefaultStream(std::span(stream).first(*length), schema, prompts);
        if (!content || content->length != *length || content->SatelliteCount() != generator.SatellitesWritten()
            || content->ProgramCount() != generator.ProgramsWritten())
            __builtin_trap();
    }
    return 0;
}
