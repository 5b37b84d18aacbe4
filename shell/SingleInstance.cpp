#include "shell/SingleInstance.h"

#include <QApplication>
#include <QWidget>

#include "app/host/HostServices.h"

CSingleInstance::CSingleInstance(QObject* parent) : QObject(parent) {}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::InstanceKey() {
    const QString custom = qEnvironmentVariable("TOLVANIRE_INSTANCE_KEY");
    if (!custom.isEmpty()) return custom;
    return CHostServices::Current().SingleInstanceKey();
}

bool CSingleInstance::Check() {
    claim = CHostServices::Current().ClaimSingleInstance(InstanceKey());
    if (!claim) return false;
    connect(claim.get(), &CInstanceClaim::RaiseRequested, this, &CSingleInstance::Raise);
    return true;
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
