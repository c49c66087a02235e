#pragma once

typedef struct _XDisplay Display;

namespace X11Connection {

// A new connection to the display named by DISPLAY, provided the server offers XTest; nullptr otherwise.
// The caller closes it with XCloseDisplay.
Display* openWithXTest();

} // namespace X11Connection
