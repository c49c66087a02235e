#pragma once

#include <cstdint>

typedef struct _XDisplay Display;

namespace X11Connection {

// A new connection of the program's own to the display named by DISPLAY; nullptr when there is none. The
// caller closes it with XCloseDisplay.
Display* open();
// The same, provided the server offers XTest; nullptr otherwise.
Display* openWithXTest();

// The modifier mask Num Lock sets on this server; 0 when it has no Num Lock key.
unsigned int numLockMask(Display* display);
// The X keycode that types a virtual key code; 0 when there is none.
unsigned int keycodeFor(Display* display, std::uint16_t keyCode);
// The keysym of an X key by which the program names it: its Latin meaning in whichever layout group has
// one, else the letter at its position, else its first group's keysym.
unsigned long latinKeysym(Display* display, unsigned int keycode);

} // namespace X11Connection
