#pragma once

#include <QElapsedTimer>

#include <memory>
#include <vector>

class WaylandConnection;
struct zwp_virtual_keyboard_v1;
struct wl_seat;

// Keys typed into the focused window through the compositor's virtual keyboard (wlroots, Hyprland, niri,
// COSMIC), the Wayland way for a program without a focused window to paste. The keyboard is made once, at
// start: a compositor may drop the first key of a keyboard it has only just heard of.
class WaylandKeyboard final {
public:
    // Key codes as the kernel numbers them (linux/input-event-codes.h).
    enum Key : unsigned { LeftCtrl = 29, LeftShift = 42, V = 47, Insert = 110 };
    enum Modifier : unsigned { Shift = 1, Ctrl = 2 };

    // Null when the compositor offers no virtual keyboard, or the keymap cannot be made.
    static std::unique_ptr<WaylandKeyboard> create(WaylandConnection& connection);
    ~WaylandKeyboard();

    // Presses and releases `key` with `modifiers` held. The compositor delivers it to the focused window.
    void press(Key key, unsigned modifiers);
    // The two halves of a press, for callers that post a key's down and up apart.
    void down(Key key, unsigned modifiers);
    void up(Key key, unsigned modifiers);

private:
    WaylandKeyboard(WaylandConnection& connection, zwp_virtual_keyboard_v1* keyboard, wl_seat* seat,
        unsigned shiftMask, unsigned ctrlMask);
    void key(unsigned code, bool down);

    WaylandConnection& m_connection;
    zwp_virtual_keyboard_v1* m_keyboard;
    wl_seat* m_seat;
    unsigned m_shiftMask;
    unsigned m_ctrlMask;
    QElapsedTimer m_clock;
};
