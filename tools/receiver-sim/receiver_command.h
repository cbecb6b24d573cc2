#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torvane::sim {

enum class CommandKind {
    Comtest,      // "comtest N": N greeting bytes follow
    Version,      // "version"
    VersionRaw,   // "version -r"
    Chunk,        // "chunk"
    Address,      // "address A"
    Move,         // "move ID SIZE"
    Transfer,     // "transfer N" or "transfer -z N PACKED"
    TransferRaw,  // "transferraw N"
    Burn,         // "burn"
    Dump,         // "dump S L", or "dump" alone (whole flash as one stream)
    Reboot,       // "reboot"
};

// A command line as the receiver understands it. Numbers are decimal and fit 32 bits.
struct ReceiverCommand {
    CommandKind kind = CommandKind::Reboot;
    bool compressed = false; // "transfer -z"
    bool hasRange = false;   // "dump S L" rather than "dump"
    std::uint32_t first = 0;
    std::uint32_t second = 0;
};

// Parses one command line without its carriage return; nothing for an unknown command or bad
// arguments.
std::optional<ReceiverCommand> ParseReceiverCommand(std::string_view line);

} // namespace torvane::sim
