#include "Platform/Desktop/X11ClipboardReader.h"

#include "Platform/Desktop/X11Connection.h"
#include "Platform/Desktop/X11EventWatch.h"

#include <QHash>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

// After the Qt headers: it includes Xlib, whose macros (Status, Bool, None) they must not see.
#include "Platform/Desktop/X11ErrorTrap.h"

#include <algorithm>
#include <cstring>

namespace {

// Large properties are fetched in pieces of this many 32-bit units, so no single reply is unbounded.
constexpr long pieceLength = 1 << 20;
constexpr qsizetype maximumTargets = 1000;

} // namespace

struct X11ClipboardReader::Read {
    Choice choose;
    Done done;
    // A window for this read alone: answers meant for a read given up go to a window that no longer
    // exists, and are never taken for those of a later one.
    Window window = None;
    Window owner = None;
    bool haveTargets = false;
    QHash<QString, Atom> offered;
    QStringList chosen;
    qsizetype next = 0;
    Atom requested = None;
    QString requestedName;
    bool incremental = false;
    QByteArray incoming;
    qsizetype total = 0;
    Contents contents;
};

X11ClipboardReader::X11ClipboardReader(int budgetMs, QObject* parent)
    : QObject(parent)
    , m_budgetMs(budgetMs)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { finish(std::nullopt); });
    m_display = X11Connection::open();
    if (!m_display)
        return;
    m_clipboard = XInternAtom(m_display, "CLIPBOARD", False);
    m_targets = XInternAtom(m_display, "TARGETS", False);
    m_incr = XInternAtom(m_display, "INCR", False);
    m_property = XInternAtom(m_display, "DRIMO_CLIPBOARD", False);
    // Being told of every change of the owner is what lets a read notice that its copy was replaced
    // while it was arriving; without the extension the owner is compared at the end only.
    int errorBase = 0, major = 5, minor = 0;
    if (XFixesQueryExtension(m_display, &m_fixesEventBase, &errorBase)
        && XFixesQueryVersion(m_display, &major, &minor))
        XFixesSelectSelectionInput(m_display, DefaultRootWindow(m_display), m_clipboard,
            XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask
                | XFixesSelectionClientCloseNotifyMask);
    else
        m_fixesEventBase = -1;
    m_events = new X11EventWatch(
        m_display, [this](const XEvent& event) { handle(event); }, this);
    flush();
}

X11ClipboardReader::~X11ClipboardReader()
{
    cancel();
    delete m_events;
    if (m_display)
        XCloseDisplay(m_display);
}

void X11ClipboardReader::read(Choice choose, Done done)
{
    cancel();
    m_read = std::make_unique<Read>();
    m_read->choose = std::move(choose);
    m_read->done = std::move(done);
    m_deadline.start(m_budgetMs);
    const auto finishLater = [this, generation = ++m_generation](std::optional<Contents> contents) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, contents = std::move(contents)] {
                if (generation == m_generation)
                    finish(contents);
            },
            Qt::QueuedConnection);
    };
    if (!m_display) {
        finishLater(std::nullopt);
        return;
    }
    Read& read = *m_read;
    read.window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(m_display, read.window, PropertyChangeMask);
    read.owner = XGetSelectionOwner(m_display, m_clipboard);
    // That answer came after every change of the owner the server made before it, so those are queued
    // now: they precede this read, which looks at the owner they left.
    ownerChangesQueued();
    if (read.owner == None) {
        finishLater(Contents {});
        return;
    }
    read.requested = m_targets;
    read.requestedName = QStringLiteral("TARGETS");
    XConvertSelection(m_display, m_clipboard, m_targets, m_property, read.window, CurrentTime);
    flush();
}

void X11ClipboardReader::cancel()
{
    m_deadline.stop();
    if (!m_read)
        return;
    if (m_display && m_read->window != None) {
        XDestroyWindow(m_display, m_read->window);
        flush();
    }
    m_read.reset();
}

void X11ClipboardReader::finish(std::optional<Contents> contents)
{
    if (!m_read)
        return;
    Done done = std::move(m_read->done);
    cancel();
    done(std::move(contents));
}

void X11ClipboardReader::flush()
{
    XFlush(m_display);
    // Sending may take in answers that had come already, which the socket then never announces.
    m_events->readSoon();
}

void X11ClipboardReader::handle(const XEvent& event)
{
    if (!m_read)
        return;
    if (m_fixesEventBase >= 0 && event.type == m_fixesEventBase + XFixesSelectionNotify) {
        // The copy being read was replaced, or its owner went away: whatever came so far may belong to
        // another copy than what would come next.
        if (reinterpret_cast<const XFixesSelectionNotifyEvent*>(&event)->selection == m_clipboard)
            finish(std::nullopt);
        return;
    }
    if (event.type == SelectionNotify) {
        const XSelectionEvent& answer = event.xselection;
        if (answer.requestor != m_read->window || answer.target != m_read->requested || m_read->incremental)
            return;
        if (answer.property == None) {
            declined();
            return;
        }
        const auto property = takeProperty();
        if (!property)
            return;
        // An answer without data declines the target as well.
        if (property->type == None) {
            declined();
            return;
        }
        if (property->type == m_incr) {
            // Deleting the property, as takeProperty did, asks the owner for the first piece.
            m_read->incremental = true;
            return;
        }
        received(*property);
        return;
    }
    if (event.type == PropertyNotify) {
        const XPropertyEvent& change = event.xproperty;
        if (!m_read->incremental || change.window != m_read->window || change.atom != m_property
            || change.state != PropertyNewValue)
            return;
        const auto piece = takeProperty();
        if (!piece)
            return;
        if (!piece->bytes.isEmpty()) {
            m_read->incoming += piece->bytes;
            return;
        }
        // An empty piece ends the transfer.
        m_read->incremental = false;
        received(Property { piece->type, piece->format, std::exchange(m_read->incoming, {}) });
    }
}

