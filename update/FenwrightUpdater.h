#pragma once

#include <cstdint>
#include <mutex>

#include "update/Fenwright.h"

// Our updater: fetches the update description file over HTTPS and compares
// the version it announces ("[VERSION] Version=3.3.0", up to four numbers)
// with the running one.
class CFenwrightUpdater : public IFenwright {
public:
    int QueryServer(const char* address, int reserved) override;
    int IsLatest(int versionMS, int versionLS) override;

    // "3.3", "3.3.0" or "3.3.0.12" into the two file-version words; false for
    // anything else (a number above 65535 included).
    static bool ParseVersion(const QByteArray& text, uint32_t* versionMS, uint32_t* versionLS);

private:
    std::mutex lock;
    bool known = false;
    uint64_t announced = 0; // MS in the high 32 bits, LS in the low ones
};
