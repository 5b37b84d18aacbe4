#include "app/UIPublic.h"

#include <QDir>
#include <QSettings>

#include "app/MSGDlg.h"
#include "app/host/HostServices.h"
#include "support/HostPaths.h"
#include "widgetlib/BPQtLabel.h"

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
    OpenLink(url);
}

void CUIPublic::OpenLink(const QString& url) {
    if (url.trimmed().isEmpty() || CHostServices::Current().OpenUrl(url)) return;
    CMSGDlg box(540, 260, mainWindow);
    box.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    box.SetContent(CMSGDlg::MsgKindInfo, QObject::tr("No web browser could be opened. The address is:\n\n%1").arg(url),
                   CMSGDlg::BtnModeOK);
    if (box.TextLabel() != nullptr) {
        box.TextLabel()->setMaximumWidth(540 - 150);
        box.TextLabel()->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    box.exec();
}

bool CUIPublic::ReadSetting(const QString& section, const QString& key, QVariant& value,
                            const QString& /*fileName*/) const {
    if (ReadIniValue(section, key, value, QStringLiteral("userconfig"))) return true;
    return ReadIniValue(section, key, value, QStringLiteral("uiconfig"));
}

bool CUIPublic::WriteUserSetting(const QString& section, const QString& key, const QVariant& value) const {
    const QString folder = UserSettingsDirectory();
    if (!QDir().mkpath(folder)) return false;
    QSettings settings(folder + QStringLiteral("/userconfig"), QSettings::IniFormat);
    settings.setValue(section + QLatin1Char('/') + key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool CUIPublic::ReadIniValue(const QString& section, const QString& key, QVariant& value, const QString& fileName) {
    if (section.isEmpty() || key.isEmpty() || fileName.isEmpty()) return false;
    const QString folder = fileName == QLatin1String("userconfig") ? UserSettingsDirectory() : DataDirectory();
    const QString path = folder + QLatin1Char('/') + fileName;
    QSettings settings(path, QSettings::IniFormat);
    value = settings.value(section + QLatin1Char('/') + key, QVariant());
    return value.isValid();
}
