#include "cli/cli_prompts.h"

namespace torvane {
namespace {

void WriteLine(std::FILE* out, std::string_view text)
{
    // Some of the system's messages end in a line feed of their own; the line ends once.
    while (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

} // namespace

void CliPrompts::Message(std::string_view text)
{
    ++m_messages;
    WriteLine(m_errors, text);
}

void CliPrompts::Refuse(std::string_view question, std::string_view options)
{
    ++m_unanswered;
    std::string line = "torvane-cli: no answer to \"" + std::string(question) + "\" in a non-interactive run";
    if (!options.empty())
        line += " (" + std::string(options) + ")";
    WriteLine(m_errors, line);
}

bool CliPrompts::AskYesNo(std::string_view text)
{
    if (const auto it = m_yesNo.find(text); it != m_yesNo.end())
        return it->second;
    Refuse(text, "Yes or No");
    return false;
}

std::optional<int> CliPrompts::ChooseOne(std::string_view caption, const std::vector<std::string>& options,
                                         std::optional<int>)
{
    if (const auto it = m_choices.find(caption); it != m_choices.end())
        return it->second;
    std::string names;
    for (const std::string& option : options)
        names += (names.empty() ? "" : ", ") + option;
    Refuse(caption, names);
    return std::nullopt;
}

std::optional<ChunkChoice> CliPrompts::ChooseChunks(std::string_view caption, ChunkChoice, bool)
{
    if (const auto it = m_chunks.find(caption); it != m_chunks.end())
        return it->second;
    Refuse(caption, "--default, --user");
    return std::nullopt;
}

std::optional<std::string> CliPrompts::ChooseOpenFile(std::string_view filterText)
{
    if (const auto it = m_files.find(filterText); it != m_files.end())
        return it->second;
    Refuse(filterText, "");
    return std::nullopt;
}

std::optional<std::string> CliPrompts::ChooseSaveFile(std::string_view filterText, std::string_view)
{
    // Answered like an open dialog: by its filter.
    return ChooseOpenFile(filterText);
}

} // namespace torvane
