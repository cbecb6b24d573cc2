#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/user_prompts.h"

namespace torvane::test {

// Shows nothing and refuses every question (No, Cancel, no file), for fuzz targets and benchmarks
// that drive the core without anyone to answer.
class SilentPrompts final : public UserPrompts {
public:
    void Message(std::string_view) override {}
    bool AskYesNo(std::string_view) override { return false; }
    std::optional<int> ChooseOne(std::string_view, const std::vector<std::string>&, std::optional<int>) override
    {
        return std::nullopt;
    }
    std::optional<ChunkChoice> ChooseChunks(std::string_view, ChunkChoice, bool) override { return std::nullopt; }
    std::optional<std::string> ChooseOpenFile(std::string_view) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view) override { return std::nullopt; }
};

} // namespace torvane::test
