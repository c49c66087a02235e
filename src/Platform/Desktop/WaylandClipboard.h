#pragma once

#include "Platform/Desktop/ClipboardContents.h"
#include "Platform/PasteboardItem.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class Scheduler;
class WaylandConnection;
struct wl_seat;

// The Wayland clipboard through the compositor's data-control protocol, the one way a program without a
// focused window may watch and set it. Everything runs on a connection of the program's own, driven by the
// event loop: reading never waits for the copying client, whose contents arrive within the time budget or
// are given up, and writing serves each client that pastes without holding anything up.
class WaylandClipboard final : public QObject {
    Q_OBJECT
public:
    using Formats = std::vector<std::pair<QString, QByteArray>>;
    using Promised = std::vector<std::pair<QString, std::shared_ptr<const PromisedBytes>>>;
    using Contents = ClipboardContents;
    using Choice = std::function<QStringList(const QStringList& offered)>;
    using Done = std::function<void(std::optional<Contents>)>;

    // The most one read gathers, and the most types a copy may offer; a copy beyond either is given up.
    static constexpr qsizetype maximumBytes = 64 * 1024 * 1024;
    static constexpr qsizetype maximumTypes = 1000;

    enum class Protocol { Ext, Wlr };
    // Of the data-control managers a compositor offers, the one to use: the staging protocol where it is
    // offered, else the wlroots one; nothing when neither is.
    static std::optional<Protocol> choose(const QStringList& interfaces);

    // The clipboard of the compositor at the other end of `connection`, which must outlive it; null when it
    // offers no data-control (GNOME's does not) or no seat. Reads are given up after `budgetMs`; promised
    // bytes are made in the background of `scheduler`, which must outlive it too.
    static std::unique_ptr<WaylandClipboard> create(
        WaylandConnection& connection, Scheduler& scheduler, int budgetMs, QObject* parent = nullptr);
    ~WaylandClipboard() override;

    Protocol protocol() const { return m_protocol; }

    // Starts reading another client's copy that the clipboard holds now, in place of a read under way
    // (whose `done` is dropped). `done` is called once, from the event loop: with the contents, with empty
    // contents when the clipboard is empty, or with nothing when they were given up.
    void read(Choice choose, Done done);
    // Drops the read under way, if any, without calling its `done`.
    void cancel();
    // Makes `formats` and `promised` the clipboard's contents, served to every client that pastes until
    // another copy replaces them. A promised type's bytes are made in the background when a client first
    // asks for them, once for everyone who asks. This program's own copies are never reported as changes.
    void write(Formats formats, Promised promised = {});

signals:
    // Another client copied, or the clipboard was emptied.
    void changed();

private:
    class Session;
    template <typename P> class DataControlSession;
    template <typename P>
    static std::unique_ptr<Session> makeSession(WaylandClipboard& owner, WaylandConnection& connection,
        Scheduler& scheduler, wl_seat* seat, int budgetMs);

    WaylandClipboard(Protocol protocol, QObject* parent);

    Protocol m_protocol;
    std::unique_ptr<Session> m_session;
};
