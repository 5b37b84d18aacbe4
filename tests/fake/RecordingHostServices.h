#pragma once

#include <QStringList>

#include "app/host/HostServices.h"

// Host services for GUI tests: every address the program opens is recorded
// instead of reaching a browser; everything else is the real host's. Put
// in front of the real services for the life of the object.
class RecordingHostServices : public CHostServices {
public:
    RecordingHostServices() { CHostServices::SetForTesting(this); }
    ~RecordingHostServices() override { CHostServices::SetForTesting(nullptr); }

    // Like the real handler, an empty address opens nothing; with
    // `noBrowser` nothing opens at all, as on a machine without a browser.
    bool OpenUrl(const QString& url) override {
        if (url.trimmed().isEmpty() || noBrowser) return false;
        openedUrls << url;
        return true;
    }

    QString LogFolder() const override { return Native().LogFolder(); }
    bool IsWindows10OrLater() const override { return Native().IsWindows10OrLater(); }
    void EnableBlur(WId window) override { Native().EnableBlur(window); }
    void* DwmModule() const override { return Native().DwmModule(); }
    QString SingleInstanceKey() const override { return Native().SingleInstanceKey(); }
    std::unique_ptr<CInstanceClaim> ClaimSingleInstance(const QString& key) override {
        return Native().ClaimSingleInstance(key);
    }

    QStringList openedUrls;
    bool noBrowser = false;
};
