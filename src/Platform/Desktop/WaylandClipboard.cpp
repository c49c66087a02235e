#include "Platform/Desktop/WaylandClipboard.h"

#include "Platform/Desktop/DataControlProtocol.h"
#include "Platform/Desktop/WaylandConnection.h"

#include "Foundation/FileDescriptor.h"
#include "Foundation/Scheduler.h"
#include "Foundation/Uuid.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <wayland-client.h>

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace {

// How long a client that pastes may take to read what it asked for; a reader that stops reading is left.
constexpr int sendBudgetMs = 10'000;

} // namespace

class WaylandClipboard::Session {
public:
    virtual ~Session() = default;
    virtual void read(Choice choose, Done done) = 0;
    virtual void cancel() = 0;
    virtual void write(Formats formats, Promised promised) = 0;
};

namespace {

// One read of one offer: its chosen types, one pipe after the other, all within one budget.
struct Reading {
    quint64 generation = 0;
    QStringList offered;
    QStringList pending;
    WaylandClipboard::Formats data;
    qsizetype total = 0;
    WaylandClipboard::Done done;
    FileDescriptor pipe;
    std::unique_ptr<QSocketNotifier> notifier;
    QByteArray current;
};

// One paste by another client: the bytes go out as the client takes them, once they are there. The budget
// counts from the request, the making of promised bytes included.
class Sending final : public QObject {
public:
    Sending(FileDescriptor fd, QObject* parent)
        : QObject(parent)
        , m_fd(std::move(fd))
        , m_notifier(m_fd.get(), QSocketNotifier::Write)
    {
        ::fcntl(m_fd.get(), F_SETFL, ::fcntl(m_fd.get(), F_GETFL) | O_NONBLOCK);
        m_notifier.setEnabled(false);
        connect(&m_notifier, &QSocketNotifier::activated, this, &Sending::pump);
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, &QObject::deleteLater);
        m_deadline.start(sendBudgetMs);
    }

    void deliver(QByteArray bytes)
    {
        m_bytes = std::move(bytes);
        m_notifier.setEnabled(true);
        pump();
    }

private:
    void pump()
    {
        while (m_written < m_bytes.size()) {
            const auto n = ::write(
                m_fd.get(), m_bytes.constData() + m_written, static_cast<size_t>(m_bytes.size() - m_written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN)
                return; // the notifier says when there is room
            if (n < 0)
                break; // the client went away
            m_written += n;
        }
        m_notifier.setEnabled(false);
        deleteLater();
    }

    FileDescriptor m_fd;
    QByteArray m_bytes;
    qsizetype m_written = 0;
    QSocketNotifier m_notifier;
    QTimer m_deadline;
};

// A promised type's bytes while a worker makes them, and the pastes that wait for them.
struct Making {
    bool made = false;
    std::vector<QPointer<Sending>> waiting;
};

} // namespace

