#include "App/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

// One line a request. "show" is what every earlier version sends.
const std::pair<SingleInstance::Request, QByteArray> requestLines[] = {
    { SingleInstance::Request::ShowSettings, "show\n" },
    { SingleInstance::Request::ShowHistory, "history\n" },
    { SingleInstance::Request::TakeScreenshot, "screenshot\n" },
};

// A line longer than any request is no request.
constexpr qint64 longestLine = 64;

} // namespace

QString SingleInstance::socketPath(const QString& runtimeFolder, const QString& historyFolder)
{
    // Resolved, so that every spelling of one folder (a link, "..", a trailing slash) meets the same program.
    QString folder = QFileInfo(historyFolder).canonicalFilePath();
    if (folder.isEmpty())
        folder = QDir::cleanPath(QDir(historyFolder).absolutePath());
    // A digest keeps the name short whatever the folder: a socket path has room for about 100 bytes.
    const QByteArray digest = QCryptographicHash::hash(QFile::encodeName(folder), QCryptographicHash::Sha256);
    return QDir::cleanPath(runtimeFolder) + QStringLiteral("/instance-")
        + QString::fromLatin1(digest.left(12).toHex());
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent)
    , m_name(std::move(name))
{ }

SingleInstance::~SingleInstance() = default;

bool SingleInstance::handOverToRunning(int timeoutMs, Request request)
{
    if (askRunning(request, timeoutMs))
        return true;
    listen();
    return false;
}

bool SingleInstance::askRunning(Request request, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    for (const auto& [known, line] : requestLines)
        if (known == request)
            socket.write(line);
    // The running instance answers once it has taken the request, so this one never ends before the
    // request arrived.
    return socket.waitForBytesWritten(timeoutMs) && socket.waitForReadyRead(timeoutMs);
}

bool SingleInstance::listen()
{
    if (m_server)
        return m_server->isListening();
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // Nobody answered, so a socket file left by an instance that crashed is in the way.
        QLocalServer::removeServer(m_name);
        m_server->listen(m_name);
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return m_server->isListening();
}

QString SingleInstance::errorString() const
{
    return m_server ? m_server->errorString() : QString();
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
            // A request may arrive in pieces; it counts once its line is whole.
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > longestLine)
                    socket->abort();
                return;
            }
            const QByteArray line = socket->readLine(longestLine);
            for (const auto& [request, known] : requestLines) {
                if (line == known) {
                    socket->write("ok\n");
                    socket->flush();
                    onRequest(request);
                    return;
                }
            }
            // Something else speaks on our socket: it gets no answer, and nothing happens.
            socket->abort();
        });
    }
}
