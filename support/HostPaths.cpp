#include "support/HostPaths.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include "support/WinePrefix.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/InstallLayout.h"
#endif

namespace {
#ifndef _WIN32
const platform::CInstallLayout& Layout() {
    return platform::CInstallLayout::Running();
}

// A file name as the system gave it, in the locale's encoding.
QString Text(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

// `location` of the user's (XDG) folders with the program's own folder, for
// an installed program; beside the executable otherwise.
QString UserDirectory(QStandardPaths::StandardLocation location) {
    if (!Layout().Installed()) return ExecutableDirectory();
    return QStandardPaths::writableLocation(location) + QStringLiteral("/tolvanire-uninstaller");
}
#endif
} // namespace

QString ExecutableDirectory() {
#ifdef _WIN32
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const QString full = QString::fromWCharArray(path, static_cast<int>(length));
    const int cut = full.lastIndexOf(QLatin1Char('\\'));
    return cut < 0 ? QString() : full.left(cut);
#else
    return Text(Layout().ExecutableFolder());
#endif
}

#ifdef _WIN32
// The Windows program keeps everything beside itself, as its installer puts it.
QString DataDirectory() {
    return ExecutableDirectory();
}

QString UserSettingsDirectory() {
    return ExecutableDirectory();
}

QString CacheDirectory() {
    return ExecutableDirectory();
}
#else
QString DataDirectory() {
    return Text(Layout().DataFolder());
}

QString UserSettingsDirectory() {
    return UserDirectory(QStandardPaths::GenericConfigLocation);
}

QString CacheDirectory() {
    return UserDirectory(QStandardPaths::GenericCacheLocation);
}
#endif

QString DefaultLogFolder() {
#ifdef _WIN32
    return ExecutableDirectory();
#else
    QString stateHome = qEnvironmentVariable("XDG_STATE_HOME");
    if (stateHome.isEmpty() || QDir::isRelativePath(stateHome)) stateHome = QDir::homePath() + "/.local/state";
    return stateHome + QStringLiteral("/tolvanire-uninstaller");
#endif
}

QString RestoreDirectory(const QString& linuxPrefix) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#ifdef _WIN32
    (void)linuxPrefix;
    return data + QStringLiteral("/Tolvanire Uninstaller/restore");
#else
    const QString id = linuxPrefix.isEmpty() ? QStringLiteral("machine") : CWinePrefix::Id(linuxPrefix);
    return data + QStringLiteral("/tolvanire-uninstaller/restore/") + id;
#endif
}
