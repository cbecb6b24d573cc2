#pragma once

#include <cstdint>

#include "receiver_line.h"
#include "trace_log.h"

namespace torvane::sim {

// "comtest N": reads the N greeting bytes that follow the command and sends them back, as they are
// (byte protocol) or each inverted (framed packets).
void AnswerGreeting(ReceiverLine& line, TraceLog& trace, std::uint32_t count, bool inverted);

} // namespace torvane::sim
