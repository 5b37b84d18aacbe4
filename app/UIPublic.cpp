#include "support/UIPublic.h"

#include <QSettings>

#include "support/UrlOpener.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

CUIPublic* CUIPublic::instance() {
    // Built on first use and destroyed at process exit.
    static CUIPublic object;
    return &object;
}

void CUIPublic::ProbeWindowsVersion() {
    windows10 = false;
#ifdef _WIN32
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(L"kernel32.dll", &handle);
    if (size == 0) return;
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(L"kernel32.dll", 0, size, data.data())) return;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || info == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO))
        return;
    windows10 = HIWORD(info->dwFileVersionMS) >= 10;
#endif
}

void CUIPublic::OpenHelpLink() {
    QVariant link;
    ReadSetting(QStringLiteral("URL"), QStringLiteral("ID_LINK_HELP"), link, QStringLiteral("uiconfig"));
    // The shell gets 8-bit text; an address outside Latin-1 could not be
    // passed on faithfully anyway.
    const QString url = QString::fromLatin1(link.toString().toLatin1());
    if (!url.isEmpty()) OpenExternalUrl(url);
}

bool CUIPublic::ReadSetting(const QString& section, const QString& key, QVariant& value,
                            const QString& /*fileName*/) const {
    if (ReadIniValue(section, key, value, QStringLiteral("userconfig"))) return true;
    return ReadIniValue(section, key, value, QStringLiteral("uiconfig"));
}

bool CUIPublic::ReadIniValue(const QString& section, const QString& key, QVariant& value, const QString& fileName) {
    if (section.isEmpty() || key.isEmpty() || fileName.isEmpty()) return false;
    const QString path = ExecutableDirectory() + QLatin1Char('/') + fileName;
    QSettings settings(path, QSettings::IniFormat);
    value = settings.value(section + QLatin1Char('/') + key, QVariant());
    return value.isValid();
}

QString ExecutableDirectory() {
#ifdef _WIN32
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    QString full = QString::fromWCharArray(path, static_cast<int>(length));
    const int cut = full.lastIndexOf(QLatin1Char('\\'));
    return cut < 0 ? QString() : full.left(cut);
#else
    // /proc/self/exe works before (and without) an application object.
    char path[PATH_MAX + 1] = {};
    const ssize_t length = readlink("/proc/self/exe", path, PATH_MAX);
    if (length <= 0) return QString();
    const QString full = QString::fromLocal8Bit(path, static_cast<int>(length));
    const int cut = full.lastIndexOf(QLatin1Char('/'));
    return cut < 0 ? QString() : full.left(cut);
#endif
}
