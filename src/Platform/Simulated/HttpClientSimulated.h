#pragma once

#include "Platform/HttpClient.h"

#include <functional>
#include <map>
#include <vector>

class Scheduler;

// A server whose answers a test scripts per URL. Every request to a URL gets the answer set for it; a URL
// without one cannot be reached. Answers arrive after `latency` on the scheduler, as a network's would.
class HttpClientSimulated final : public HttpClient {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        bool fails = false; // the transfer itself fails
    };

    explicit HttpClientSimulated(Scheduler& scheduler);

    void get(const Request& request, Handler handler) override;

    void setAnswer(const QUrl& url, const Answer& answer) { m_answers[url] = answer; }
    void setLatency(double seconds) { m_latency = seconds; }

    const std::vector<Request>& requests() const { return m_requests; }
    // Told of every request when its answer is delivered, with the status the client saw.
    std::function<void(const QUrl&, std::optional<int> status)> onAnswer
        = [](const QUrl&, std::optional<int>) {};

private:
    Response respond(const Request& request) const;

    Scheduler& m_scheduler;
    std::map<QUrl, Answer> m_answers;
    std::vector<Request> m_requests;
    double m_latency = 0.1;
};
