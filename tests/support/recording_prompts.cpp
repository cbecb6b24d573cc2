#include "support/recording_prompts.h"

namespace torvane::test {

namespace {
template <typename T, typename Fallback>
T takeFront(std::deque<T>& queue, Fallback fallback)
{
    if (queue.empty())
        return fallback;
    T value = queue.front();
    queue.pop_front();
    return value;
}
} // namespace

void RecordingPrompts::Message(std::string_view text)
{
    messages.emplace_back(text);
}

void RecordingPrompts::Warning(std::string_view text, std::string_view caption)
{
    messages.push_back(std::string(caption) + ": " + std::string(text));
}

bool RecordingPrompts::AskYesNo(std::string_view text)
{
    questions.emplace_back(text);
    return takeFront(yesNoAnswers, false);
}

std::optional<int> RecordingPrompts::ChooseOne(std::string_view caption, const std::vector<std::string>& options,
                                               std::optional<int> preset)
{
    questions.emplace_back(caption);
    choiceOptions.push_back(options);
    choicePresets.push_back(preset);
    return takeFront(choiceAnswers, std::optional<int>{});
}

std::optional<ChunkChoice> RecordingPrompts::ChooseChunks(std::string_view caption, ChunkChoice initial,
                                                         bool exclusive)
{
    questions.emplace_back(caption);
    chunkQuestions.push_back({std::string(caption), initial, exclusive});
    return takeFront(chunkAnswers, std::optional<ChunkChoice>{});
}

std::optional<std::string> RecordingPrompts::ChooseOpenFile(std::string_view filterText)
{
    questions.emplace_back(filterText);
    return takeFront(fileAnswers, std::optional<std::string>{});
}

std::optional<std::string> RecordingPrompts::ChooseSaveFile(std::string_view filterText, std::string_view defaultName)
{
    questions.emplace_back(filterText);
    saveNames.emplace_back(defaultName);
    return takeFront(fileAnswers, std::optional<std::string>{});
}

} // namespace torvane::test