template <typename P> class WaylandClipboard::DataControlSession final : public WaylandClipboard::Session {
public:
    DataControlSession(WaylandClipboard& owner, WaylandConnection& connection, Scheduler& scheduler,
        typename P::Manager* manager, wl_seat* seat, int budgetMs)
        : m_owner(owner)
        , m_connection(connection)
        , m_scheduler(scheduler)
        , m_manager(manager)
        , m_seat(seat)
        // A type only this process offers tells its own copies from everyone else's.
        , m_marker(QStringLiteral("application/x-drimo-copy-owner-%1").arg(Uuid::create()).toUtf8())
        , m_budgetMs(budgetMs)
    {
        m_device = P::getDevice(m_manager, m_seat);
        P::listen(m_device, &deviceListener, this);
        m_connection.flush();
        m_deadline.setSingleShot(true);
        m_deadline.setTimerType(Qt::PreciseTimer);
        m_deadline.callOnTimeout([this] { finish(std::nullopt, true); });
    }

    ~DataControlSession() override
    {
        finish(std::nullopt, false);
        for (auto& [offer, types] : m_offers)
            P::destroy(offer);
        if (m_source)
            P::destroy(m_source);
        if (m_device)
            P::destroy(m_device);
        P::destroy(m_manager);
        wl_seat_destroy(m_seat);
        m_connection.flush();
    }

    void read(Choice choose, Done done) override
    {
        finish(std::nullopt, false);
        auto reading = std::make_unique<Reading>();
        reading->generation = ++m_generation;
        reading->done = std::move(done);
        if (!m_selection) {
            m_reading = std::move(reading);
            return postFinish(Contents {});
        }
        if (m_selectionIsOurs) {
            Contents ours;
            for (const auto& [type, bytes] : m_served)
                ours.offered.append(type);
            // Known without asking anyone; reading them would make them for nobody.
            for (const auto& [type, promise] : m_promised)
                ours.offered.append(type);
            ours.data = m_served;
            m_reading = std::move(reading);
            return postFinish(std::move(ours));
        }
        const QStringList& offered = m_offers[m_selection];
        m_reading = std::move(reading);
        if (offered.size() > maximumTypes)
            return postFinish(std::nullopt);
        m_reading->offered = offered;
        for (const QString& type : choose(offered))
            if (offered.contains(type) && !m_reading->pending.contains(type))
                m_reading->pending.append(type);
        m_deadline.start(m_budgetMs);
        next();
    }

    void cancel() override { finish(std::nullopt, false); }

    void write(Formats formats, Promised promised) override
    {
        // Without a device (the seat went away) there is no clipboard to set.
        if (!m_device)
            return;
        auto* previous = m_source;
        m_source = P::createSource(m_manager);
        P::listen(m_source, &sourceListener, this);
        for (const auto& [type, bytes] : formats)
            P::offer(m_source, type.toUtf8().constData());
        for (const auto& [type, promise] : promised)
            P::offer(m_source, type.toUtf8().constData());
        P::offer(m_source, m_marker.constData());
        m_served = std::move(formats);
        m_promised = std::move(promised);
        // Pastes already waiting are still served with what they asked for.
        m_making.clear();
        P::setSelection(m_device, m_source);
        // Only once it is replaced: the selection's source going away empties the clipboard, and every
        // client would hear of a copy nobody made.
        if (previous)
            P::destroy(previous);
        m_connection.flush();
    }

private:
    // Reads the next chosen type, or ends the read with everything gathered.
    void next()
    {
        Reading& r = *m_reading;
        if (r.pending.isEmpty()) {
            Contents contents { r.offered, std::move(r.data) };
            return finish(std::move(contents), true);
        }
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            return finish(std::nullopt, true);
        FileDescriptor writeEnd(fds[1]);
        r.pipe = FileDescriptor(fds[0]);
        r.current.clear();
        P::receive(m_selection, r.pending.front().toUtf8().constData(), writeEnd.get());
        m_connection.flush();
        // The compositor has its own copy of the write end now; the client's end of the pipe closing is
        // what says the data is complete.
        writeEnd.close();
        r.notifier = std::make_unique<QSocketNotifier>(r.pipe.get(), QSocketNotifier::Read);
        QObject::connect(r.notifier.get(), &QSocketNotifier::activated, &m_owner, [this] { drain(); });
    }

    void drain()
    {
        Reading& r = *m_reading;
        char buffer[64 * 1024];
        for (;;) {
            const auto n = ::read(r.pipe.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN)
                return;
            if (n < 0)
                return finish(std::nullopt, true);
            if (n == 0)
                break;
            r.total += n;
            if (r.total > maximumBytes)
                return finish(std::nullopt, true);
            r.current.append(buffer, n);
        }
        r.notifier.reset();
        r.pipe = FileDescriptor();
        r.data.emplace_back(r.pending.takeFirst(), std::move(r.current));
        next();
    }

    void postFinish(std::optional<Contents> contents)
    {
        QTimer::singleShot(0, &m_owner, [this, generation = m_generation, contents = std::move(contents)] {
            if (m_reading && m_reading->generation == generation)
                finish(contents, true);
        });
    }

    // Ends the read under way; `report` says whether its `done` hears of it.
    void finish(std::optional<Contents> contents, bool report)
    {
        m_deadline.stop();
        if (!m_reading)
            return;
        auto reading = std::move(m_reading);
        reading->notifier.reset();
        if (report)
            reading->done(std::move(contents));
    }

    void selection(typename P::Offer* offer)
    {
        if (m_selection && m_selection != offer) {
            // A copy replaced while it was read is given up: what is delivered comes whole from one copy.
            finish(std::nullopt, true);
            forget(m_selection);
        }
        m_selection = offer;
        m_selectionIsOurs = offer && m_offers[offer].contains(QString::fromUtf8(m_marker));
        if (!m_selectionIsOurs)
            emit m_owner.changed();
    }

    void forget(typename P::Offer* offer)
    {
        m_offers.erase(offer);
        P::destroy(offer);
    }

    void send(typename P::Source* source, const char* type, int fd)
    {
        FileDescriptor pipe(fd);
        if (source != m_source)
            return;
        const QString wanted = QString::fromUtf8(type);
        for (const auto& [format, bytes] : m_served)
            if (format == wanted)
                return (new Sending(std::move(pipe), &m_owner))->deliver(bytes);
        for (const auto& [format, promise] : m_promised)
            if (format == wanted)
                return sendPromised(format, promise, new Sending(std::move(pipe), &m_owner));
    }

    // Made by a worker for the first client that asks, then given to every one: the event loop never waits
    // for them.
    void sendPromised(
        const QString& type, const std::shared_ptr<const PromisedBytes>& promise, Sending* sending)
    {
        auto& making = m_making[type];
        if (making && making->made)
            return sending->deliver(promise->bytes());
        const bool started = making != nullptr;
        if (!started)
            making = std::make_shared<Making>();
        making->waiting.emplace_back(sending);
        if (started)
            return;
        m_scheduler.background([promise] { promise->bytes(); },
            [making, promise] {
                making->made = true;
                for (const auto& waiting : std::exchange(making->waiting, {}))
                    if (waiting)
                        waiting->deliver(promise->bytes());
            });
    }

    static void dataOffer(void* data, typename P::Device*, typename P::Offer* offer)
    {
        auto* self = static_cast<DataControlSession*>(data);
        self->m_offers[offer];
        P::listen(offer, &offerListener, self);
    }
    static void selected(void* data, typename P::Device*, typename P::Offer* offer)
    {
        static_cast<DataControlSession*>(data)->selection(offer);
    }
    static void finished(void* data, typename P::Device* device)
    {
        auto* self = static_cast<DataControlSession*>(data);
        P::destroy(device);
        self->m_device = nullptr;
    }
    // The primary selection is what is highlighted, not what was copied: never recorded.
    static void primarySelected(void* data, typename P::Device*, typename P::Offer* offer)
    {
        if (offer)
            static_cast<DataControlSession*>(data)->forget(offer);
    }
    static void offered(void* data, typename P::Offer* offer, const char* type)
    {
        auto& types = static_cast<DataControlSession*>(data)->m_offers[offer];
        // One more than allowed is enough to know the copy offers too many.
        if (types.size() <= maximumTypes)
            types.append(QString::fromUtf8(type));
    }
    static void sendRequested(void* data, typename P::Source* source, const char* type, int fd)
    {
        static_cast<DataControlSession*>(data)->send(source, type, fd);
    }
    static void cancelled(void* data, typename P::Source* source)
    {
        auto* self = static_cast<DataControlSession*>(data);
        P::destroy(source);
        if (self->m_source == source)
            self->m_source = nullptr;
    }

    static constexpr
        typename P::DeviceListener deviceListener { dataOffer, selected, finished, primarySelected };
    static constexpr typename P::OfferListener offerListener { offered };
    static constexpr typename P::SourceListener sourceListener { sendRequested, cancelled };

    WaylandClipboard& m_owner;
    WaylandConnection& m_connection;
    Scheduler& m_scheduler;
    typename P::Manager* m_manager;
    wl_seat* m_seat;
    typename P::Device* m_device = nullptr;
    const QByteArray m_marker;
    std::map<typename P::Offer*, QStringList> m_offers;
    typename P::Offer* m_selection = nullptr;
    bool m_selectionIsOurs = false;
    typename P::Source* m_source = nullptr;
    Formats m_served;
    Promised m_promised;
    std::map<QString, std::shared_ptr<Making>> m_making; // by promised type, for this copy
    std::unique_ptr<Reading> m_reading;
    quint64 m_generation = 0;
    QTimer m_deadline;
    const int m_budgetMs;
};

