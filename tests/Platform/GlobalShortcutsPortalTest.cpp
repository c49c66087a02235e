#include "Platform/Desktop/GlobalShortcutsPortal.h"
#include "Platform/Desktop/PortalCommands.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

// The portal client against a stand-in portal on a private bus of its own: the calls, the answers that
// arrive later as Response signals, and the shortcut signals.
// Named, not anonymous: the bus finds a slot's parameter types by their names.
namespace PortalTest {

struct Shortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Shortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Shortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace PortalTest

using PortalTest::Shortcut;
Q_DECLARE_METATYPE(PortalTest::Shortcut)

namespace {

// What a desktop's portal does, as far as the client can tell: answers each call with a Response from the
// request's own path, a moment later.
class FakePortal final : public QDBusVirtualObject {
public:
    explicit FakePortal(QDBusConnection bus)
        : m_bus(std::move(bus))
    {
        qDBusRegisterMetaType<Shortcut>();
        qDBusRegisterMetaType<QList<Shortcut>>();
    }

    uint createResponse = 0;
    QList<Shortcut> bound;
    QString session;

    void emitShortcut(const QString& name, const QString& id)
    {
        auto signal
            = QDBusMessage::createSignal(GlobalShortcutsPortal::path, GlobalShortcutsPortal::interface, name);
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1) << QVariantMap();
        m_bus.send(signal);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override
    {
        const auto arguments = message.arguments();
        const QVariantMap options = qdbus_cast<QVariantMap>(arguments.value(arguments.size() - 1));
        if (message.member() == QLatin1String("CreateSession")) {
            session = QStringLiteral("/org/freedesktop/portal/desktop/session/x/%1")
                          .arg(options.value(QStringLiteral("session_handle_token")).toString());
            return respond(message, options, createResponse,
                { { QStringLiteral("session_handle"), QVariant::fromValue(QDBusObjectPath(session)) } });
        }
        if (message.member() == QLatin1String("BindShortcuts")
            && message.signature() == QLatin1String("oa(sa{sv})sa{sv}")) {
            EXPECT_EQ(qdbus_cast<QDBusObjectPath>(arguments[0]).path(), session);
            bound = qdbus_cast<QList<Shortcut>>(arguments[1]);
            QList<Shortcut> answer;
            for (const auto& shortcut : bound)
                answer.append({ shortcut.id,
                    { { QStringLiteral("trigger_description"),
                        shortcut.properties.value(QStringLiteral("preferred_trigger")) } } });
            return respond(
                message, options, 0, { { QStringLiteral("shortcuts"), QVariant::fromValue(answer) } });
        }
        ADD_FAILURE() << "unexpected call " << message.member().toStdString() << ' '
                      << message.signature().toStdString();
        return false;
    }

private:
    bool respond(const QDBusMessage& message, const QVariantMap& options, uint code, QVariantMap results)
    {
        QString sender = message.service().mid(1);
        sender.replace(u'.', u'_');
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                 .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(path))));
        QTimer::singleShot(10, [bus = m_bus, path, code, results]() mutable {
            auto signal = QDBusMessage::createSignal(
                path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            signal << code << results;
            bus.send(signal);
        });
        return true;
    }

    QDBusConnection m_bus;
};

class GlobalShortcutsPortalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        daemon.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address") });
        if (!daemon.waitForStarted() || !daemon.waitForReadyRead(5000))
            GTEST_SKIP() << "no dbus-daemon";
        address = QString::fromUtf8(daemon.readLine().trimmed());
    }
    void TearDown() override
    {
        for (const auto& name : names)
            QDBusConnection::disconnectFromBus(name);
        daemon.kill();
        daemon.waitForFinished();
    }
    // Each test has a bus of its own, and so connections of its own.
    QDBusConnection connect(const QString& name)
    {
        names.append(name + address);
        return QDBusConnection::connectToBus(address, names.back());
    }

    QProcess daemon;
    QString address;
    QStringList names;
};

} // namespace

