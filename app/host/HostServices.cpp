#include "app/host/HostServices.h"

#include <atomic>

#ifdef _WIN32
#include "app/host/WinHostServices.h"
#else
#include "app/host/NixHostServices.h"
#endif

namespace {
std::atomic<CHostServices*> testServices{nullptr};
} // namespace

CHostServices& CHostServices::Native() {
#ifdef _WIN32
    static CWinHostServices services;
#else
    static CNixHostServices services;
#endif
    return services;
}

CHostServices& CHostServices::Current() {
    CHostServices* services = testServices.load();
    return services != nullptr ? *services : Native();
}

void CHostServices::SetForTesting(CHostServices* services) {
    testServices = services;
}
