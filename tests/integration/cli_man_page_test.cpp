// torvane-cli's manual page against its --help: the page documents exactly the commands the
// usage lists, and every option the usage names.

#include <regex>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

namespace torvane {
namespace {

using Words = std::set<std::string>;

std::string FirstWord(const std::string& text)
{
    std::istringstream words(text);
    std::string word;
    words >> word;
    return word;
}

// A roff line as it reads: font changes dropped, "\-" a hyphen, "\&" nothing, no quotes.
std::string PlainRoff(const std::string& line)
{
    static const std::regex kEscapes(R"(\\f[BIRP]|\\&|")");
    return std::regex_replace(std::regex_replace(line, kEscapes, ""), std::regex(R"(\\-)"), "-");
}

// The first word of each line indented under "commands:".
Words HelpCommands(const std::string& usage)
{
    Words commands;
    std::istringstream lines(usage);
    std::string line;
    bool listed = false;
    while (std::getline(lines, line)) {
        if (listed && line.starts_with("  "))
            commands.insert(FirstWord(line));
        listed = listed || line == "commands:";
    }
    return commands;
}

// The first word of the tag of each .TP paragraph in the section COMMANDS, its macro left out.
Words PageCommands(const std::string& page)
{
    Words commands;
    std::istringstream lines(page);
    std::string line;
    bool inCommands = false;
    bool tag = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with(".SH")) {
            inCommands = line == ".SH COMMANDS";
        } else if (inCommands && tag) {
            const std::size_t text = line.starts_with(".") ? line.find(' ') : 0;
            if (text != std::string::npos)
                commands.insert(FirstWord(PlainRoff(line.substr(text))));
        }
        tag = inCommands && line == ".TP";
    }
    return commands;
}

Words Options(const std::string& text)
{
    Words options;
    static const std::regex kOption("--[a-z][a-z-]*");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kOption); it != std::sregex_iterator(); ++it)
        options.insert(it->str());
    return options;
}

// The words of a that b lacks, one line.
std::string Missing(const Words& a, const Words& b)
{
    std::string missing;
    for (const std::string& word : a) {
        if (!b.contains(word))
            missing += word + " ";
    }
    return missing;
}

TEST(CliManPageTest, DocumentsTheCommandsAndOptionsOfHelp)
{
    const test::ScratchFolder scratch;
    const test::CliRun help = test::RunCli({"--help"}, scratch.Path());
    ASSERT_EQ(help.status, 0) << help.err;
    const std::string page = test::TextOf(test::sourcePath("man/torvane-cli.1"));
    ASSERT_FALSE(page.empty());

    const Words helpCommands = HelpCommands(help.out);
    const Words pageCommands = PageCommands(page);
    ASSERT_TRUE(helpCommands.contains("edit") && helpCommands.contains("save-as")) << help.out;
    EXPECT_EQ(Missing(helpCommands, pageCommands), "") << "commands of --help the page lacks";
    EXPECT_EQ(Missing(pageCommands, helpCommands), "") << "commands of the page --help lacks";

    const Words helpOptions = Options(help.out);
    ASSERT_TRUE(helpOptions.contains("--allow-cut")) << help.out;
    EXPECT_EQ(Missing(helpOptions, Options(PlainRoff(page))), "") << "options of --help the page lacks";
}

} // namespace
} // namespace torvane
