#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/cli_commands.h"
#include "schema/node_schema.h"
#include "util/file_reader.h"

// torvane-cli template compile HEADER.h | template show

namespace torvane {
namespace {

struct KindLabel {
    NodeKind kind;
    const char* label;
};

constexpr std::array<KindLabel, kNodeKindCount> kKindLabels = {{
    {NodeKind::Tp, "tp"}, {NodeKind::Satellite, "sat"}, {NodeKind::Program, "prog"}, {NodeKind::DefaultProgram, "defprog"},
}};

void Print(std::FILE* out, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), out);
}

int Compile(CliContext& context, const std::string& headerPath)
{
    const std::optional<std::vector<std::uint8_t>> header = ReadFileBytes(headerPath);
    if (!header) {
        context.Fail("cannot read \"" + headerPath + "\"");
        return kExitFailure;
    }
    NodeSchema schema;
    const std::string_view text(reinterpret_cast<const char*>(header->data()), header->size());
    if (!schema.ParseTemplateText(text, context.Prompts())) {
        context.Prompts().Message("ParseTemplate failed!");
        return kExitFailure;
    }
    // A config folder named on the command line may not exist yet: make it, as an installer would.
    std::error_code ignored;
    std::filesystem::create_directories(context.Config().Folder(), ignored);
    switch (context.Config().SaveCompiledTemplate(schema, context.Prompts())) {
    case SaveTemplateResult::Saved:
        break;
    case SaveTemplateResult::NoTemplate:
        return kExitFailure;
    case SaveTemplateResult::NotWritten:
        context.Fail("cannot write \"" + context.Config().CompiledTemplatePath() + "\"");
        return kExitFailure;
    }
    for (const KindLabel& entry : kKindLabels) {
        Print(context.Out(), std::string(entry.label) + " fields=" + std::to_string(schema.DeclarationCount(entry.kind))
                                 + " positioned=" + std::to_string(schema.FieldCount(entry.kind))
                                 + " size=" + std::to_string(schema.NodeSize(entry.kind)) + "\n");
    }
    return kExitOk;
}

int Show(CliContext& context)
{
    NodeSchema schema;
    if (!context.LoadCompiledTemplate(schema))
        return kExitFailure;
    for (const KindLabel& entry : kKindLabels) {
        const std::span<const TemplateField> fields = schema.Fields(entry.kind, FieldView::Declaration);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const TemplateField& f = fields[i];
            Print(context.Out(), std::string(entry.label) + " " + std::to_string(i) + " " + f.name
                                     + "\tkind=" + std::to_string(static_cast<int>(f.kind))
                                     + " mask=" + std::to_string(f.mask) + " pos=" + std::to_string(f.pos)
                                     + " width=" + std::to_string(f.width) + " bits=" + std::to_string(f.totalBits)
                                     + " word=" + std::to_string(f.wordIndex) + " bit=" + std::to_string(f.bitOffset)
                                     + "\n");
        }
    }
    return kExitOk;
}

} // namespace

int RunTemplateCommand(CliContext& context, CommandArgs args)
{
    if (args.size() == 2 && args[0] == "compile")
        return Compile(context, args[1]);
    if (args.size() == 1 && args[0] == "show")
        return Show(context);
    context.Fail("template: expected \"compile HEADER.h\" or \"show\"");
    return kExitUsage;
}

} // namespace torvane
