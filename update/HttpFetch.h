#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QString>

// One HTTP or HTTPS GET, blocking the calling thread (any thread, with or
// without an event loop of its own) for at most `timeLimitMs`. HTTPS trusts
// the system's authorities and `extraAuthorities`. Redirects are not
// followed: the update files live at fixed addresses.
class CHttpFetch {
public:
    // True with the body of a 2xx answer; false with a reason otherwise
    // (no connection, time limit, TLS failure, HTTP error status).
    static bool Get(const QString& url, int timeLimitMs, const QList<QSslCertificate>& extraAuthorities,
                    QByteArray* body, QString* error);
};
