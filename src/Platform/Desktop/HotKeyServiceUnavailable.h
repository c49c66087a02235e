#pragma once

#include "Platform/HotKeyServiceNone.h"

// Hot keys in a session that grabs no key for a program in the background: every registration is refused.
// The keyboard facts the shortcut settings show still answer, from the US layout, so that a shortcut reads
// as Ctrl+Shift+D and not as a placeholder.
class HotKeyServiceUnavailable final : public HotKeyServiceNone {
public:
    std::optional<QString> characterForKey(std::int64_t keyCode) override;
    double keyRepeatInterval() const override { return 0.03; }
    std::optional<KeyEvent> keyEventFrom(const QKeyEvent& event) const override;
    void beep() override;
};
