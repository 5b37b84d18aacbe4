#pragma once

#include <QString>

// The addresses of the update check. Only scheme and path are fixed; the
// host names (a port may follow, "127.0.0.1:8443") are settings, section
// "Update" of "userconfig"/"uiconfig":
// - ID_UPDATE_HOST: the update server, asked over HTTPS (no host: no updater);
// - ID_UPDATE_PLAIN_HOST: the same file over plain HTTP, for its description
//   text (ID_UPDATE_HOST when not set);
// - ID_WEB_HOST: the web site with the download and product pages.
class CUpdateEndpoints {
public:
    static QString SecureDescriptionUrl();
    static QString PlainDescriptionUrl();
    static QString DownloadPageUrl();
    static QString ProductPageUrl();

    // The web site's address as the About dialog shows it.
    static QString WebSiteUrl();

    static constexpr const char* kDescriptionPath = "/update/winUnintaller.ini";
    static constexpr const char* kDownloadPath = "/download/update-uninstaller-for-windows.html";
    static constexpr const char* kProductPath = "/system-utilities/free-windows-uninstaller.html";
};
