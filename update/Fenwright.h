#pragma once

#include <QList>
#include <QSslCertificate>

// The updater component: asks the update server whether a newer version
// than the running one exists.
//
// QueryServer fetches the update description file (INI, 8-bit text) from
// the given HTTPS address within the component's time limit and keeps the
// version it announces under [VERSION] Version. IsLatest then compares a
// running version with it. Both may be called from any thread.
class IFenwright {
public:
    virtual ~IFenwright() = default;

    // `address`: the secure address of the description file; `reserved`: 0.
    // 0 when the file was fetched and announces a version; negative when the
    // server could not be reached in time, refused, answered with an error
    // or sent a file without a usable version.
    virtual int QueryServer(const char* address, int reserved) = 0;

    // The running version in the usual two-word file-version form (major
    // and minor in the high and low 16 bits of `versionMS`, build and
    // revision in `versionLS`). Non-zero when it is the newest (the same as
    // or newer than the one announced), 0 when a newer one exists.
    virtual int IsLatest(int versionMS, int versionLS) = 0;
};

// The process-wide updater, or null when there is none: when the settings
// name no update host ("Update"/"ID_UPDATE_HOST" of "userconfig" or
// "uiconfig").
IFenwright* GetFenwrightInstance();

// Certificates of the authorities the updater trusts on top of the
// system's (tests trust the certificate of their own server this way).
void SetFenwrightCaCertificates(const QList<QSslCertificate>& certificates);
QList<QSslCertificate> FenwrightCaCertificates();

// How long one fetch may take, in milliseconds (10,000 unless set): a server
// that does not answer fails the check after this time instead of holding it.
void SetFenwrightTimeLimit(int milliseconds);
int FenwrightTimeLimit();
