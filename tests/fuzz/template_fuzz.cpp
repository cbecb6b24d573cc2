// libFuzzer target for the template header reader and the compiled-template reader.
// Built with -DTORVANE_FUZZ=ON under clang; run e.g. `build-fuzz/tests/template_fuzz -max_len=4096`.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "schema/node_schema.h"
#include "support/silent_prompts.h"

using torvane::test::SilentPrompts;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    SilentPrompts prompts;

    torvane::NodeSchema parsed;
    if (parsed.ParseTemplateText(std::string_view(reinterpret_cast<const char*>(data), size), prompts)) {
        // Whatever parses must survive the compiled form unchanged.
        const std::vector<std::uint8_t> compiled = parsed.Compile();
        torvane::NodeSchema reread;
        reread.ReadCompiledBytes(compiled);
        if (reread.Compile() != compiled)
            __builtin_trap();
    }

    torvane::NodeSchema fromBytes;
    fromBytes.ReadCompiledBytes(bytes);
    for (int kind = 0; kind < torvane::kNodeKindCount; ++kind) {
        const auto k = static_cast<torvane::NodeKind>(kind);
        (void)fromBytes.NodeSize(k);
        (void)fromBytes.FindField(k, torvane::FieldView::Position, "sat_id");
    }
    return 0;
}
