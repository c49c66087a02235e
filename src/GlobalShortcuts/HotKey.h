#pragma once

#include "Platform/HotKeyService.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace GlobalShortcuts {

class HotKeyCenter;

// One registered shortcut. While it has a reference the system holds the combination for us; pausing the
// centre takes the reference away and resuming gives it back. Destroying it releases the combination; it
// must go before its centre.
class HotKey final {
public:
    HotKey(HotKeyCenter& center, std::int64_t carbonKeyCode, std::int64_t carbonModifiers,
        std::function<void()> onKeyDown, std::function<void()> onKeyUp);
    ~HotKey();
    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    std::int64_t carbonKeyCode() const { return m_carbonKeyCode; }
    std::int64_t carbonModifiers() const { return m_carbonModifiers; }
    std::int64_t id() const { return m_id; }

    std::function<void()> onKeyDown;
    std::function<void()> onKeyUp;
    // Called when registering again after a pause fails.
    std::function<void()> onRegistrationFailed;
    std::optional<HotKeyService::Reference> eventHotKeyRef;

private:
    HotKeyCenter& m_center;
    std::int64_t m_carbonKeyCode;
    std::int64_t m_carbonModifiers;
    std::int64_t m_id;
};

} // namespace GlobalShortcuts
