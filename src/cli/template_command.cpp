#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/cli_document.h"
#include "database/compact_program_record.h"
#include "schema/node_schema.h"
#include "util/file_reader.h"
#include "util/file_name.h"

// torvane-cli template compile HEADER.h | template show

namespace torvane {
namespace {

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
    std::filesystem::create_directories(FileNamePath(context.Config().Folder()), ignored);
    switch (context.Config().SaveCompiledTemplate(schema, context.Prompts())) {
    case SaveTemplateResult::Saved:
        break;
    case SaveTemplateResult::NoTemplate:
        return kExitFailure;
    case SaveTemplateResult::NotWritten:
        context.Fail("cannot write \"" + context.Config().CompiledTemplatePath() + "\"");
        return kExitFailure;
    }
    if (!CompactProgramRecord(schema).IsValid())
        context.Fail("warning: the program layout lacks what default databases need (\"Audio Pid1\" followed by "
                     "twenty audio PIDs, twenty entries of a second audio array and nine closing words, with "
                     "audio_count before them); every default-database command will fail with this template");
    Print(context.Out(), LayoutLines(schema));
    return kExitOk;
}

int Show(CliContext& context)
{
    NodeSchema schema;
    if (!context.LoadCompiledTemplate(schema))
        return kExitFailure;
    for (const NodeKind kind : kCliNodeKinds) {
        const std::span<const TemplateField> fields = schema.Fields(kind, FieldView::Declaration);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const TemplateField& f = fields[i];
            Print(context.Out(), std::string(NodeKindLabel(kind)) + " " + std::to_string(i) + " " + f.name
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
