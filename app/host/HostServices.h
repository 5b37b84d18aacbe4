#pragma once

#include <QString>
#include <memory>
#include <qwindowdefs.h>

#include "app/host/InstanceClaim.h"

// What the program needs from the operating system it runs on, as opposed
// to the target machine it manages (which is platform/'s job): the single
// instance, opening a web address, the blur behind a window, the Windows
// version, and where its own files are. One implementation per operating
// system (CWinHostServices, CNixHostServices); Native() is the one place
// that picks it. Tests put a recording implementation in front with
// SetForTesting, so that no test starts a browser.
//
// The crash handler is not here: it installs itself before main() and must
// build without Qt (support/CrashHandler.h).
class CHostServices {
public:
    virtual ~CHostServices() = default;

    // The services in use: the one given to SetForTesting, else Native().
    static CHostServices& Current();
    // The implementation for the operating system this build is for.
    static CHostServices& Native();
    // Puts `services` in front of the native one; null restores it. The
    // caller keeps ownership. GUI thread only.
    static void SetForTesting(CHostServices* services);

    // The folder the diagnostic log goes to by default.
    virtual QString LogFolder() const = 0;

    // Windows 10 or later (major file version of kernel32.dll 10 or more);
    // false on any failure and on every other system.
    virtual bool IsWindows10OrLater() const = 0;

    // Hands an address to the system's default handler (the browser).
    // False when it is empty or the handler refused it; nothing is shown.
    virtual bool OpenUrl(const QString& url) = 0;

    // Asks for blur behind a translucent window where the system offers it
    // (Windows 10 and later); elsewhere nothing happens.
    virtual void EnableBlur(WId window) = 0;
    // The desktop window manager's module when the process has it loaded
    // (looked up, never loaded); null elsewhere.
    virtual void* DwmModule() const = 0;

    // The name that makes instances meet: per user.
    virtual QString SingleInstanceKey() const = 0;
    // Null when another instance holds `key`: that one has been asked to
    // bring its window to the front. A claim that cannot be made at all
    // (no lock possible) is granted, so the program still starts.
    virtual std::unique_ptr<CInstanceClaim> ClaimSingleInstance(const QString& key) = 0;
};
