#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/user_prompts.h"

namespace torvane {

// UserPrompts for a run without a window: messages go to standard error one per line, questions
// are answered from answers given on the command line. A question without an answer is refused
// (No, Cancel) with a line saying so; standard input is never read.
class CliPrompts final : public UserPrompts {
public:
    explicit CliPrompts(std::FILE* errors = stderr) : m_errors(errors) {}

    void Message(std::string_view text) override;
    bool AskYesNo(std::string_view text) override;
    std::optional<int> ChooseOne(std::string_view caption, const std::vector<std::string>& options,
                                 std::optional<int> preset) override;
    std::optional<ChunkChoice> ChooseChunks(std::string_view caption, ChunkChoice initial, bool exclusive) override;
    std::optional<std::string> ChooseOpenFile(std::string_view filterText) override;
    std::optional<std::string> ChooseSaveFile(std::string_view filterText, std::string_view defaultName) override;

    // Answers keyed by the question's text, the choice's caption or the file filter (open and save
    // dialogs alike).
    void AnswerYesNo(std::string question, bool answer) { m_yesNo[std::move(question)] = answer; }
    void AnswerChoice(std::string caption, int index) { m_choices[std::move(caption)] = index; }
    void AnswerChunks(std::string caption, ChunkChoice choice) { m_chunks[std::move(caption)] = choice; }
    void AnswerOpenFile(std::string filterText, std::string path) { m_files[std::move(filterText)] = std::move(path); }

    // How many questions were refused for want of an answer.
    int UnansweredCount() const { return m_unanswered; }
    // How many messages were shown.
    int MessageCount() const { return m_messages; }

private:
    void Refuse(std::string_view question, std::string_view options);

    std::FILE* m_errors;
    std::map<std::string, bool, std::less<>> m_yesNo;
    std::map<std::string, int, std::less<>> m_choices;
    std::map<std::string, ChunkChoice, std::less<>> m_chunks;
    std::map<std::string, std::string, std::less<>> m_files;
    int m_unanswered = 0;
    int m_messages = 0;
};

} // namespace torvane
