#include "link/receiver_probe.h"

#include <cstdio>

#include "link/upgrade_lib.h"

namespace torvane {

namespace {

// Chunk texts come from the receiver: anything but printable ASCII is shown as \xHH.
std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            quoted.push_back(static_cast<char>(c));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            quoted += escaped;
        }
    }
    return quoted + "\"";
}

} // namespace

ProbeResult ProbeReceiver(UpgradeLib& lib, const CancelPredicate& cancel)
{
    ProbeResult result;
    std::uint32_t detected = 0;
    result.status = lib.TestPort(detected, {}, cancel);
    if (result.status != link_status::kSuccess) {
        result.message = "Fail to test port.";
        return result;
    }
    lib.SetProtocolVersion(detected);
    std::uint32_t reported = 0;
    result.status = lib.GetReceiverInfo(reported, result.info);
    if (result.status != link_status::kSuccess) {
        result.message = "Fail to get version.";
        return result;
    }
    result.version = reported == 0 ? 16 : reported;
    lib.SetProtocolVersion(result.version);
    return result;
}

std::vector<std::string> DescribeReceiver(std::uint32_t version, const ReceiverInfo& info)
{
    std::vector<std::string> lines;
    char line[160];
    std::snprintf(line, sizeof line, "Transfer protocol version: %u.%u", version / 16, version % 16);
    lines.emplace_back(line);
    std::snprintf(line, sizeof line, "Flash size: 0x%X", info.flashSize);
    lines.emplace_back(line);
    for (std::size_t i = 0; i < info.chunks.size(); ++i) {
        const ChunkInfo& chunk = info.chunks[i];
        std::snprintf(line, sizeof line, "Chunk %zu: id 0x%08X length 0x%X next 0x%X crc 0x%08X ", i + 1, chunk.id,
                      chunk.length, chunk.nextOffset, chunk.crc);
        lines.emplace_back(std::string(line) + Quoted(chunk.texts[0]) + " " + Quoted(chunk.texts[1]) + " "
                           + Quoted(chunk.texts[2]));
    }
    return lines;
}

} // namespace torvane
