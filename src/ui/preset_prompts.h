#pragma once

#include <optional>
#include <string>
#include <utility>

#include "util/user_prompts.h"

namespace torvane {

// UserPrompts that answers questions given in advance on the command line (the project type, the
// chunk of the file named there) and passes everything else on. A preset chunk answer or caption
// is used once.
class PresetPrompts final : public UserPrompts {
public:
    explicit PresetPrompts(UserPrompts& inner) : m_inner(&inner) {}

    void SetInner(UserPrompts& inner) { m_inner = &inner; }
    // The option chosen whenever a ChooseOne with this caption is asked.
    void PresetChoice(std::string caption, int index);
    // The answer to the next chunk question (nothing: ask the user).
    void PresetChunks(std::optional<ChunkChoice> choice) { m_chunks = choice; }
    // The caption the next chunk question is asked under instead of its own (nothing: its own).
    void PresetChunkCaption(std::optional<std::string> caption) { m_chunkCaption = std::move(caption); }

    void Message(std::string_view text) override { m_inner->Message(text); }
    void Warning(std::string_view text, std::string_view caption) override { m_inner->Warning(text, caption); }
    bool AskYesNo(std::string_view text) override { return m_inner->AskYesNo(text); }
    YesNoAnswer AskYesNoOrCancel(std::string_view text) override { return m_inner->AskYesNoOrCancel(text); }
    std::optional<int> ChooseOne(std::string_view caption, const std::vector<std::string>& options,
                                 std::optional<int> preset) override;
    std::optional<ChunkChoice> ChooseChunks(std::string_view caption, ChunkChoice initial, bool exclusive) override;
    std::optional<std::string> ChooseOpenFile(std::string_view filterText) override
    {
        return m_inner->ChooseOpenFile(filterText);
    }
    std::optional<std::string> ChooseSaveFile(std::string_view filterText, std::string_view defaultName) override
    {
        return m_inner->ChooseSaveFile(filterText, defaultName);
    }

private:
    UserPrompts* m_inner;
    std::optional<std::pair<std::string, int>> m_choice;
    std::optional<ChunkChoice> m_chunks;
    std::optional<std::string> m_chunkCaption;
};

} // namespace torvane
