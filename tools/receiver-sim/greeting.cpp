#include "greeting.h"

#include <algorithm>
#include <vector>

namespace torvane::sim {
namespace {
constexpr std::uint32_t kMaxGreeting = 64;
constexpr int kGreetingWaitMs = 1000;
} // namespace

void AnswerGreeting(ReceiverLine& line, TraceLog& trace, std::uint32_t count, bool inverted)
{
    std::vector<std::uint8_t> greeting(std::min(count, kMaxGreeting));
    if (!line.ReadExact(greeting, kGreetingWaitMs)) {
        trace.Line("   greeting not complete");
        return;
    }
    trace.Line("<- greeting \"" + Printable(greeting) + "\"");
    if (inverted) {
        for (std::uint8_t& b : greeting)
            b = static_cast<std::uint8_t>(~b);
    }
    line.Send(greeting, inverted ? "greeting inverted" : "greeting echoed");
}

} // namespace torvane::sim
