#include "receiver_command.h"

#include <gtest/gtest.h>

namespace torvane::sim {
namespace {

struct ParseCase {
    const char* line;
    bool valid;
    CommandKind kind;
    std::uint32_t first;
    std::uint32_t second;
    bool compressed;
    bool hasRange;
};

class ParseCommand : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseCommand, GivesKindAndArguments)
{
    const ParseCase& c = GetParam();
    const std::optional<ReceiverCommand> command = ParseReceiverCommand(c.line);
    ASSERT_EQ(command.has_value(), c.valid) << c.line;
    if (!c.valid)
        return;
    EXPECT_EQ(command->kind, c.kind);
    EXPECT_EQ(command->first, c.first);
    EXPECT_EQ(command->second, c.second);
    EXPECT_EQ(command->compressed, c.compressed);
    EXPECT_EQ(command->hasRange, c.hasRange);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseCommand,
    ::testing::Values(ParseCase{"comtest 18", true, CommandKind::Comtest, 18, 0, false, false},
                      ParseCase{"version", true, CommandKind::Version, 0, 0, false, false},
                      ParseCase{"version -r", true, CommandKind::VersionRaw, 0, 0, false, false},
                      ParseCase{"chunk", true, CommandKind::Chunk, 0, 0, false, false},
                      ParseCase{"address 4294967295", true, CommandKind::Address, 4294967295u, 0, false, false},
                      ParseCase{"move 67829760 0", true, CommandKind::Move, 67829760u, 0, false,
                                false},
                      ParseCase{"transfer 2500", true, CommandKind::Transfer, 2500, 0, false, false},
                      ParseCase{"transfer -z 65536 1200", true, CommandKind::Transfer, 65536, 1200, true, false},
                      ParseCase{"transferraw 1", true, CommandKind::TransferRaw, 1, 0, false, false},
                      ParseCase{"burn", true, CommandKind::Burn, 0, 0, false, false},
                      ParseCase{"dump", true, CommandKind::Dump, 0, 0, false, false},
                      ParseCase{"dump 0 0", true, CommandKind::Dump, 0, 0, false, true},
                      ParseCase{"dump 4096 1024", true, CommandKind::Dump, 4096, 1024, false, true},
                      ParseCase{"reboot", true, CommandKind::Reboot, 0, 0, false, false},
                      // Malformed lines are refused rather than guessed at.
                      ParseCase{"", false, CommandKind::Reboot, 0, 0, false, false},
                      ParseCase{"address", false, CommandKind::Reboot, 0, 0, false, false},
                      ParseCase{"address 4294967296", false, CommandKind::Reboot, 0, 0, false, false},
                      ParseCase{"address -1", false, CommandKind::Reboot, 0, 0, false, false},
                      ParseCase{"address 0x10", false, CommandKind::Reboot, 0, 0, false, false},
                      ParseCase{"move 1", false, CommandKind::Reboot, 0, 0, false, false},
                      ParseCase{"transfer -z 10", false, CommandKind::Reboot, 0, 0, false, false},
                      ParseCase{"transfer -x 10 5", false, CommandKind::Reboot, 0, 0, false, false},
                      ParseCase{"dump 1", false, CommandKind::Reboot, 0, 0, false, false},
                      ParseCase{"version -x", false, CommandKind::Reboot, 0, 0, false, false},
                      ParseCase{"burn now", false, CommandKind::Reboot, 0, 0, false, false},
                      ParseCase{"format", false, CommandKind::Reboot, 0, 0, false, false}));

} // namespace
} // namespace torvane::sim
