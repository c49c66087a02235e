#pragma once

#include "Platform/KeyEvent.h"

#include <optional>
#include <vector>

// A key a tap must be shown: its key code and the shortcut modifiers its presses carry.
struct KeyChord {
    std::uint16_t keyCode = 0;
    // Exactly these of EventFlags::shortcutModifiers; nothing means "with any modifiers at all".
    std::optional<std::uint64_t> modifiers;

    bool matches(const KeyEvent& event) const
    {
        return event.keyCode == keyCode
            && (!modifiers || (event.flags & EventFlags::shortcutModifiers) == *modifiers);
    }
};

// An installed session-wide keyboard tap. It sees key events before any application does and may drop
// them. Destroying the object removes the tap.
//
// Which events a tap is shown depends on the backend, and the callback must pass whatever it does not
// care about:
// - A macOS event tap sees every key-down, auto-repeat and key-up in the session.
// - An X11 backend grabs each chord with a synchronous passive grab (XGrabKey, keyboard mode GrabModeSync,
//   once per combination of the lock modifiers, which must not matter). A key-down or auto-repeat that
//   matches a chord freezes the keyboard until the callback answers. Pass is XAllowEvents(ReplayKeyboard):
//   the grab ends and the event goes on as if no grab existed, so the rest of that press is not shown.
//   Drop is XAllowEvents(AsyncKeyboard): the grab stays. While any key whose down was dropped is held,
//   every key event is shown; the backend keeps the keyboard with XGrabKeyboard when the passive grab
//   ends first, and re-posts with XTest what the callback passes. Auto-repeat must be made detectable
//   (XkbSetDetectableAutoRepeat) so that a held key gives repeated key-downs and one key-up. Posting goes
//   through XTest; the server carries no user data, so the backend remembers what it posted and reports
//   those events with their user data as they come back. The "disabled" notices stand for a lost grab.
class KeyboardTap {
public:
    enum class Verdict { Pass, Drop };
    // What the callback is told about. The two "disabled" notices mean the system switched the tap off
    // (its callback was too slow, or the user's input disabled it); it stays off until enabled again.
    enum class Notice { KeyDown, KeyUp, DisabledByTimeout, DisabledByUserInput };

    virtual ~KeyboardTap() = default;

    // Switches the tap on again after a "disabled" notice, or off. A disabled tap is shown nothing.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    // Changes the chords the tap must be shown, keeping what it is shown of the presses in progress: the
    // key-up of a key held meanwhile still comes this way. False when the new chords could not be taken;
    // the tap is then of no use and should be removed.
    virtual bool setChords(std::vector<KeyChord> chords) = 0;
};
