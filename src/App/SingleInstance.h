#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

// One running copy per history. The first start listens on a local socket; a later start on the same history
// finds it, hands it a request and ends: to show its settings (so they stay reachable when there is no tray
// menu), its history picker or to take a screenshot, which desktops without global key grabs bind to keys.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // The socket of the program recording into `historyFolder`, inside the user's private `runtimeFolder`.
    // Named after the folder's resolved absolute path: each history has its own, and programs recording
    // other histories (another XDG_DATA_HOME) never answer for this one.
    static QString socketPath(const QString& runtimeFolder, const QString& historyFolder);

    // `name`: a socket path, or a bare name that goes into the shared temporary folder.
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Request { ShowSettings, ShowHistory, TakeScreenshot };

    // True when another instance is running and has taken the request: this one should end. Otherwise
    // this one becomes the running instance and listens (a socket left by a crashed one is replaced).
    bool handOverToRunning(int timeoutMs = 1000, Request request = Request::ShowSettings);
    // The first half of it. True when a running instance took the request.
    bool askRunning(Request request, int timeoutMs = 1000);
    // Becomes the running instance: listens, in place of a socket left by one that crashed. False when it
    // cannot listen (errorString() says why): later starts then do not find this one.
    bool listen();
    QString errorString() const;

    bool isListening() const;

    // Called in the running instance for each request a later start hands it.
    std::function<void(Request)> onRequest = [](Request) {};

private:
    void acceptConnections();

    QString m_name;
    QLocalServer* m_server = nullptr;
};
