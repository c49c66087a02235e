#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

// One running copy per user. The first start listens on a local socket; a later start finds it, asks it
// to show its settings and ends, so the settings stay reachable when there is no tray menu.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // The socket name for this user.
    static QString defaultName();

    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another instance is running and has been asked to show itself: this one should end.
    // Otherwise this one becomes the running instance and listens (a socket left by a crashed one is
    // replaced).
    bool handOverToRunning(int timeoutMs = 1000);
    // The two halves of it. True when a running instance took the request to show itself.
    bool askRunningToShow(int timeoutMs = 1000);
    // Becomes the running instance: listens, in place of a socket left by one that crashed.
    void listen();

    bool isListening() const;

    // Called in the running instance each time a later start asks it to show itself.
    std::function<void()> onActivationRequest = [] {};

private:
    void acceptConnections();

    QString m_name;
    QLocalServer* m_server = nullptr;
};
