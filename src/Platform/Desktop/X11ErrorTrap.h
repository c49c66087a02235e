#pragma once

#include <X11/Xlib.h>

// Counts the X protocol errors of the requests made while it lives, instead of Xlib's default handler
// ending the process. Requests are synchronised on both ends, so the errors counted are the scope's own.
class X11ErrorTrap final {
public:
    explicit X11ErrorTrap(Display* display)
        : m_display(display)
    {
        XSync(m_display, False);
        s_errors = 0;
        m_previous = XSetErrorHandler(count);
    }
    ~X11ErrorTrap() { XSetErrorHandler(m_previous); }
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits for the server to answer everything sent so far; true when none of it failed.
    bool succeeded()
    {
        XSync(m_display, False);
        return s_errors == 0;
    }

private:
    static int count(Display*, XErrorEvent*)
    {
        ++s_errors;
        return 0;
    }

    static inline int s_errors = 0;
    Display* m_display;
    XErrorHandler m_previous;
};
