#pragma once

#include <functional>
#include <utility>

namespace GlobalShortcuts {

// A live subscription to a shortcut's key events. It delivers until it is ended or destroyed; ending it
// removes its handler and lets the hot key go when nothing else uses the shortcut.
class EventStream final {
public:
    EventStream() = default;
    explicit EventStream(std::function<void()> end)
        : m_end(std::move(end))
    { }
    EventStream(EventStream&& other) noexcept
        : m_end(std::exchange(other.m_end, nullptr))
    { }
    EventStream& operator=(EventStream&& other) noexcept
    {
        if (this != &other) {
            end();
            m_end = std::exchange(other.m_end, nullptr);
        }
        return *this;
    }
    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;
    ~EventStream() { end(); }

    void end()
    {
        if (auto end = std::exchange(m_end, nullptr))
            end();
    }
    bool isLive() const { return m_end != nullptr; }

private:
    std::function<void()> m_end;
};

} // namespace GlobalShortcuts
