#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/link_callbacks.h"
#include "link/link_status.h"
#include "link/receiver_info.h"

namespace torvane {

class UpgradeLib;

struct ProbeResult {
    LinkStatus status = link_status::kSuccess;
    std::string_view message; // the system's text for a failure, empty on success
    std::uint32_t version = 0;
    ReceiverInfo info;
};

// On an open link: greets the receiver, settles its generation and reads its information. A
// reported version 0 is taken as 16. Leaves the library set to the receiver's version.
ProbeResult ProbeReceiver(UpgradeLib& lib, const CancelPredicate& cancel);

// The receiver's version, flash size and chunks as text lines, one line per chunk.
std::vector<std::string> DescribeReceiver(std::uint32_t version, const ReceiverInfo& info);

} // namespace torvane