std::optional<WaylandClipboard::Protocol> WaylandClipboard::choose(const QStringList& interfaces)
{
    if (interfaces.contains(QLatin1String(ExtDataControl::managerName)))
        return Protocol::Ext;
    if (interfaces.contains(QLatin1String(WlrDataControl::managerName)))
        return Protocol::Wlr;
    return std::nullopt;
}

template <typename P>
std::unique_ptr<WaylandClipboard::Session> WaylandClipboard::makeSession(
    WaylandClipboard& owner, WaylandConnection& connection, Scheduler& scheduler, wl_seat* seat, int budgetMs)
{
    auto* manager = static_cast<typename P::Manager*>(
        connection.bind(P::managerInterface(), QLatin1String(P::managerName), P::version));
    return std::make_unique<DataControlSession<P>>(owner, connection, scheduler, manager, seat, budgetMs);
}

std::unique_ptr<WaylandClipboard> WaylandClipboard::create(
    WaylandConnection& connection, Scheduler& scheduler, int budgetMs, QObject* parent)
{
    QStringList interfaces;
    for (const auto& global : connection.globals())
        interfaces.append(global.interface);
    const auto protocol = choose(interfaces);
    if (!protocol || !interfaces.contains(QLatin1String("wl_seat")))
        return nullptr;
    auto* seat = static_cast<wl_seat*>(connection.bind(&wl_seat_interface, QStringLiteral("wl_seat"), 1));
    std::unique_ptr<WaylandClipboard> clipboard(new WaylandClipboard(*protocol, parent));
    clipboard->m_session = *protocol == Protocol::Ext
        ? makeSession<ExtDataControl>(*clipboard, connection, scheduler, seat, budgetMs)
        : makeSession<WlrDataControl>(*clipboard, connection, scheduler, seat, budgetMs);
    // The current selection arrives as an event, like every later one.
    connection.roundtrip(budgetMs);
    return clipboard;
}

WaylandClipboard::WaylandClipboard(Protocol protocol, QObject* parent)
    : QObject(parent)
    , m_protocol(protocol)
{ }

WaylandClipboard::~WaylandClipboard()
{
    m_session.reset();
}

void WaylandClipboard::read(Choice choose, Done done)
{
    m_session->read(std::move(choose), std::move(done));
}

void WaylandClipboard::cancel()
{
    m_session->cancel();
}

void WaylandClipboard::write(Formats formats, Promised promised)
{
    m_session->write(std::move(formats), std::move(promised));
}