// The program's commands, bound with their suggested keys and run on each press, and only on a press of
// the program's own session.
TEST_F(GlobalShortcutsPortalTest, BindsTheCommandsAndRunsThemOnPress)
{
    auto portalBus = connect(QStringLiteral("portal"));
    FakePortal portal(portalBus);
    ASSERT_TRUE(portalBus.registerService(GlobalShortcutsPortal::service));
    ASSERT_TRUE(portalBus.registerVirtualObject(GlobalShortcutsPortal::path, &portal));

    using Command = PortalCommands::Command;
    std::vector<Command> ran;
    QStringList reports;
    PortalCommands commands(
        connect(QStringLiteral("client")), [&](Command command) { ran.push_back(command); },
        [&](const QString& line) { reports.append(line); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reports.isEmpty(); }, 5000));
    ASSERT_EQ(portal.bound.size(), 2);
    EXPECT_EQ(portal.bound[0].id, QStringLiteral("show-history"));
    EXPECT_EQ(portal.bound[1].properties.value(QStringLiteral("description")).toString(),
        QStringLiteral("Сделать скриншот"));
    EXPECT_EQ(reports.first().toStdString(),
        "the desktop's global shortcuts open the history (CTRL+ALT+V) and take a screenshot (CTRL+SHIFT+D)");

    portal.emitShortcut(QStringLiteral("Activated"), QStringLiteral("take-screenshot"));
    portal.emitShortcut(QStringLiteral("Deactivated"), QStringLiteral("take-screenshot"));
    portal.emitShortcut(QStringLiteral("Activated"), QStringLiteral("show-history"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() >= 2; }, 5000));
    EXPECT_EQ(ran, (std::vector<Command> { Command::TakeScreenshot, Command::ShowHistory }));

    // Another session's shortcuts are not ours.
    portal.session = QStringLiteral("/org/freedesktop/portal/desktop/session/x/other");
    portal.emitShortcut(QStringLiteral("Activated"), QStringLiteral("take-screenshot"));
    QTest::qWait(300);
    EXPECT_EQ(ran.size(), 2u);
}

// A desktop without the portal, and a user who declines, leave the program without the shortcuts and say
// so; neither keeps anything waiting.
TEST_F(GlobalShortcutsPortalTest, SaysWhenThereAreNoShortcuts)
{
    {
        GlobalShortcutsPortal client(connect(QStringLiteral("lonely")));
        QSignalSpy unavailable(&client, &GlobalShortcutsPortal::unavailable);
        client.bind({ { QStringLiteral("show-history"), QStringLiteral("Показать историю"), QString() } });
        ASSERT_TRUE(unavailable.wait(5000));
    }
    {
        GlobalShortcutsPortal client(QDBusConnection::connectToBus(
            QStringLiteral("unix:path=/nonexistent"), QStringLiteral("nobus") + address));
        names.append(QStringLiteral("nobus") + address);
        QSignalSpy unavailable(&client, &GlobalShortcutsPortal::unavailable);
        client.bind({ { QStringLiteral("show-history"), QStringLiteral("Показать историю"), QString() } });
        ASSERT_TRUE(unavailable.wait(5000));
    }
    auto portalBus = connect(QStringLiteral("portal"));
    FakePortal portal(portalBus);
    portal.createResponse = 1;
    ASSERT_TRUE(portalBus.registerService(GlobalShortcutsPortal::service));
    ASSERT_TRUE(portalBus.registerVirtualObject(GlobalShortcutsPortal::path, &portal));
    GlobalShortcutsPortal client(connect(QStringLiteral("client")));
    QSignalSpy unavailable(&client, &GlobalShortcutsPortal::unavailable);
    QSignalSpy bound(&client, &GlobalShortcutsPortal::bound);
    client.bind({ { QStringLiteral("show-history"), QStringLiteral("Показать историю"), QString() } });
    ASSERT_TRUE(unavailable.wait(5000));
    EXPECT_TRUE(unavailable.takeFirst().at(0).toString().contains(QStringLiteral("declined")));
    EXPECT_EQ(bound.count(), 0);
}
