#include "Platform/Desktop/GlobalShortcutsPortal.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>

namespace {

// One entry of the portal's a(sa{sv}) lists of shortcuts.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// The portal's responses: 0 done, 1 the user cancelled, 2 anything else.
QString responseReason(uint response)
{
    return response == 1 ? QStringLiteral("declined by the user")
                         : QStringLiteral("refused by the desktop (response %1)").arg(response);
}

// A session handle arrives as an object path, from older portals as a string.
QString handleText(const QVariant& value)
{
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

// The answer to one call: the portal sends it as a Response signal from an object whose path the caller
// can tell in advance, so it is listened for before the call goes out.
class GlobalShortcutsPortal::Request final : public QObject {
    Q_OBJECT
public:
    Request(QDBusConnection bus, const QString& path, std::function<void(uint, const QVariantMap&)> done,
        QObject* parent)
        : QObject(parent)
        , m_bus(std::move(bus))
        , m_path(path)
        , m_done(std::move(done))
    {
        // Signals are matched by path alone: naming the sender would make Qt ask the bus who owns the
        // portal's name, and wait for the answer. Request paths are this connection's own.
        m_bus.connect(QString(), m_path, QStringLiteral("org.freedesktop.portal.Request"),
            QStringLiteral("Response"), this, SLOT(response(uint, QVariantMap)));
    }
    ~Request() override
    {
        m_bus.disconnect(QString(), m_path, QStringLiteral("org.freedesktop.portal.Request"),
            QStringLiteral("Response"), this, SLOT(response(uint, QVariantMap)));
    }
    void fail(const QString& reason)
    {
        m_failed(reason);
        deleteLater();
    }
    std::function<void(const QString&)> m_failed = [](const QString&) {};

public slots:
    void response(uint code, const QVariantMap& results)
    {
        m_done(code, results);
        deleteLater();
    }

private:
    QDBusConnection m_bus;
    QString m_path;
    std::function<void(uint, const QVariantMap&)> m_done;
};

GlobalShortcutsPortal::GlobalShortcutsPortal(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    // Matched by path and session, not sender, so that connecting never waits on the bus.
    for (const auto* name : { "Activated", "Deactivated" })
        m_bus.connect(QString(), path, interface, QLatin1String(name), this, SLOT(onShortcut(QDBusMessage)));
}

GlobalShortcutsPortal::~GlobalShortcutsPortal()
{
    // The session ends with the program; closing it tells the desktop at once.
    if (!m_session.isEmpty())
        m_bus.asyncCall(QDBusMessage::createMethodCall(
            service, m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")));
}

void GlobalShortcutsPortal::bind(const QList<Action>& actions)
{
    m_actions = actions;
    if (!m_bus.isConnected()) {
        // Told on the event loop, as every other answer is.
        QTimer::singleShot(0, this, [this] { emit unavailable(QStringLiteral("there is no session bus")); });
        return;
    }
    QVariantMap options;
    options.insert(QStringLiteral("session_handle_token"),
        QStringLiteral("drimo%1").arg(QRandomGenerator::global()->generate()));
    call(QStringLiteral("CreateSession"), {}, options, [this](const QVariantMap& results) {
        m_session = handleText(results.value(QStringLiteral("session_handle")));
        if (m_session.isEmpty())
            return emit unavailable(QStringLiteral("the desktop opened no session"));
        QList<PortalShortcut> shortcuts;
        for (const Action& action : m_actions)
            shortcuts.append({ action.id,
                { { QStringLiteral("description"), action.description },
                    { QStringLiteral("preferred_trigger"), action.preferredTrigger } } });
        call(QStringLiteral("BindShortcuts"),
            { QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts), QString() },
            {}, [this](const QVariantMap& results) {
                QVariantMap triggers;
                const auto list
                    = qdbus_cast<QList<PortalShortcut>>(results.value(QStringLiteral("shortcuts")));
                for (const auto& shortcut : list)
                    triggers.insert(
                        shortcut.id, shortcut.properties.value(QStringLiteral("trigger_description")));
                emit bound(triggers);
            });
    });
}

void GlobalShortcutsPortal::call(const QString& method, QVariantList arguments, QVariantMap options,
    std::function<void(const QVariantMap& results)> answered)
{
    const QString token
        = QStringLiteral("drimo%1_%2").arg(++m_nextToken).arg(QRandomGenerator::global()->generate());
    options.insert(QStringLiteral("handle_token"), token);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString requestPath
        = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    auto* request = new Request(
        m_bus, requestPath,
        [this, answered = std::move(answered)](uint code, const QVariantMap& results) {
            if (code != 0)
                return emit unavailable(responseReason(code));
            answered(results);
        },
        this);
    request->m_failed = [this](const QString& reason) { emit unavailable(reason); };
    auto message = QDBusMessage::createMethodCall(service, path, interface, method);
    arguments.append(options);
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, request = QPointer(request)] {
        watcher->deleteLater();
        if (watcher->isError() && request)
            request->fail(watcher->error().message());
    });
}

void GlobalShortcutsPortal::onShortcut(const QDBusMessage& message)
{
    const auto arguments = message.arguments();
    if (arguments.size() < 2 || handleText(arguments[0]) != m_session || m_session.isEmpty())
        return;
    const QString id = arguments[1].toString();
    if (message.member() == QLatin1String("Activated"))
        emit activated(id);
    else
        emit deactivated(id);
}

#include "GlobalShortcutsPortal.moc"
