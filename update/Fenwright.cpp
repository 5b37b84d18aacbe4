#include "update/Fenwright.h"

#include <atomic>
#include <mutex>

#include "app/UIPublic.h"
#include "update/FenwrightUpdater.h"

namespace {

std::mutex settingsLock;
QList<QSslCertificate> extraAuthorities;
std::atomic<int> timeLimitMs{10000};

} // namespace

IFenwright* GetFenwrightInstance() {
    QVariant host;
    CUIPublic::instance()->ReadSetting(QStringLiteral("Update"), QStringLiteral("ID_UPDATE_HOST"), host);
    if (host.toString().trimmed().isEmpty()) return nullptr;
    static CFenwrightUpdater updater;
    return &updater;
}

void SetFenwrightCaCertificates(const QList<QSslCertificate>& certificates) {
    std::lock_guard<std::mutex> guard(settingsLock);
    extraAuthorities = certificates;
}

QList<QSslCertificate> FenwrightCaCertificates() {
    std::lock_guard<std::mutex> guard(settingsLock);
    return extraAuthorities;
}

void SetFenwrightTimeLimit(int milliseconds) {
    timeLimitMs = milliseconds > 0 ? milliseconds : 10000;
}

int FenwrightTimeLimit() {
    return timeLimitMs;
}
