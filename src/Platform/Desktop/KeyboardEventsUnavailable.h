#pragma once

#include "Platform/KeyboardEvents.h"

// The keyboard of a session that lets no program watch or type keys outside its own windows: no tap can be
// installed and nothing can be posted, so hold gestures are off and a chosen entry is left on the clipboard.
class KeyboardEventsUnavailable final : public KeyboardEvents {
public:
    std::unique_ptr<KeyboardTap> createTap(std::vector<KeyChord>, TapCallback) override { return nullptr; }
    bool post(const KeyEvent&) override { return false; }
};
