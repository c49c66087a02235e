#include "App/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {

const QByteArray showRequest = "show\n";

} // namespace

QString SingleInstance::defaultName()
{
    return QStringLiteral("com.drimo.copy.%1").arg(static_cast<qulonglong>(getuid()));
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent)
    , m_name(std::move(name))
{ }

SingleInstance::~SingleInstance() = default;

bool SingleInstance::handOverToRunning(int timeoutMs)
{
    if (askRunningToShow(timeoutMs))
        return true;
    listen();
    return false;
}

bool SingleInstance::askRunningToShow(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(showRequest);
    // The running instance answers once it has taken the request, so this one never ends before the
    // request arrived.
    return socket.waitForBytesWritten(timeoutMs) && socket.waitForReadyRead(timeoutMs);
}

void SingleInstance::listen()
{
    if (m_server)
        return;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // Nobody answered, so a socket file left by an instance that crashed is in the way.
        QLocalServer::removeServer(m_name);
        m_server->listen(m_name);
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::acceptConnections()
{
    while (auto* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->readAll().contains('\n'))
                return;
            socket->write("ok\n");
            socket->flush();
            onActivationRequest();
        });
    }
}
