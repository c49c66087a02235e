#include "Platform/Desktop/X11Connection.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace X11Connection {

Display* openWithXTest()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return display;
}

} // namespace X11Connection
