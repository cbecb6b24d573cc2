#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace torvane {

// Result of every link operation. Codes from 0x10000 up are the receiver's own error codes and
// pass through unchanged.
using LinkStatus = std::uint32_t;

namespace link_status {
inline constexpr LinkStatus kSuccess = 0;
inline constexpr LinkStatus kGenericError = 1;
inline constexpr LinkStatus kCannotConnect = 2;
inline constexpr LinkStatus kSendData = 3;
inline constexpr LinkStatus kEchoMismatch = 4;
inline constexpr LinkStatus kSendCommand = 5;
inline constexpr LinkStatus kCancelled = 6;
inline constexpr LinkStatus kNotConnected = 7;
inline constexpr LinkStatus kReadTimeout = 8;
inline constexpr LinkStatus kTargetError = 10;
inline constexpr LinkStatus kNotRecognised = 11;
inline constexpr LinkStatus kOverrunRetries = 12;
inline constexpr LinkStatus kBurn = 13;
inline constexpr LinkStatus kDumpLength = 14;
inline constexpr LinkStatus kDumpError = 21;
inline constexpr LinkStatus kReadData = 23;
inline constexpr LinkStatus kSendPacketHead = 24;
inline constexpr LinkStatus kSendPacketData = 25;
inline constexpr LinkStatus kSendPacketDataCrc = 26;
inline constexpr LinkStatus kNoPacket = 27;
inline constexpr LinkStatus kReceivePacketHead = 28;
inline constexpr LinkStatus kPacketHeadCrc = 29;
inline constexpr LinkStatus kReceivePacketData = 30;
inline constexpr LinkStatus kPacketDataCrc = 31;
inline constexpr LinkStatus kPacketNotRecognised = 32;
inline constexpr LinkStatus kFileNotOpen = 36;
inline constexpr LinkStatus kReadFileData = 37;
inline constexpr LinkStatus kSendPacketFailed = 40;
inline constexpr LinkStatus kToolNotStarted = 41;
inline constexpr LinkStatus kCommandExecuted = 42;
inline constexpr LinkStatus kFirstReceiverError = 0x10000;
inline constexpr LinkStatus kChunkNotFound = 0x10003;
inline constexpr LinkStatus kNotDumpAll = 0x10006;
} // namespace link_status

struct LinkStatusRow {
    LinkStatus code;
    std::string_view text;
};

// Every status with a text, in the order they are looked up.
std::span<const LinkStatusRow> LinkStatusTable();

// The status's text followed by "\r\n", or an empty text for a code without one.
std::string LinkStatusText(LinkStatus status);

inline bool IsReceiverError(std::uint32_t value)
{
    return value >= link_status::kFirstReceiverError;
}

} // namespace torvane
