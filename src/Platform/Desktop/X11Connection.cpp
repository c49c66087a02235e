#include "Platform/Desktop/X11Connection.h"

#include "Platform/Desktop/X11Keys.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace X11Connection {

Display* open()
{
    return XOpenDisplay(nullptr);
}

Display* openWithXTest()
{
    Display* display = open();
    if (!display)
        return nullptr;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return display;
}

unsigned int numLockMask(Display* display)
{
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    if (numLock == 0)
        return 0;
    unsigned int mask = 0;
    XModifierKeymap* map = XGetModifierMapping(display);
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int k = 0; k < map->max_keypermod; ++k)
            if (map->modifiermap[modifier * map->max_keypermod + k] == numLock)
                mask = 1u << modifier;
    XFreeModifiermap(map);
    return mask;
}

unsigned int keycodeFor(Display* display, std::uint16_t keyCode)
{
    const auto keysym = X11Keys::keysymForKeyCode(keyCode);
    const unsigned int keycode = keysym ? XKeysymToKeycode(display, *keysym) : 0;
    return keycode != 0 ? keycode : X11Keys::letterKeycodeByPosition(keyCode).value_or(0);
}

unsigned long latinKeysym(Display* display, unsigned int keycode)
{
    // Shortcuts name Latin letters; with a second layout such as Russian active, or first, the key's
    // Latin meaning lives in another group.
    KeySym first = NoSymbol;
    for (int group = 0; group < 4; ++group) {
        const KeySym keysym = XkbKeycodeToKeysym(display, keycode, group, 0);
        if (group == 0)
            first = keysym;
        if (keysym != NoSymbol && X11Keys::keyCodeForKeysym(keysym))
            return keysym;
    }
    // No group has it (a Cyrillic-only layout): the letter's position on the keyboard decides.
    return X11Keys::letterAtKeycode(keycode).value_or(first);
}

} // namespace X11Connection
