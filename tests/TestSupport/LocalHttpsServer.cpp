#include "TestSupport/LocalHttpsServer.h"

LocalHttpsServer::~LocalHttpsServer()
{
    m_process.kill();
    m_process.waitForFinished(5'000);
}

bool LocalHttpsServer::start(const QString& keys, const QString& root)
{
    m_certificate = keys + QStringLiteral("/cert.pem");
    const QString privateKey = keys + QStringLiteral("/key.pem");
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
        { QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
            QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
            QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
            QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
            QStringLiteral("subjectAltName=IP:127.0.0.1"), QStringLiteral("-keyout"), privateKey,
            QStringLiteral("-out"), m_certificate });
    if (!openssl.waitForFinished(30'000) || openssl.exitCode() != 0)
        return false;
    m_process.start(
        QStringLiteral("python3"), { QStringLiteral(DRIMO_HOSTILE_SERVER), root, m_certificate, privateKey });
    if (!m_process.waitForReadyRead(30'000))
        return false;
    m_port = m_process.readLine().trimmed().toInt();
    return m_port > 0;
}
