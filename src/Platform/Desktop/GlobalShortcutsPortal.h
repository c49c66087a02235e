#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// Global shortcuts through the desktop's portal (KDE Plasma, GNOME 48 and later, Hyprland), the Wayland
// way to hear of keys pressed in other windows: the program names its actions with the keys it suggests,
// the desktop lets the user confirm or change them, and says when one is pressed. Every call is answered
// later, on the event loop; nothing waits for the portal or for the user.
class GlobalShortcutsPortal final : public QObject {
    Q_OBJECT
public:
    struct Action {
        QString id;
        QString description;
        // As the desktop's shortcut settings write keys, such as "CTRL+SHIFT+V"; the desktop may ignore it.
        QString preferredTrigger;
    };

    static inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

    explicit GlobalShortcutsPortal(QDBusConnection bus, QObject* parent = nullptr);
    ~GlobalShortcutsPortal() override;

    // Opens a session and binds `actions` to it; `bound` or `unavailable` follows.
    void bind(const QList<Action>& actions);

signals:
    // The actions the desktop bound, each with the keys it says trigger it ("" when it says nothing).
    void bound(const QVariantMap& triggers);
    // The desktop has no such portal, refused, or the user declined; `reason` says which, for the log.
    void unavailable(const QString& reason);
    void activated(const QString& id);
    void deactivated(const QString& id);

private slots:
    // Activated and Deactivated, which say that a shortcut's keys went down and up.
    void onShortcut(const QDBusMessage& message);

private:
    class Request;
    // Calls `method` with a fresh request token in `options`; `answered` gets the Response's results.
    void call(const QString& method, QVariantList arguments, QVariantMap options,
        std::function<void(const QVariantMap& results)> answered);

    QDBusConnection m_bus;
    QString m_session;
    QList<Action> m_actions;
    int m_nextToken = 0;
};
