#pragma once

#include "app/host/HostServices.h"

// Host services on Linux and other Unix systems: a per-user lock file and a
// local socket for the single instance, the desktop's URL handler, no blur.
class CNixHostServices : public CHostServices {
public:
    QString LogFolder() const override;
    bool IsWindows10OrLater() const override { return false; }
    bool OpenUrl(const QString& url) override;
    void EnableBlur(WId) override {}
    void* DwmModule() const override { return nullptr; }
    QString SingleInstanceKey() const override;
    std::unique_ptr<CInstanceClaim> ClaimSingleInstance(const QString& key) override;
};
