#pragma once

#include "cli/cli_commands.h"

namespace torvane {

// torvane-cli probe --port PORT: PORT is a port number (1 is /dev/ttyS0, COM1 on Windows) or a
// device path. Greets the receiver at 115200 bit/s, 8 data bits, even parity, one stop bit, reads
// its information and prints the protocol version, the flash size and one line per chunk.
int RunProbeCommand(CliContext& context, CommandArgs args);

} // namespace torvane
