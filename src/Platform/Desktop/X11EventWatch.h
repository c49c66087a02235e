#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;
typedef struct _XDisplay Display;
typedef union _XEvent XEvent;

// Reads the events of an X connection of the program's own from the event loop, one at a time, to a
// handler: when the socket has data, and before the loop sleeps, since Xlib may already hold events in its
// queue that the socket will not announce again. A handler that makes Xlib read (a round trip) is never
// re-entered; what arrived meanwhile is read right after.
class X11EventWatch final : public QObject {
public:
    X11EventWatch(Display* display, std::function<void(const XEvent&)> handle, QObject* parent);
    ~X11EventWatch() override;

    // Whether an event is being handled right now.
    bool isHandling() const { return m_handling; }
    // Reads every event Xlib holds or the socket has, unless one is being handled already.
    void readNow();
    // Reads from the event loop, once, soon: after a round trip or a flush, events the server sent
    // meanwhile may sit in Xlib's queue, unannounced.
    void readSoon();

private:
    Display* m_display;
    std::function<void(const XEvent&)> m_handle;
    QSocketNotifier* m_notifier;
    bool m_handling = false;
    bool m_readPosted = false;
};
