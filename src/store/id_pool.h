#pragma once

#include <array>
#include <cstdint>

namespace torvane {

// Use counters for the 65536 values of a sat_id or tp_id. A counter of 0 means the value is free.
class IdPool final {
public:
    static constexpr int kSize = 65536;
    static constexpr int kNone = kSize;  // what Alloc answers when every value is in use

    // The lowest free value, marked used; kNone (nothing marked) when all are used.
    int Alloc();
    // Counts one more use of id; values outside 0..65535 are ignored. The counter wraps after 255
    // uses, which the store never reaches because it hands out every id once.
    void Mark(int id);
    bool IsUsed(int id) const;
    void Clear();

    bool operator==(const IdPool&) const = default;

private:
    std::array<std::uint8_t, kSize> m_uses{};
};

} // namespace torvane
