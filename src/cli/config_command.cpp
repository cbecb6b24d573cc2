#include <filesystem>
#include <string>

#include "cli/cli_document.h"
#include "schema/node_schema.h"
#include "util/file_name.h"

// torvane-cli config [--project-type NAME]

namespace torvane {
namespace {

constexpr std::string_view kProjectTypeOption = "--project-type";

} // namespace

int RunConfigCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {std::string(kProjectTypeOption)}, {}) || !arguments.Positional().empty()) {
        context.Fail("config: " + (arguments.Error().empty() ? std::string("expected no file") : arguments.Error()));
        return kExitUsage;
    }
    ProjectConfig& config = context.Config();
    if (const std::optional<std::string> name = arguments.Value(kProjectTypeOption)) {
        const std::optional<ProjectType> type = ProjectTypeFromName(*name);
        if (!type) {
            context.Fail("config: " + UnknownProjectTypeText(*name));
            return kExitUsage;
        }
        // The user's configuration folder may not exist yet.
        std::error_code ignored;
        std::filesystem::create_directories(FileNamePath(config.Folder()), ignored);
        if (!config.SaveProjectType(*type)) {
            context.Fail("cannot write \"" + config.ConfigIniPath() + "\"");
            return kExitFailure;
        }
    }

    const std::optional<ProjectType> type = config.ReadProjectTypeFile();
    NodeSchema schema;
    const bool compiled = schema.ReadCompiled(config.CompiledTemplatePath());
    Print(context.Out(), "folder " + config.Folder() + "\n");
    Print(context.Out(), "project-type " + std::string(type ? ProjectTypeName(*type) : "none") + "\n");
    Print(context.Out(), std::string("script.ini ") + (compiled ? "present" : "missing") + "\n");
    if (compiled)
        Print(context.Out(), LayoutLines(schema));
    return kExitOk;
}

} // namespace torvane
