#include "Platform/Desktop/X11EventWatch.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>

#include <X11/Xlib.h>

X11EventWatch::X11EventWatch(Display* display, std::function<void(const XEvent&)> handle, QObject* parent)
    : QObject(parent)
    , m_display(display)
    , m_handle(std::move(handle))
    , m_notifier(new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &X11EventWatch::readNow);
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &X11EventWatch::readNow);
}

// The connection is the owner's to close, after this is gone.
X11EventWatch::~X11EventWatch() = default;

void X11EventWatch::readNow()
{
    if (m_handling)
        return;
    m_handling = true;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        m_handle(event);
    }
    m_handling = false;
}

void X11EventWatch::readSoon()
{
    if (m_handling || m_readPosted)
        return;
    m_readPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_readPosted = false;
            readNow();
        },
        Qt::QueuedConnection);
}
