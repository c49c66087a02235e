#pragma once

#include "Platform/HttpClient.h"

#include <QList>
#include <QNetworkAccessManager>
#include <QSslCertificate>

// HTTPS through Qt's network access. Only HTTPS is spoken: a plain address is refused before anything is
// sent, and a redirect that leaves HTTPS ends the transfer.
class HttpClientDesktop final : public HttpClient {
public:
    HttpClientDesktop();
    ~HttpClientDesktop() override;

    void get(const Request& request, Handler handler) override;

    // Certificates trusted besides the system's: only the tests' local server needs this.
    void addTrustedCertificates(const QList<QSslCertificate>& certificates);

private:
    QNetworkAccessManager m_network;
    QList<QSslCertificate> m_extraCertificates;
};
