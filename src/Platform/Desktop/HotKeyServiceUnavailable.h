#pragma once

#include "Platform/HotKeyService.h"

// Hot keys in a session that grabs no key for a program in the background: every registration is refused.
// The keyboard facts the shortcut settings show still answer, from the US layout, so that a shortcut reads
// as Ctrl+Shift+D and not as a placeholder.
class HotKeyServiceUnavailable final : public HotKeyService {
public:
    std::optional<Reference> registerHotKey(std::uint32_t, std::uint32_t, HotKeyId) override
    {
        return std::nullopt;
    }
    void unregisterHotKey(Reference) override { }
    bool installEventHandler(Handler) override { return false; }
    void setHotKeyEventsEnabled(bool) override { }
    void setRawKeyEventsEnabled(bool) override { }
    std::vector<SymbolicHotKey> symbolicHotKeys() override { return {}; }
    std::optional<QString> characterForKey(std::int64_t keyCode) override;
    double keyRepeatDelay() const override { return 0.5; }
    double keyRepeatInterval() const override { return 0.03; }
    std::optional<KeyEvent> keyEventFrom(const QKeyEvent& event) const override;
    void beep() override;
};
