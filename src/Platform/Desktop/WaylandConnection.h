#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;
struct wl_display;
struct wl_registry;
struct wl_interface;

// A connection of the program's own to the Wayland compositor, driven by the event loop: events are read
// when the socket has them, requests go out without waiting, and nothing ever blocks for longer than the
// budget a caller gives.
class WaylandConnection final : public QObject {
    Q_OBJECT
public:
    struct Global {
        quint32 name = 0;
        QString interface;
        quint32 version = 0;
    };

    // Connects to the compositor named by WAYLAND_DISPLAY and learns its globals within `budgetMs`; null
    // when there is no compositor or it did not answer in time.
    static std::unique_ptr<WaylandConnection> open(int budgetMs);
    // The interfaces of the globals the compositor offers, learnt within `budgetMs` on a connection that
    // is closed again; nothing when there is no compositor or it did not answer. Needs no event loop, so
    // that the session can be judged before Qt starts.
    static std::optional<QStringList> interfacesOffered(int budgetMs);
    ~WaylandConnection() override;

    wl_display* display() const { return m_display; }
    const std::vector<Global>& globals() const { return m_globals; }
    // Binds the global at `version` (at most what it offers); null when there is none of that interface.
    void* bind(const wl_interface* interface, const QString& name, quint32 version);

    // Sends what was requested; what does not fit into the socket now goes out when it can.
    void flush();
    // Waits at most `budgetMs` for the compositor to have handled everything sent so far, dispatching
    // what arrives meanwhile; false when it did not answer in time or the connection broke.
    bool roundtrip(int budgetMs);
    bool isBroken() const { return m_broken; }

signals:
    // The compositor went away or sent a protocol error; nothing more is read.
    void broken();

private:
    explicit WaylandConnection(wl_display* display);
    void readEvents();
    void fail();

    wl_display* m_display;
    wl_registry* m_registry = nullptr;
    std::vector<Global> m_globals;
    QSocketNotifier* m_readable = nullptr;
    QSocketNotifier* m_writable = nullptr;
    bool m_broken = false;
};
