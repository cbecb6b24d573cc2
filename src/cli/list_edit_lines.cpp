#include "cli/list_edit_lines.h"

#include "document/document.h"
#include "editing/lists/apply_order.h"
#include "editing/lists/csv_import.h"
#include "editing/lists/list_file.h"
#include "util/file_reader.h"

namespace torvane {
namespace {

void Summary(CliContext& context, const std::string& command, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        context.Prompts().Message(command + ": " + line);
}

bool ApplyOrder(CliContext& context, Document& document, const std::vector<std::string>& args, std::string& error)
{
    ApplyOrderOptions options;
    std::optional<std::string> reference;
    for (const std::string& arg : args) {
        if (arg == "--favorites")
            options.copyFavorites = true;
        else if (arg == "--names")
            options.copyNames = true;
        else if (!reference && !arg.starts_with("--"))
            reference = arg;
        else {
            error = "apply-order takes REF [--favorites] [--names]";
            return false;
        }
    }
    if (!reference) {
        error = "apply-order takes REF [--favorites] [--names]";
        return false;
    }
    ListFile file = ReadListFile(*reference, document);
    if (!file.table) {
        for (const std::string& line : CsvErrorLines(file.errors))
            context.Fail("edit: " + *reference + ": " + line);
        error = "cannot read \"" + *reference + "\"";
        return false;
    }
    const ApplyOrderPlan plan(ReadDocumentTable(document), std::move(*file.table));
    Summary(context, "apply-order", plan.Summary().Lines());
    plan.Apply(document.Store(), options);
    return true;
}

bool ImportCsv(CliContext& context, Document& document, const std::vector<std::string>& args, std::string& error)
{
    if (args.size() != 1) {
        error = "import-csv takes FILE.csv";
        return false;
    }
    const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(args[0]);
    if (!bytes) {
        error = "cannot read \"" + args[0] + "\"";
        return false;
    }
    const CsvImport import(document,
                           std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (!import.Errors().empty()) {
        for (const std::string& line : CsvErrorLines(import.Errors()))
            context.Fail("edit: " + args[0] + ": " + line);
        error = "nothing imported from \"" + args[0] + "\"";
        return false;
    }
    Summary(context, "import-csv", import.SummaryLines());
    import.Apply(document.Store());
    return true;
}

} // namespace

bool IsListEditLine(const std::string& command)
{
    return command == "apply-order" || command == "import-csv";
}

bool RunListEditLine(CliContext& context, Document& document, const std::string& command,
                     const std::vector<std::string>& args, std::string& error)
{
    const bool done = command == "apply-order" ? ApplyOrder(context, document, args, error)
                                               : ImportCsv(context, document, args, error);
    // The list shows the new order and values.
    if (done)
        document.List().ShowList(document.List().CurrentItem());
    return done;
}

} // namespace torvane
