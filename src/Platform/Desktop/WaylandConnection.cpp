#include "Platform/Desktop/WaylandConnection.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <cerrno>
#include <poll.h>

namespace {

void announce(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version)
{
    static_cast<std::vector<WaylandConnection::Global>*>(data)->push_back(
        { name, QString::fromUtf8(interface), version });
}

void withdraw(void* data, wl_registry*, uint32_t name)
{
    auto& globals = *static_cast<std::vector<WaylandConnection::Global>*>(data);
    std::erase_if(globals, [name](const WaylandConnection::Global& global) { return global.name == name; });
}

const wl_registry_listener registryListener { announce, withdraw };

enum class Sync { Done, TimedOut, Broken };

// Waits at most `budgetMs` for the compositor to have handled every request sent so far, dispatching what
// arrives meanwhile.
Sync sync(wl_display* display, int budgetMs)
{
    bool done = false;
    static const wl_callback_listener listener { [](void* data, wl_callback* callback, uint32_t) {
        if (data)
            *static_cast<bool*>(data) = true;
        wl_callback_destroy(callback);
    } };
    wl_callback* callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &listener, &done);
    const QDeadlineTimer deadline(budgetMs);
    while (!done) {
        while (wl_display_prepare_read(display) != 0)
            if (wl_display_dispatch_pending(display) < 0)
                return Sync::Broken;
        if (done) {
            wl_display_cancel_read(display);
            break;
        }
        wl_display_flush(display);
        pollfd socket { wl_display_get_fd(display), POLLIN, 0 };
        const int ready = ::poll(&socket, 1, static_cast<int>(deadline.remainingTime()));
        if (ready <= 0) {
            wl_display_cancel_read(display);
            if (ready < 0 && errno == EINTR)
                continue;
            // The callback still points at `done`; it must never fire into a dead stack frame.
            wl_proxy_set_user_data(reinterpret_cast<wl_proxy*>(callback), nullptr);
            return Sync::TimedOut;
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
            return Sync::Broken;
    }
    return Sync::Done;
}

} // namespace

std::unique_ptr<WaylandConnection> WaylandConnection::open(int budgetMs)
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
    connection->m_registry = wl_display_get_registry(display);
    wl_registry_add_listener(connection->m_registry, &registryListener, &connection->m_globals);
    if (!connection->roundtrip(budgetMs))
        return nullptr;
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display)
    : m_display(display)
{
    const int fd = wl_display_get_fd(display);
    m_readable = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_readable, &QSocketNotifier::activated, this, &WaylandConnection::readEvents);
    m_writable = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, &WaylandConnection::flush);
}

WaylandConnection::~WaylandConnection()
{
    delete m_readable;
    delete m_writable;
    if (m_registry)
        wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
}

void* WaylandConnection::bind(const wl_interface* interface, const QString& name, quint32 version)
{
    for (const auto& global : m_globals)
        if (global.interface == name)
            return wl_registry_bind(m_registry, global.name, interface, std::min(version, global.version));
    return nullptr;
}

void WaylandConnection::flush()
{
    if (m_broken)
        return;
    if (wl_display_flush(m_display) >= 0) {
        m_writable->setEnabled(false);
    } else if (errno == EAGAIN) {
        m_writable->setEnabled(true);
    } else {
        fail();
    }
}

void WaylandConnection::readEvents()
{
    if (m_broken)
        return;
    // Events already read but not yet dispatched go first; reading never waits, the socket has data.
    while (wl_display_prepare_read(m_display) != 0)
        if (wl_display_dispatch_pending(m_display) < 0)
            return fail();
    if (wl_display_read_events(m_display) < 0 && errno != EAGAIN)
        return fail();
    if (wl_display_dispatch_pending(m_display) < 0)
        return fail();
    flush();
}

bool WaylandConnection::roundtrip(int budgetMs)
{
    if (m_broken)
        return false;
    const Sync outcome = sync(m_display, budgetMs);
    if (outcome == Sync::Broken)
        fail();
    return outcome == Sync::Done;
}

std::optional<QStringList> WaylandConnection::interfacesOffered(int budgetMs)
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return std::nullopt;
    std::vector<Global> globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &globals);
    const bool answered = sync(display, budgetMs) == Sync::Done;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered)
        return std::nullopt;
    QStringList interfaces;
    for (const auto& global : globals)
        interfaces.append(global.interface);
    return interfaces;
}

void WaylandConnection::fail()
{
    if (m_broken)
        return;
    m_broken = true;
    m_readable->setEnabled(false);
    m_writable->setEnabled(false);
    emit broken();
}
