#pragma once

#include <mutex>

#include "link/link_callbacks.h"

namespace torvane {

// The user's request to stop a transfer: set from the user's thread, read by the worker through
// the predicate, both under one lock.
class CancelFlag final {
public:
    void Set();
    void Clear();
    bool IsSet() const;
    // Reads the flag; the flag must outlive the predicate.
    CancelPredicate Predicate() const;

private:
    mutable std::mutex m_mutex;
    bool m_set = false;
};

} // namespace torvane
