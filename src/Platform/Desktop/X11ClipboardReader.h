#pragma once

#include "Platform/Desktop/ClipboardContents.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class X11EventWatch;
typedef struct _XDisplay Display;
typedef union _XEvent XEvent;

// Reads the X11 CLIPBOARD selection over a connection of its own without ever waiting for its owner: the
// requests go out, and the answers are taken from the event loop as they come in. One read asks for the
// owner's targets, then for the data of those chosen, one after the other, incremental transfers included.
// It gives up when its time budget ends, and when the selection is taken (by another client, or again by
// the same one) before it is complete, so what it delivers always comes whole from one copy.
class X11ClipboardReader final : public QObject {
    Q_OBJECT
public:
    using Contents = ClipboardContents;
    // Picks the targets whose data to read, in the order to read them, from those offered.
    using Choice = std::function<QStringList(const QStringList& offered)>;
    using Done = std::function<void(std::optional<Contents>)>;

    // The most one read gathers; a copy holding more is given up.
    static constexpr qsizetype maximumBytes = 64 * 1024 * 1024;

    explicit X11ClipboardReader(int budgetMs, QObject* parent = nullptr);
    ~X11ClipboardReader() override;

    // False when no X server could be reached; reads then give up.
    bool isAvailable() const { return m_display != nullptr; }

    // Starts reading what the clipboard holds now, in place of a read still under way (whose `done` is
    // dropped). `done` is called once, from the event loop: with the contents, with empty contents when
    // nobody owns the clipboard, or with nothing when they were given up.
    void read(Choice choose, Done done);
    // Drops the read under way, if any, without calling its `done`.
    void cancel();

private:
    struct Read;
    struct Property {
        unsigned long type = 0;
        int format = 0;
        QByteArray bytes;
    };

    void flush();
    void handle(const XEvent& event);
    void declined();
    void requestNext();
    void received(const Property& property);
    void finishWhenSameOwner();
    void finish(std::optional<Contents> contents);
    std::optional<Property> takeProperty();
    bool ownerChangesQueued();
    QStringList atomNames(const std::vector<unsigned long>& atoms);

    int m_budgetMs;
    // Tells a queued ending which read it belongs to.
    quint64 m_generation = 0;
    Display* m_display = nullptr;
    X11EventWatch* m_events = nullptr;
    int m_fixesEventBase = -1;
    unsigned long m_clipboard = 0;
    unsigned long m_targets = 0;
    unsigned long m_incr = 0;
    unsigned long m_property = 0;
    QTimer m_deadline;
    std::unique_ptr<Read> m_read;
};
