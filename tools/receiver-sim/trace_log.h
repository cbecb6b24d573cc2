#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace torvane::sim {

// The simulator's readable trace: one line per event, prefixed with the seconds since the start.
// A log without a file writes nothing.
class TraceLog final {
public:
    TraceLog() = default;
    // path "-" writes to standard error; false when the file cannot be created.
    bool Open(const std::string& path);

    bool Enabled() const { return m_file != nullptr; }
    void Line(std::string_view text);

private:
    struct Closer {
        void operator()(std::FILE* file) const;
    };
    std::unique_ptr<std::FILE, Closer> m_file;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// Bytes as readable text: printable ASCII as it is, \r \n and others as escapes; at most limit bytes
// shown, then "..." and the count.
std::string Printable(std::span<const std::uint8_t> bytes, std::size_t limit = 48);
std::string Printable(std::string_view text, std::size_t limit = 48);

} // namespace torvane::sim
