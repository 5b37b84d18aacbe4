#include "app/UIPublic.h"

#include <QSettings>

#include "app/host/HostServices.h"

CUIPublic* CUIPublic::instance() {
    // Built on first use and destroyed at process exit.
    static CUIPublic object;
    return &object;
}

void CUIPublic::ProbeWindowsVersion() {
    windows10 = CHostServices::Current().IsWindows10OrLater();
}

void CUIPublic::OpenHelpLink() {
    QVariant link;
    ReadSetting(QStringLiteral("URL"), QStringLiteral("ID_LINK_HELP"), link, QStringLiteral("uiconfig"));
    // The shell gets 8-bit text; an address outside Latin-1 could not be
    // passed on faithfully anyway.
    const QString url = QString::fromLatin1(link.toString().toLatin1());
    if (!url.isEmpty()) CHostServices::Current().OpenUrl(url);
}

bool CUIPublic::ReadSetting(const QString& section, const QString& key, QVariant& value,
                            const QString& /*fileName*/) const {
    if (ReadIniValue(section, key, value, QStringLiteral("userconfig"))) return true;
    return ReadIniValue(section, key, value, QStringLiteral("uiconfig"));
}

bool CUIPublic::ReadIniValue(const QString& section, const QString& key, QVariant& value, const QString& fileName) {
    if (section.isEmpty() || key.isEmpty() || fileName.isEmpty()) return false;
    const QString path = CHostServices::Current().ExecutableFolder() + QLatin1Char('/') + fileName;
    QSettings settings(path, QSettings::IniFormat);
    value = settings.value(section + QLatin1Char('/') + key, QVariant());
    return value.isValid();
}
