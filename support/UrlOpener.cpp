#include "support/UrlOpener.h"

#include <mutex>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#else
#include <QDesktopServices>
#include <QUrl>
#endif

namespace {

std::mutex openerMutex;
std::function<bool(const QString&)>& Opener() {
    static std::function<bool(const QString&)> opener;
    return opener;
}

bool OpenWithShell(const QString& url) {
#ifdef _WIN32
    const QByteArray text = url.toLatin1();
    // ShellExecute reports success with a value above 32.
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", text.constData(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
#else
    return QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
#endif
}

} // namespace

bool OpenExternalUrl(const QString& url) {
    if (url.trimmed().isEmpty()) return false;
    std::function<bool(const QString&)> opener;
    {
        std::lock_guard<std::mutex> lock(openerMutex);
        opener = Opener();
    }
    return opener ? opener(url) : OpenWithShell(url);
}

void SetUrlOpenerForTesting(std::function<bool(const QString&)> opener) {
    std::lock_guard<std::mutex> lock(openerMutex);
    Opener() = std::move(opener);
}
