#pragma once

#include "Platform/HotKeyService.h"

// Hot keys where nothing can be grabbed: every registration is refused, no event arrives and nothing is
// reserved. Sessions that still know the keyboard layout answer its questions in a subclass.
class HotKeyServiceNone : public HotKeyService {
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
    std::optional<QString> characterForKey(std::int64_t) override { return std::nullopt; }
    double keyRepeatDelay() const override { return 0.5; }
    double keyRepeatInterval() const override { return 0.1; }
    std::optional<KeyEvent> keyEventFrom(const QKeyEvent&) const override { return std::nullopt; }
    void beep() override { }
};
