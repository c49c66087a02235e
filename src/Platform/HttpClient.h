#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

// Fetching resources from the update server. Answers arrive on the main thread, through the Scheduler,
// never inside the call that asked.
class HttpClient {
public:
    struct Request {
        QUrl url;
        // The whole transfer, connecting included, must end within this many seconds.
        double timeout = 60;
        // A body longer than this fails the transfer as soon as it is known to be longer.
        qint64 maximumBytes = 1024 * 1024;
        // When not empty, the body goes to this file (created or replaced) as it arrives instead of into
        // memory.
        QString destination;
        // Never answer from a local cache.
        bool ignoreCache = false;
    };

    struct Response {
        // The HTTP status; nothing when the transfer failed: no connection, an error of the secure channel,
        // a redirect that leaves HTTPS, the time limit, a body beyond its bound, or a file that could not be
        // written.
        std::optional<int> status;
        // The body, unless it went to the request's file.
        QByteArray body;
    };

    using Handler = std::function<void(Response)>;

    virtual ~HttpClient() = default;

    // Sends a GET request. `handler` runs exactly once. A request's file holds the body only when the
    // answer is a complete status 200; in every other case nothing is left at that path.
    virtual void get(const Request& request, Handler handler) = 0;
};
