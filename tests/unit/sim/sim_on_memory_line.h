#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "link/memory_line.h"
#include "receiver_sim.h"
#include "support/flash_image_builder.h"

namespace torvane::sim::test {

// A simulated receiver serving one end of an in-memory line; the test talks on the other end.
class SimOnMemoryLine {
public:
    explicit SimOnMemoryLine(const SimSetup& setup, std::size_t flashSize = 0x80000,
                             const torvane::test::FlashImageBuilder& image = torvane::test::TypicalFlashImage())
        : m_image(image.Build(flashSize))
    {
        auto [pc, receiver] = MemoryLine::CreatePair();
        m_pc = std::move(pc);
        m_receiverEnd = std::move(receiver);
        m_sim = std::make_unique<ReceiverSim>(ReceiverFlash(m_image, {}), *m_receiverEnd, setup);
        m_sim->Start();
    }

    // Stops the receiver so that its flash can be looked at.
    const ReceiverFlash& StoppedFlash()
    {
        m_sim->Stop();
        return m_sim->Flash();
    }

    void Raw(std::span<const std::uint8_t> bytes) { m_pc->Write(bytes); }
    void Raw(std::string_view text) { Raw({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}); }

    // n bytes from the receiver within the time-out; fewer when they do not come.
    std::vector<std::uint8_t> Read(std::size_t n, int timeoutMs = 1000)
    {
        std::vector<std::uint8_t> bytes(n);
        if (!m_pc->ReadExact(bytes, timeoutMs))
            bytes.resize(m_pc->ReadAvailable(bytes));
        return bytes;
    }

    // Types a command line byte by byte as the PC does, checking every echo.
    bool Echo(std::string_view text)
    {
        for (const char c : text) {
            Raw(std::string_view(&c, 1));
            const std::vector<std::uint8_t> back = Read(1, 200);
            if (back.size() != 1 || back[0] != static_cast<std::uint8_t>(c))
                return false;
        }
        return true;
    }

    std::vector<std::uint8_t> m_image;
    std::unique_ptr<MemoryLine> m_pc;
    std::unique_ptr<MemoryLine> m_receiverEnd;
    std::unique_ptr<ReceiverSim> m_sim;
};

inline std::vector<std::uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

} // namespace torvane::sim::test
