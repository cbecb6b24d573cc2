#include "store/program_list.h"

#include <algorithm>

namespace torvane {

namespace {
constexpr int kGrowth = 64;
}

ProgramList ProgramList::WithCount(int count)
{
    ProgramList list;
    if (count > 0) {
        list.m_slots.assign(static_cast<std::size_t>(count) + 1, -1);
        list.m_count = count;
    }
    return list;
}

ProgramList ProgramList::Of(std::span<const std::int32_t> slots)
{
    ProgramList list = WithCount(static_cast<int>(slots.size()));
    std::copy(slots.begin(), slots.end(), list.m_slots.begin());
    return list;
}

int ProgramList::Size() const
{
    const auto end = m_slots.begin() + m_count;
    return static_cast<int>(std::find(m_slots.begin(), end, -1) - m_slots.begin());
}

std::int32_t ProgramList::At(int index) const
{
    return index >= 0 && index < m_count ? m_slots[static_cast<std::size_t>(index)] : -1;
}

bool ProgramList::Set(int index, std::int32_t slot)
{
    if (index < 0 || index >= m_count)
        return false;
    m_slots[static_cast<std::size_t>(index)] = slot;
    return true;
}

void ProgramList::Append(std::int32_t slot)
{
    const int used = Size();
    if (used == m_count) {
        m_slots.resize(static_cast<std::size_t>(m_count) + kGrowth, -1);
        m_count += kGrowth;
    }
    m_slots[static_cast<std::size_t>(used)] = slot;
}

bool ProgramList::Insert(int index, std::int32_t slot)
{
    const int used = Size();
    if (index < 0 || index > used)
        return false;
    if (used == m_count) {
        m_slots.resize(static_cast<std::size_t>(m_count) + kGrowth, -1);
        m_count += kGrowth;
    }
    const auto at = m_slots.begin() + index;
    std::move_backward(at, m_slots.begin() + used, m_slots.begin() + used + 1);
    *at = slot;
    return true;
}

std::span<std::int32_t> ProgramList::Programs()
{
    return {m_slots.data(), static_cast<std::size_t>(Size())};
}

std::span<const std::int32_t> ProgramList::Programs() const
{
    return {m_slots.data(), static_cast<std::size_t>(Size())};
}

void ProgramList::Clear()
{
    m_slots.clear();
    m_count = 0;
}

} // namespace torvane
