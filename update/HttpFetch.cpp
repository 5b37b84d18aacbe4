#include "update/HttpFetch.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>

bool CHttpFetch::Get(const QString& url, int timeLimitMs, const QList<QSslCertificate>& extraAuthorities,
                     QByteArray* body, QString* error) {
    body->clear();
    const QUrl address(url, QUrl::TolerantMode);
    if (!address.isValid() ||
        (address.scheme() != QLatin1String("http") && address.scheme() != QLatin1String("https"))) {
        *error = QStringLiteral("not an http or https address: %1").arg(url);
        return false;
    }

    // Everything lives on this thread and ends with this call.
    QNetworkAccessManager manager;
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (address.scheme() == QLatin1String("https") && !extraAuthorities.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        QList<QSslCertificate> authorities = tls.caCertificates();
        authorities += extraAuthorities;
        tls.setCaCertificates(authorities);
        request.setSslConfiguration(tls);
    }

    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    bool timedOut = false;
    QNetworkReply* reply = manager.get(request);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&]() {
        timedOut = true;
        reply->abort();
        loop.quit();
    });
    limit.start(timeLimitMs);
    if (!reply->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    limit.stop();

    bool ok = false;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (timedOut) {
        *error = QStringLiteral("no answer within %1 ms").arg(timeLimitMs);
    } else if (reply->error() != QNetworkReply::NoError) {
        *error = reply->errorString();
    } else if (status < 200 || status > 299) {
        *error = QStringLiteral("HTTP status %1").arg(status);
    } else {
        *body = reply->readAll();
        ok = true;
    }
    delete reply;
    return ok;
}
