#pragma once

#include <QProcess>
#include <QString>

// The test HTTPS server (tests/Updates/hostile_update_server.py) on 127.0.0.1, serving a folder under a
// certificate made for it with openssl. It stops with this object.
class LocalHttpsServer final {
public:
    LocalHttpsServer() = default;
    ~LocalHttpsServer();
    LocalHttpsServer(const LocalHttpsServer&) = delete;
    LocalHttpsServer& operator=(const LocalHttpsServer&) = delete;

    // Makes the certificate and its key in `keys` and serves `root`; false when openssl or python3 failed.
    bool start(const QString& keys, const QString& root);
    int port() const { return m_port; }
    const QString& certificate() const { return m_certificate; }

private:
    QProcess m_process;
    QString m_certificate;
    int m_port = 0;
};
