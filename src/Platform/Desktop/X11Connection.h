#pragma once

#include <cstdint>
#include <functional>

class QObject;
class QSocketNotifier;

typedef struct _XDisplay Display;

namespace X11Connection {

// A new connection to the display named by DISPLAY, provided the server offers XTest; nullptr otherwise.
// The caller closes it with XCloseDisplay.
Display* openWithXTest();

// The modifier mask Num Lock sets on this server; 0 when it has no Num Lock key.
unsigned int numLockMask(Display* display);
// The X keycode that types a virtual key code; 0 when there is none.
unsigned int keycodeFor(Display* display, std::uint16_t keyCode);
// The keysym of an X key by which the program names it: its Latin meaning in whichever layout group has
// one, else the letter at its position, else its first group's keysym.
unsigned long latinKeysym(Display* display, unsigned int keycode);

// Calls `read` whenever events from `display` may be waiting: when its socket has data, and before the event
// loop sleeps, since Xlib may already hold events in its queue that the socket will not announce again.
// The notifier belongs to `owner`, and so do the connections.
QSocketNotifier* watchEvents(Display* display, QObject* owner, const std::function<void()>& read);

} // namespace X11Connection
