#include "Platform/Simulated/HttpClientSimulated.h"

#include "Foundation/AtomicFile.h"
#include "Foundation/FileTree.h"
#include "Foundation/Scheduler.h"

HttpClientSimulated::HttpClientSimulated(Scheduler& scheduler)
    : m_scheduler(scheduler)
{ }

void HttpClientSimulated::get(const Request& request, Handler handler)
{
    m_requests.push_back(request);
    const double delay = std::min(m_latency, request.timeout);
    m_scheduler.after(delay, [this, request, handler = std::move(handler)](bool) {
        auto response = respond(request);
        onAnswer(request.url, response.status);
        handler(std::move(response));
    });
}

HttpClient::Response HttpClientSimulated::respond(const Request& request) const
{
    const auto it = m_answers.find(request.url);
    // A slow server is one that answers later than the client waits.
    if (it == m_answers.end() || it->second.fails || m_latency > request.timeout
        || it->second.body.size() > request.maximumBytes) {
        if (!request.destination.isEmpty())
            FileTree::remove(request.destination);
        return {};
    }
    Response response { it->second.status, {} };
    if (request.destination.isEmpty()) {
        response.body = it->second.body;
    } else if (response.status != 200 || !AtomicFile::write(request.destination, it->second.body)) {
        FileTree::remove(request.destination);
        if (response.status == 200)
            response.status.reset();
    }
    return response;
}
