#pragma once

#include "Platform/KeyboardTap.h"

#include <functional>
#include <memory>
#include <vector>

// Keyboard event services: the session-wide tap and synthetic key events.
class KeyboardEvents {
public:
    // Called on the main thread for each tapped event. For the "disabled" notices the event is empty and
    // the verdict is ignored.
    using TapCallback = std::function<KeyboardTap::Verdict(KeyboardTap::Notice, const KeyEvent&)>;

    virtual ~KeyboardEvents() = default;

    // Installs an enabled tap for key-down and key-up events that is shown at least the presses of `chords`
    // (KeyboardTap says what else each backend shows). The callback is called on the main thread and may
    // post events; those are handled after it returns. Nothing (nullptr) when the tap cannot be created,
    // typically because the process is not trusted for accessibility.
    virtual std::unique_ptr<KeyboardTap> createTap(std::vector<KeyChord> chords, TapCallback callback) = 0;

    // Posts one key event at the lowest level, so that it passes every installed tap like typed input.
    // Flags and user data are exactly as given. False when the event could not be created.
    virtual bool post(const KeyEvent& event) = 0;

    // Whether this session has a tap at all. Where the window system offers no session-wide key grab
    // (Wayland) there is none by design: no permission brings it, and nobody need be asked for one.
    virtual bool offersTap() const { return true; }
    // Whether posted events can reach the application in front; where they cannot, a chosen entry is left
    // on the pasteboard for the user to paste.
    virtual bool offersPosting() const { return true; }
};
