// The template header reader and the compiled-template reader over the same bytes. Whatever
// parses as a header must survive its compiled form unchanged.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_target.h"
#include "schema/node_schema.h"
#include "util/silent_prompts.h"
#include "support/test_paths.h"
#include "unit/schema/template_builder.h"
#include "util/file_reader.h"

namespace torvane::fuzz {

std::vector<Input> Seeds()
{
    test::TemplateBodies annotated;
    annotated.tp = "UINT16 tp_id /*#pos:1@*/; UINT16 sat_id /*#pos:2@*/; UINT32 pol:1 /*#pos:3@*/; UINT32 rest:31;";
    annotated.sat = "UINT16 sat_id /*#pos:1@*/; UINT8 satname[8] /*#type:string|pos:2@*/;";
    annotated.prog = "UINT8 name[6] /*#name:Service Name|type:string|pos:1@*/; UINT8 count /*#pos:2|masked:1@*/;"
                     " UINT16 pids[3]; unsigned char flag;";
    std::vector<std::string> texts = {test::TemplateText({}), test::TemplateText(annotated)};
    if (const auto sample = ReadFileBytes(test::sourcePath("samples/template.h")))
        texts.emplace_back(sample->begin(), sample->end());

    std::vector<Input> seeds;
    for (const std::string& text : texts) {
        seeds.emplace_back(text.begin(), text.end());
        SilentPrompts prompts;
        NodeSchema schema;
        if (schema.ParseTemplateText(text, prompts))
            seeds.push_back(schema.Compile());
    }
    return seeds;
}

} // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace torvane;
    const std::span<const std::uint8_t> bytes(data, size);
    SilentPrompts prompts;

    NodeSchema parsed;
    if (parsed.ParseTemplateText(std::string_view(reinterpret_cast<const char*>(data), size), prompts)) {
        const std::vector<std::uint8_t> compiled = parsed.Compile();
        NodeSchema reread;
        reread.ReadCompiledBytes(compiled);
        fuzz::Check(reread.Compile() == compiled, "a parsed template changes through its compiled form");
    }

    NodeSchema fromBytes;
    fromBytes.ReadCompiledBytes(bytes);
    for (int kind = 0; kind < kNodeKindCount; ++kind) {
        const auto k = static_cast<NodeKind>(kind);
        (void)fromBytes.NodeSize(k);
        (void)fromBytes.FindField(k, FieldView::Position, "sat_id");
    }
    return 0;
}
