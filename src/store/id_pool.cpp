#include "store/id_pool.h"

#include <algorithm>

namespace torvane {

int IdPool::Alloc()
{
    const auto it = std::find(m_uses.begin(), m_uses.end(), std::uint8_t{0});
    if (it == m_uses.end())
        return kNone;
    ++*it;
    return static_cast<int>(it - m_uses.begin());
}

void IdPool::Mark(int id)
{
    if (id >= 0 && id < kSize)
        ++m_uses[static_cast<std::size_t>(id)];
}

bool IdPool::IsUsed(int id) const
{
    return id >= 0 && id < kSize && m_uses[static_cast<std::size_t>(id)] != 0;
}

void IdPool::Clear()
{
    m_uses.fill(0);
}

} // namespace torvane
