#include "receiver_command.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace torvane::sim {
namespace {

std::vector<std::string_view> SplitWords(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        if (line[at] == ' ') {
            ++at;
            continue;
        }
        const std::size_t end = std::min(line.find(' ', at), line.size());
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

std::optional<std::uint32_t> ParseDecimal(std::string_view word)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || error != std::errc() || end != word.data() + word.size())
        return std::nullopt;
    return value;
}

struct Shape {
    std::string_view name;
    CommandKind kind;
    std::size_t numbers;
};

constexpr Shape kShapes[] = {
    {"comtest", CommandKind::Comtest, 1},     {"version", CommandKind::Version, 0},
    {"chunk", CommandKind::Chunk, 0},         {"address", CommandKind::Address, 1},
    {"move", CommandKind::Move, 2},           {"transfer", CommandKind::Transfer, 1},
    {"transferraw", CommandKind::TransferRaw, 1}, {"burn", CommandKind::Burn, 0},
    {"dump", CommandKind::Dump, 2},           {"reboot", CommandKind::Reboot, 0},
};

} // namespace

std::optional<ReceiverCommand> ParseReceiverCommand(std::string_view line)
{
    std::vector<std::string_view> words = SplitWords(line);
    if (words.empty())
        return std::nullopt;
    ReceiverCommand command;
    // Option words that change a command's kind or shape.
    if (words[0] == "version" && words.size() == 2 && words[1] == "-r") {
        command.kind = CommandKind::VersionRaw;
        return command;
    }
    if (words[0] == "transfer" && words.size() == 4 && words[1] == "-z") {
        const auto length = ParseDecimal(words[2]);
        const auto packed = ParseDecimal(words[3]);
        if (!length || !packed)
            return std::nullopt;
        command.kind = CommandKind::Transfer;
        command.compressed = true;
        command.first = *length;
        command.second = *packed;
        return command;
    }
    if (words[0] == "dump" && words.size() == 1) {
        command.kind = CommandKind::Dump;
        return command;
    }
    for (const Shape& shape : kShapes) {
        if (words[0] != shape.name)
            continue;
        if (words.size() != shape.numbers + 1)
            return std::nullopt;
        command.kind = shape.kind;
        std::uint32_t* targets[] = {&command.first, &command.second};
        for (std::size_t i = 0; i < shape.numbers; ++i) {
            const auto value = ParseDecimal(words[i + 1]);
            if (!value)
                return std::nullopt;
            *targets[i] = *value;
        }
        command.hasRange = shape.kind == CommandKind::Dump;
        return command;
    }
    return std::nullopt;
}

} // namespace torvane::sim
