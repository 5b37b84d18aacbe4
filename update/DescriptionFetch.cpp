#include "update/DescriptionFetch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <thread>

#include "platform/WindowsFacts.h"
#include "update/Fenwright.h"
#include "update/HttpFetch.h"
#include "update/ProfileText.h"

#ifdef _WIN32
#include <windows.h>

#include <urlmon.h>
#endif

namespace {

constexpr int kProfileBufferSize = static_cast<int>(platform::kTextBufferSize);

// Blocking: the file is written only from a complete answer.
bool Download(const QString& url, const QString& filePath, int timeLimitMs, QString* description) {
#ifdef _WIN32
    (void)timeLimitMs; // the caller's timer bounds the wait
    const QByteArray file = filePath.toLatin1();
    if (URLDownloadToFileA(nullptr, url.toLatin1().constData(), file.constData(), 0, nullptr) < 0) return false;
    char buffer[kProfileBufferSize] = {};
    GetPrivateProfileStringA("VERSION", "Description", "", buffer, sizeof buffer, file.constData());
    *description = QString::fromUtf8(buffer);
    return true;
#else
    QByteArray body;
    QString error;
    if (!CHttpFetch::Get(url, timeLimitMs, FenwrightCaCertificates(), &body, &error)) return false;
    QFile file(QString::fromLatin1(filePath.toLatin1()));
    // An installed program keeps it in the user's cache folder, which may be new.
    QDir().mkpath(QFileInfo(file.fileName()).absolutePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(body) != body.size()) return false;
    file.close();
    *description = QString::fromUtf8(CProfileText::Value(body, "VERSION", "Description", kProfileBufferSize));
    return true;
#endif
}

} // namespace

// Touched on the GUI thread only; the worker only posts to the application
// object, which outlives it.
struct CDescriptionFetch::State {
    QPointer<CDescriptionFetch> receiver;
    bool delivered = false;
};

CDescriptionFetch::CDescriptionFetch(QObject* parent) : QObject(parent), fetchState(std::make_shared<State>()) {
    fetchState->receiver = this;
}

CDescriptionFetch::~CDescriptionFetch() {
    fetchState->delivered = true;
}

void CDescriptionFetch::Start(const QString& plainUrl, const QString& filePath, int timeLimitMs) {
    std::shared_ptr<State> state = fetchState;
    // A little longer than the download's own limit, which should end it
    // first; this one also bounds a download call that has no limit.
    QTimer::singleShot(timeLimitMs + 1000, this, [this]() { Deliver(false, QString()); });
    std::thread([state, plainUrl, filePath, timeLimitMs]() {
        QString description;
        const bool ok = !plainUrl.isEmpty() && Download(plainUrl, filePath, timeLimitMs, &description);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [state, ok, description]() {
                if (state->receiver) state->receiver->Deliver(ok, description);
            },
            Qt::QueuedConnection);
    }).detach();
}

void CDescriptionFetch::Deliver(bool ok, const QString& description) {
    if (fetchState->delivered) return;
    fetchState->delivered = true;
    emit Finished(ok, description);
}
