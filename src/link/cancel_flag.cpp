#include "link/cancel_flag.h"

namespace torvane {

void CancelFlag::Set()
{
    const std::lock_guard lock(m_mutex);
    m_set = true;
}

void CancelFlag::Clear()
{
    const std::lock_guard lock(m_mutex);
    m_set = false;
}

bool CancelFlag::IsSet() const
{
    const std::lock_guard lock(m_mutex);
    return m_set;
}

CancelPredicate CancelFlag::Predicate() const
{
    return [this] { return IsSet(); };
}

} // namespace torvane
