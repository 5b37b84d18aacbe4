#include "support/HostPaths.h"

#include <QDir>

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

QString ExecutableDirectory() {
#ifdef _WIN32
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const QString full = QString::fromWCharArray(path, static_cast<int>(length));
    const int cut = full.lastIndexOf(QLatin1Char('\\'));
#else
    char path[PATH_MAX + 1] = {};
    const ssize_t length = readlink("/proc/self/exe", path, PATH_MAX);
    if (length <= 0) return QString();
    const QString full = QString::fromLocal8Bit(path, static_cast<int>(length));
    const int cut = full.lastIndexOf(QLatin1Char('/'));
#endif
    return cut < 0 ? QString() : full.left(cut);
}

QString DefaultLogFolder() {
#ifdef _WIN32
    return ExecutableDirectory();
#else
    QString stateHome = qEnvironmentVariable("XDG_STATE_HOME");
    if (stateHome.isEmpty() || QDir::isRelativePath(stateHome)) stateHome = QDir::homePath() + "/.local/state";
    return stateHome + QStringLiteral("/tolvanire-uninstaller");
#endif
}
