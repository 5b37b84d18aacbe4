#include "update/UpdateEndpoints.h"

#include <QVariant>

#include "app/UIPublic.h"

namespace {

QString Setting(const char* key) {
    QVariant value;
    CUIPublic::instance()->ReadSetting(QStringLiteral("Update"), QString::fromLatin1(key), value);
    return value.toString().trimmed();
}

// An unset host gives an empty address, which nothing opens or fetches.
QString Address(const char* scheme, const QString& host, const char* path) {
    if (host.isEmpty()) return QString();
    return QString::fromLatin1(scheme) + QStringLiteral("://") + host + QString::fromLatin1(path);
}

} // namespace

QString CUpdateEndpoints::SecureDescriptionUrl() {
    return Address("https", Setting("ID_UPDATE_HOST"), kDescriptionPath);
}

QString CUpdateEndpoints::PlainDescriptionUrl() {
    QString host = Setting("ID_UPDATE_PLAIN_HOST");
    if (host.isEmpty()) host = Setting("ID_UPDATE_HOST");
    return Address("http", host, kDescriptionPath);
}

QString CUpdateEndpoints::DownloadPageUrl() {
    return Address("https", Setting("ID_WEB_HOST"), kDownloadPath);
}

QString CUpdateEndpoints::ProductPageUrl() {
    return Address("https", Setting("ID_WEB_HOST"), kProductPath);
}

QString CUpdateEndpoints::WebSiteUrl() {
    const QString host = Setting("ID_WEB_HOST");
    return host.isEmpty() ? QString() : QStringLiteral("https://") + host;
}
