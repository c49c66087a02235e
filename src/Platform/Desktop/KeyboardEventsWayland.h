#pragma once

#include "Platform/KeyboardEvents.h"

#include <memory>

class WaylandKeyboard;

// The keyboard of a Wayland session. There is no tap: Wayland gives no client a session-wide key grab.
// Keys are posted through the compositor's virtual keyboard where it offers one (wlroots, Hyprland, niri,
// COSMIC), else through XTest on Xwayland (KDE and GNOME, which may ask the user once), else not at all.
// Only the paste chords can be posted; user data does not travel, as no tap of ours sees them come back.
class KeyboardEventsWayland final : public KeyboardEvents {
public:
    // Either may be null; the virtual keyboard is preferred, as it reaches native windows everywhere.
    KeyboardEventsWayland(
        std::unique_ptr<WaylandKeyboard> virtualKeyboard, std::unique_ptr<KeyboardEvents> xwayland);
    ~KeyboardEventsWayland() override;

    std::unique_ptr<KeyboardTap> createTap(std::vector<KeyChord>, TapCallback) override { return nullptr; }
    bool post(const KeyEvent& event) override;
    bool offersTap() const override { return false; }
    bool offersPosting() const override { return m_virtualKeyboard || m_xwayland; }

private:
    std::unique_ptr<WaylandKeyboard> m_virtualKeyboard;
    std::unique_ptr<KeyboardEvents> m_xwayland;
};
