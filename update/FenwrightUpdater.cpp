#include "update/FenwrightUpdater.h"

#include <QList>
#include <QString>
#include <cctype>

#include "platform/WindowsFacts.h"
#include "update/HttpFetch.h"
#include "update/ProfileText.h"

bool CFenwrightUpdater::ParseVersion(const QByteArray& text, uint32_t* versionMS, uint32_t* versionLS) {
    const QList<QByteArray> parts = text.trimmed().split('.');
    if (parts.size() < 2 || parts.size() > 4) return false;
    uint32_t words[4] = {0, 0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const uint value = parts.at(i).toUInt(&ok);
        if (!ok || value > 0xFFFF || parts.at(i).isEmpty() ||
            !std::isdigit(static_cast<unsigned char>(parts.at(i).at(0))))
            return false;
        words[i] = value;
    }
    *versionMS = (words[0] << 16) | words[1];
    *versionLS = (words[2] << 16) | words[3];
    return true;
}

int CFenwrightUpdater::QueryServer(const char* address, int) {
    if (address == nullptr) return -1;
    QByteArray body;
    QString error;
    if (!CHttpFetch::Get(QString::fromLatin1(address), FenwrightTimeLimit(), FenwrightCaCertificates(), &body, &error))
        return -1;
    uint32_t ms = 0;
    uint32_t ls = 0;
    // A file without a version cannot tell whether an update exists.
    if (!ParseVersion(CProfileText::Value(body, "VERSION", "Version", static_cast<int>(platform::kTextBufferSize)), &ms,
                      &ls))
        return -1;
    std::lock_guard<std::mutex> guard(lock);
    announced = (uint64_t(ms) << 32) | ls;
    known = true;
    return 0;
}

int CFenwrightUpdater::IsLatest(int versionMS, int versionLS) {
    std::lock_guard<std::mutex> guard(lock);
    // Nothing announced: no newer version is known.
    if (!known) return 1;
    const uint64_t running = (uint64_t(uint32_t(versionMS)) << 32) | uint32_t(versionLS);
    return running >= announced ? 1 : 0;
}