std::optional<X11ClipboardReader::Property> X11ClipboardReader::takeProperty()
{
    Read& read = *m_read;
    Property property;
    long offset = 0;
    for (;;) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_display, read.window, m_property, offset, pieceLength, False,
                AnyPropertyType, &type, &format, &count, &after, &data)
            != Success) {
            finish(std::nullopt);
            return std::nullopt;
        }
        // Xlib hands 32-bit items over as longs; they are kept as the 32-bit values they are.
        if (format == 32) {
            const auto* values = reinterpret_cast<const unsigned long*>(data);
            for (unsigned long i = 0; i < count; ++i) {
                const auto value = static_cast<quint32>(values[i]);
                property.bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
            }
        } else if (data) {
            property.bytes.append(reinterpret_cast<const char*>(data), qsizetype(count) * (format / 8));
        }
        if (data)
            XFree(data);
        property.type = type;
        property.format = format;
        if (read.total + read.incoming.size() + property.bytes.size() > maximumBytes) {
            finish(std::nullopt);
            return std::nullopt;
        }
        if (after == 0 || count == 0)
            break;
        offset += long(count) * format / 32;
    }
    XDeleteProperty(m_display, read.window, m_property);
    flush();
    return property;
}

void X11ClipboardReader::received(const Property& property)
{
    Read& read = *m_read;
    if (!read.haveTargets) {
        read.haveTargets = true;
        std::vector<unsigned long> atoms;
        // No copy has more formats than this; a longer list would only cost the naming of each.
        const qsizetype listed = std::min<qsizetype>(property.bytes.size(), maximumTargets * 4);
        if (property.format == 32)
            for (qsizetype at = 0; at + 4 <= listed; at += 4) {
                quint32 atom = 0;
                std::memcpy(&atom, property.bytes.constData() + at, sizeof atom);
                if (atom != None)
                    atoms.push_back(atom);
            }
        const QStringList names = atomNames(atoms);
        if (names.size() != qsizetype(atoms.size())) {
            finish(std::nullopt);
            return;
        }
        for (qsizetype i = 0; i < names.size(); ++i)
            if (!read.offered.contains(names[i])) {
                read.offered.insert(names[i], atoms[size_t(i)]);
                read.contents.offered.append(names[i]);
            }
        read.chosen = read.choose(read.contents.offered);
        requestNext();
        return;
    }
    read.total += property.bytes.size();
    read.contents.data.emplace_back(read.requestedName, property.bytes);
    requestNext();
}

void X11ClipboardReader::declined()
{
    // An owner may offer targets it then cannot convert; without the list of targets there is nothing.
    if (m_read->haveTargets)
        requestNext();
    else
        finish(std::nullopt);
}

void X11ClipboardReader::requestNext()
{
    Read& read = *m_read;
    while (read.next < read.chosen.size()) {
        read.requestedName = read.chosen[read.next++];
        const auto atom = read.offered.constFind(read.requestedName);
        if (atom == read.offered.constEnd())
            continue;
        read.requested = *atom;
        XConvertSelection(m_display, m_clipboard, read.requested, m_property, read.window, CurrentTime);
        flush();
        return;
    }
    finishWhenSameOwner();
}

void X11ClipboardReader::finishWhenSameOwner()
{
    const Window owner = XGetSelectionOwner(m_display, m_clipboard);
    if (ownerChangesQueued() || owner != m_read->owner) {
        finish(std::nullopt);
        return;
    }
    finish(std::move(m_read->contents));
}

bool X11ClipboardReader::ownerChangesQueued()
{
    if (m_fixesEventBase < 0)
        return false;
    bool changed = false;
    XEvent event;
    while (XCheckTypedEvent(m_display, m_fixesEventBase + XFixesSelectionNotify, &event))
        changed = changed
            || reinterpret_cast<const XFixesSelectionNotifyEvent*>(&event)->selection == m_clipboard;
    return changed;
}

QStringList X11ClipboardReader::atomNames(const std::vector<unsigned long>& atoms)
{
    if (atoms.empty())
        return {};
    std::vector<Atom> list(atoms.begin(), atoms.end());
    std::vector<char*> names(list.size(), nullptr);
    // The atoms come from the owner; one that does not exist must not end the program.
    X11ErrorTrap trap(m_display);
    const Status status = XGetAtomNames(m_display, list.data(), int(list.size()), names.data());
    const bool succeeded = trap.succeeded() && status != 0;
    QStringList result;
    for (char* name : names) {
        if (succeeded && name)
            result.append(QString::fromLatin1(name));
        if (name)
            XFree(name);
    }
    return succeeded ? result : QStringList {};
}
