#include "shell/SingleInstance.h"

#include <QApplication>
#include <QWidget>

#include "app/host/HostServices.h"
#include "support/WinePrefix.h"

CSingleInstance::CSingleInstance(const QString& key, QObject* parent)
    : QObject(parent), key(key.isEmpty() ? InstanceKey() : key) {}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::InstanceKey() {
    return CHostServices::Current().SingleInstanceKey();
}

QString CSingleInstance::KeyFor(const QString& base, const QString& prefix) {
    if (prefix.isEmpty()) return base;
    // Short enough for a socket's name, which has a small length limit.
    return base + QLatin1Char('-') + CWinePrefix::Id(prefix);
}

bool CSingleInstance::Check() {
    return ClaimAlso(key);
}

bool CSingleInstance::ClaimAlso(const QString& newKey) {
    if (claims.count(newKey) != 0) return true;
    std::unique_ptr<CInstanceClaim> claim = CHostServices::Current().ClaimSingleInstance(newKey);
    if (!claim) return false;
    connect(claim.get(), &CInstanceClaim::RaiseRequested, this, &CSingleInstance::Raise);
    claims[newKey] = std::move(claim);
    return true;
}

void CSingleInstance::KeepOnly(const QString& kept) {
    for (auto it = claims.begin(); it != claims.end();)
        it = it->first == kept ? std::next(it) : claims.erase(it);
}

void CSingleInstance::SetWindow(QWidget* target) {
    window = target;
}

void CSingleInstance::BringToFront(QWidget* target) {
    if (target == nullptr) return;
    if (target->isMinimized()) target->setWindowState(target->windowState() & ~Qt::WindowMinimized);
    target->show();
    target->raise();
    target->activateWindow();
    QApplication::alert(target, 1000);
}

void CSingleInstance::Raise() {
    BringToFront(window);
    emit RaiseRequested();
}
