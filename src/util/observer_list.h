#pragma once

#include <algorithm>
#include <vector>

namespace torvane {

// The observers of a model class, not owned: each is told once, in the order they were added.
// One must be removed before it is destroyed.
template <typename Observer>
class ObserverList final {
public:
    void Add(Observer* observer)
    {
        if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
            m_observers.push_back(observer);
    }
    void Remove(Observer* observer) { std::erase(m_observers, observer); }

    template <typename Call>
    void Notify(Call call) const
    {
        for (Observer* observer : m_observers)
            call(*observer);
    }

private:
    std::vector<Observer*> m_observers;
};

} // namespace torvane
