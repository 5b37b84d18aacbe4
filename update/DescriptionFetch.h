#pragma once

#include <QObject>
#include <QString>
#include <memory>

// Fetches the update description file from the plain address into a file
// and reads its "[VERSION] Description" the way the Windows profile-string
// call does into a 260-byte buffer (so at most 259 bytes, taken as UTF-8).
// The work runs on a worker thread, so the window stays responsive; the
// result comes back on the GUI thread, only while this object lives, once,
// and at the latest after the time limit (a late download is ignored).
// Windows downloads with the system's URL download call, elsewhere with
// Qt Network.
class CDescriptionFetch : public QObject {
    Q_OBJECT
public:
    explicit CDescriptionFetch(QObject* parent = nullptr);
    ~CDescriptionFetch() override;

    void Start(const QString& plainUrl, const QString& filePath, int timeLimitMs);

signals:
    // `ok` false: the download failed or took too long.
    void Finished(bool ok, const QString& description);

private:
    struct State;
    void Deliver(bool ok, const QString& description);

    std::shared_ptr<State> fetchState;
};
