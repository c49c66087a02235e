// A clipboard owner that lists its targets at once but is slow with the data, or never gives it, as a hung
// application does: plain Xlib, since a toolkit would answer for it.
//   drimo-silent-owner COUNT [DELAY-MS]
// It owns CLIPBOARD offering COUNT targets (UTF-8 text and PNG first) and prints "ready WINDOW". Without
// DELAY-MS a request for data is never answered; with it, each is answered that long after it came, with
// the bytes "late <target>", also after another client has taken the clipboard. It runs until killed.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <sys/select.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Pending {
    Clock::time_point due;
    XSelectionRequestEvent request;
};

void answer(Display* display, const XSelectionRequestEvent& request, Atom property)
{
    XEvent notify {};
    notify.xselection.type = SelectionNotify;
    notify.xselection.requestor = request.requestor;
    notify.xselection.selection = request.selection;
    notify.xselection.target = request.target;
    notify.xselection.property = property;
    notify.xselection.time = request.time;
    XSendEvent(display, request.requestor, False, NoEventMask, &notify);
}

// Requestors that went away in between are none of our business.
int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::atoi(argv[1]) < 2) {
        std::fputs("usage: drimo-silent-owner COUNT [DELAY-MS]\n", stderr);
        return 2;
    }
    const int count = std::atoi(argv[1]);
    const int delayMs = argc > 2 ? std::atoi(argv[2]) : -1;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    XSetErrorHandler(ignoreErrors);
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    const Atom targetsAtom = XInternAtom(display, "TARGETS", False);
    std::vector<Atom> offered { targetsAtom, XInternAtom(display, "text/plain;charset=utf-8", False),
        XInternAtom(display, "image/png", False) };
    for (int i = static_cast<int>(offered.size()); i <= count; ++i)
        offered.push_back(
            XInternAtom(display, ("application/x-drimo-silent-" + std::to_string(i)).c_str(), False));

    // A real timestamp for the ownership, taken from a property change as the conventions ask.
    XSelectInput(display, window, PropertyChangeMask);
    XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event;
    XWindowEvent(display, window, PropertyChangeMask, &event);
    XSetSelectionOwner(display, clipboard, window, event.xproperty.time);
    if (XGetSelectionOwner(display, clipboard) != window)
        return 1;
    std::printf("ready %lu\n", window);
    std::fflush(stdout);

    std::deque<Pending> pending;
    for (;;) {
        while (XPending(display) > 0) {
            XNextEvent(display, &event);
            if (event.type != SelectionRequest)
                continue;
            const XSelectionRequestEvent& request = event.xselectionrequest;
            if (request.target == targetsAtom) {
                XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(offered.data()), static_cast<int>(offered.size()));
                answer(display, request, request.property);
            } else if (delayMs >= 0) {
                pending.push_back({ Clock::now() + std::chrono::milliseconds(delayMs), request });
            }
        }
        while (!pending.empty() && pending.front().due <= Clock::now()) {
            const XSelectionRequestEvent& request = pending.front().request;
            char* name = XGetAtomName(display, request.target);
            const std::string data = std::string("late ") + (name ? name : "");
            XFree(name);
            XChangeProperty(display, request.requestor, request.property, request.target, 8, PropModeReplace,
                reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
            answer(display, request, request.property);
            pending.pop_front();
        }
        XFlush(display);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(ConnectionNumber(display), &readable);
        timeval wait { 0, 20'000 };
        select(ConnectionNumber(display) + 1, &readable, nullptr, nullptr, &wait);
    }
}
