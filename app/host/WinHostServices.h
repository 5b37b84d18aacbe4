#pragma once

#include "app/host/HostServices.h"

// Host services on Windows: a named mutex and a hidden helper window of the
// class "Tolvanire_WUUI", named after the key, for the single instance; the
// shell's "open" verb for addresses, the window-composition call for blur.
class CWinHostServices : public CHostServices {
public:
    QString LogFolder() const override;
    bool IsWindows10OrLater() const override;
    bool OpenUrl(const QString& url) override;
    void EnableBlur(WId window) override;
    void* DwmModule() const override;
    QString SingleInstanceKey() const override;
    std::unique_ptr<CInstanceClaim> ClaimSingleInstance(const QString& key) override;
};
