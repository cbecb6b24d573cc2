#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace torvane::cli {

// torvane-cli probe --port PORT: PORT is a port number (1 is /dev/ttyS0, COM1 on Windows) or a
// device path. Greets the receiver at 115200 bit/s, 8 data bits, even parity, one stop bit, reads
// its information and prints the protocol version, the flash size and one line per chunk.
// `args` are the words after "probe". Returns 0 on success, 1 when the receiver can't be
// reached, 2 for a usage error; messages go to `err`.
int RunProbeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace torvane::cli
