#include "Platform/Desktop/HttpClientDesktop.h"

#include "Foundation/AtomicFile.h"
#include "Foundation/FileTree.h"

#include <QFile>
#include <QNetworkReply>
#include <QPointer>
#include <QSslConfiguration>
#include <QTimer>

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

constexpr int maximumRedirects = 5;
// Without a byte for this long a transfer is dead, whatever its total budget says.
constexpr int idleTimeoutMs = 60'000;

// One transfer in flight: the reply, its deadline and where its body goes.
struct Transfer {
    HttpClient::Request request;
    HttpClient::Handler handler;
    QPointer<QNetworkReply> reply;
    QTimer deadline;
    int fd = -1;
    qint64 received = 0;
    bool failed = false;
    bool finished = false;
    QByteArray body;

    ~Transfer()
    {
        if (fd >= 0)
            ::close(fd);
    }

    void fail()
    {
        failed = true;
        if (reply)
            reply->abort();
    }

    bool acceptsBody() const
    {
        return reply && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
    }

    void take()
    {
        if (failed || !reply)
            return;
        const QByteArray chunk = reply->readAll();
        received += chunk.size();
        if (received > request.maximumBytes)
            return fail();
        if (request.destination.isEmpty()) {
            body.append(chunk);
            return;
        }
        if (!acceptsBody())
            return;
        if (fd < 0) {
            // A file of that name may be anything, even a link someone else planted in a shared
            // folder: it goes, and ours is made afresh without following links.
            FileTree::remove(request.destination);
            fd = ::open(QFile::encodeName(request.destination).constData(),
                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0)
                return fail();
        }
        if (!AtomicFile::writeAll(fd, chunk))
            fail();
    }
};

} // namespace

HttpClientDesktop::HttpClientDesktop()
{
    m_network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

HttpClientDesktop::~HttpClientDesktop() = default;

void HttpClientDesktop::addTrustedCertificates(const QList<QSslCertificate>& certificates)
{
    m_extraCertificates += certificates;
}

void HttpClientDesktop::get(const Request& request, Handler handler)
{
    auto transfer = std::make_shared<Transfer>();
    transfer->request = request;
    transfer->handler = std::move(handler);

    const auto deliver = [transfer] {
        if (transfer->finished)
            return;
        transfer->finished = true;
        transfer->deadline.stop();
        Response response;
        const auto* reply = transfer->reply.data();
        const QVariant status
            = reply ? reply->attribute(QNetworkRequest::HttpStatusCodeAttribute) : QVariant();
        if (!transfer->failed && reply && status.isValid()) {
            response.status = status.toInt();
            // A body cut short is an error even under a good status.
            if (response.status == 200 && reply->error() != QNetworkReply::NoError)
                response.status.reset();
        }
        if (response.status == 200 && !transfer->request.destination.isEmpty()) {
            if (transfer->fd < 0) {
                // An empty body still makes its file.
                transfer->fd = ::open(QFile::encodeName(transfer->request.destination).constData(),
                    O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
            }
            if (transfer->fd < 0 || ::fsync(transfer->fd) != 0)
                response.status.reset();
        }
        if (transfer->fd >= 0) {
            if (::close(transfer->fd) != 0)
                response.status.reset();
            transfer->fd = -1;
        }
        if (response.status != 200 && !transfer->request.destination.isEmpty())
            FileTree::remove(transfer->request.destination);
        if (transfer->request.destination.isEmpty())
            response.body = std::move(transfer->body);
        if (transfer->reply)
            transfer->reply->deleteLater();
        auto handler = std::move(transfer->handler);
        handler(std::move(response));
    };

    if (request.url.scheme() != QLatin1String("https") || !request.url.isValid()) {
        // Never inside the call, as the contract says.
        QTimer::singleShot(0, &m_network, deliver);
        return;
    }
    QNetworkRequest networkRequest(request.url);
    networkRequest.setMaximumRedirectsAllowed(maximumRedirects);
    networkRequest.setTransferTimeout(idleTimeoutMs);
    if (request.ignoreCache)
        networkRequest.setAttribute(
            QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    if (!m_extraCertificates.isEmpty()) {
        auto ssl = QSslConfiguration::defaultConfiguration();
        ssl.addCaCertificates(m_extraCertificates);
        networkRequest.setSslConfiguration(ssl);
    }
    QNetworkReply* reply = m_network.get(networkRequest);
    transfer->reply = reply;
    // The body is read as it arrives, so nothing but our own bound ever sits in memory.
    reply->setReadBufferSize(256 * 1024);
    QObject::connect(reply, &QNetworkReply::redirected, reply, [transfer](const QUrl& url) {
        if (url.scheme() != QLatin1String("https"))
            transfer->fail();
    });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [transfer] {
        const auto* r = transfer->reply.data();
        if (!r)
            return;
        const QVariant length = r->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > transfer->request.maximumBytes)
            transfer->fail();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [transfer] { transfer->take(); });
    QObject::connect(reply, &QNetworkReply::finished, reply, [transfer, deliver] {
        transfer->take();
        deliver();
    });
    transfer->deadline.setSingleShot(true);
    QObject::connect(&transfer->deadline, &QTimer::timeout, reply, [transfer] { transfer->fail(); });
    transfer->deadline.start(static_cast<int>(std::clamp(request.timeout, 0.0, 24.0 * 3600) * 1000));
}
