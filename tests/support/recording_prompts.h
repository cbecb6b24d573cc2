#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "util/user_prompts.h"

namespace torvane::test {

// Records every message and question, and answers questions from scripted queues. An unscripted
// question answers No / Cancel, so a test that forgets to script one sees the refusal path.
class RecordingPrompts final : public UserPrompts {
public:
    void Message(std::string_view text) override;
    // Recorded among the messages as "<caption>: <text>".
    void Warning(std::string_view text, std::string_view caption) override;
    bool AskYesNo(std::string_view text) override;
    std::optional<int> ChooseOne(std::string_view caption, const std::vector<std::string>& options,
                                 std::optional<int> preset) override;
    std::optional<ChunkChoice> ChooseChunks(std::string_view caption, ChunkChoice initial, bool exclusive) override;
    std::optional<std::string> ChooseOpenFile(std::string_view filterText) override;
    std::optional<std::string> ChooseSaveFile(std::string_view filterText, std::string_view defaultName) override;

    struct ChunkQuestion {
        std::string caption;
        ChunkChoice initial;
        bool exclusive = false;
    };

    std::vector<std::string> messages;   // message() texts in order
    std::vector<std::string> questions;  // every question's text or caption, in order
    std::vector<ChunkQuestion> chunkQuestions;  // the chunk dialogs shown, with their presets
    std::vector<std::vector<std::string>> choiceOptions;  // the options of every ChooseOne, in order
    std::vector<std::optional<int>> choicePresets;        // and the option each had checked first
    std::vector<std::string> saveNames;                   // the preset name of every save dialog

    std::deque<bool> yesNoAnswers;
    std::deque<std::optional<int>> choiceAnswers;
    std::deque<std::optional<ChunkChoice>> chunkAnswers;
    std::deque<std::optional<std::string>> fileAnswers;  // open and save dialogs alike
};

} // namespace torvane::test
