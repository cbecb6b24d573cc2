#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/user_prompts.h"

namespace torvane {

// Shows nothing and refuses every question (No, Cancel, no file): for work done without anyone to
// answer (files read in the background, checks whose refusal is collected, fuzz targets and
// benchmarks). The last message is kept for whoever wants to report it.
class SilentPrompts final : public UserPrompts {
public:
    void Message(std::string_view text) override { m_lastMessage = std::string(text); }
    bool AskYesNo(std::string_view) override { return false; }
    std::optional<int> ChooseOne(std::string_view, const std::vector<std::string>&, std::optional<int>) override
    {
        return std::nullopt;
    }
    std::optional<ChunkChoice> ChooseChunks(std::string_view, ChunkChoice, bool) override { return std::nullopt; }
    std::optional<std::string> ChooseOpenFile(std::string_view) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view) override { return std::nullopt; }

    const std::string& LastMessage() const { return m_lastMessage; }

private:
    std::string m_lastMessage;
};

} // namespace torvane
