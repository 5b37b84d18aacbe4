#include "uninstall/RestoreSettings.h"

#include <QSettings>

#include "support/HostPaths.h"

RestoreSettings RestoreSettings::ForThisUser(const QString& linuxPrefix) {
    RestoreSettings settings;
    settings.folder = RestoreDirectory(linuxPrefix);
    const QSettings file(UserSettingsDirectory() + QStringLiteral("/userconfig"), QSettings::IniFormat);
    settings.enabled = file.value(QStringLiteral("Restore/Enabled"), true).toBool();
    bool ok = false;
    const int days = file.value(QStringLiteral("Restore/KeepDays")).toInt(&ok);
    if (ok && days > 0) settings.limits.maxAgeDays = days;
    const qulonglong mebibytes = file.value(QStringLiteral("Restore/MaxSizeMiB")).toULongLong(&ok);
    if (ok && mebibytes > 0 && mebibytes < (qulonglong(1) << 40)) settings.limits.maxBytes = uint64_t(mebibytes) << 20;
    return settings;
}
