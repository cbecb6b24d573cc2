#include "trace_log.h"

#include <algorithm>

namespace torvane::sim {

void TraceLog::Closer::operator()(std::FILE* file) const
{
    if (file != stderr)
        std::fclose(file);
}

bool TraceLog::Open(const std::string& path)
{
    m_file.reset(path == "-" ? stderr : std::fopen(path.c_str(), "w"));
    m_start = std::chrono::steady_clock::now();
    return m_file != nullptr;
}

void TraceLog::Line(std::string_view text)
{
    if (!m_file)
        return;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    std::fprintf(m_file.get(), "[%9.3f] %.*s\n", seconds, static_cast<int>(text.size()), text.data());
    std::fflush(m_file.get());
}

std::string Printable(std::span<const std::uint8_t> bytes, std::size_t limit)
{
    std::string text;
    const std::size_t shown = std::min(bytes.size(), limit);
    for (std::size_t i = 0; i < shown; ++i) {
        const std::uint8_t b = bytes[i];
        if (b == '\r')
            text += "\\r";
        else if (b == '\n')
            text += "\\n";
        else if (b == '\\')
            text += "\\\\";
        else if (b >= 0x20 && b < 0x7F)
            text += static_cast<char>(b);
        else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            text += hex;
        }
    }
    if (shown < bytes.size())
        text += "... (" + std::to_string(bytes.size()) + " bytes)";
    return text;
}

std::string Printable(std::string_view text, std::size_t limit)
{
    return Printable(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), limit);
}

} // namespace torvane::sim
