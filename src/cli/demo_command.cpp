#include <charconv>
#include <string>

#include "cli/cli_document.h"
#include "demo/demo_image.h"

// torvane-cli demo OUT.bin [--satellites N] [--tps N] [--programs N] [--seed N]

namespace torvane {
namespace {

std::optional<int> NumberOption(const CliArguments& arguments, std::string_view name, int fallback, int limit)
{
    const std::optional<std::string> text = arguments.Value(name);
    if (!text)
        return fallback;
    int value = -1;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc{} || end != text->data() + text->size() || value < 0 || value > limit)
        return std::nullopt;
    return value;
}

} // namespace

int RunDemoCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    const auto usage = [&](const std::string& text) {
        context.Fail("demo: " + text);
        return kExitUsage;
    };
    if (!arguments.Parse(args, {"--satellites", "--tps", "--programs", "--seed"}, {}))
        return usage(arguments.Error());
    if (arguments.Positional().size() != 1 || SaveAsKindOf(arguments.Positional()[0]) != SaveAsKind::Bin)
        return usage("expected OUT.bin");
    const DemoImageOptions defaults;
    const std::optional<int> satellites = NumberOption(arguments, "--satellites", defaults.satellites, 64);
    const std::optional<int> tps = NumberOption(arguments, "--tps", defaults.tpsPerSatellite, 64);
    const std::optional<int> programs = NumberOption(arguments, "--programs", defaults.programs, 4000);
    const std::optional<int> seed = NumberOption(arguments, "--seed", static_cast<int>(defaults.seed), 0x7FFFFFFF);
    if (!satellites || !tps || !programs || !seed)
        return usage("--satellites and --tps take 0 to 64, --programs 0 to 4000, --seed a number");

    const std::unique_ptr<Document> document = NewCliDocument(context);
    if (!document)
        return kExitFailure;
    const DemoImageOptions options{*satellites, *tps, *programs, static_cast<std::uint32_t>(*seed)};
    return WriteDemoImage(arguments.Positional()[0], document->Schema(), document->Type(), options, context.Prompts())
        ? kExitOk
        : kExitFailure;
}

} // namespace torvane
