#pragma once

#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

class CInventoryService;
class QTimer;

// Fills in the rows' program icons after the rows are shown. Through Wine
// the icons are drawn by the target machine on a worker thread (through the
// core, with its cache on disk) and handed to the GUI thread as they come;
// on Windows the toolkit's file icon provider is asked on the GUI thread in
// small slices. Either way the list never waits for an icon and input is
// never blocked for long.
class CProgramIconLoader : public QObject {
    Q_OBJECT
public:
    struct Request {
        int index = 0;       // record index of the row
        QString displayIcon; // the raw "DisplayIcon" text
    };

    static constexpr int kIconSize = 32;

    explicit CProgramIconLoader(CInventoryService* service, QObject* parent = nullptr);
    ~CProgramIconLoader() override;

    // Drops any work still under way and starts on `requests`.
    void Start(std::vector<Request> requests);
    // Drops any work still under way; no IconReady follows for it.
    void Stop();
    bool IsBusy() const { return busy; }

signals:
    // Only for rows whose file gave an icon; the others keep the placeholder.
    void IconReady(int index, const QPixmap& pixmap);
    void Finished();

private:
    // What the worker hands over: an icon, or (index -1) its end.
    struct Drawn {
        unsigned generation = 0;
        int index = -1;
        QImage image;
    };

    // Worker side: queues one hand-over and asks the GUI thread to take it.
    void HandOver(Drawn drawn);
    // GUI thread: takes what the worker handed over.
    void TakeHandedOver();
    void Deliver(unsigned generation, int index, const QImage& image);
    void WorkerDone(unsigned generation);
    void RunSlice();

    CInventoryService* service = nullptr;
    std::thread worker;
    std::atomic<bool> stopRequested{false};
    unsigned generation = 0;
    bool busy = false;
    // The worker's hand-overs go through this lock, not only through the
    // event queue, whose own locking a thread checker cannot see into.
    std::mutex handOverMutex;
    std::vector<Drawn> handedOver;
    // Windows: the requests not yet looked up.
    std::vector<Request> pending;
    size_t nextPending = 0;
    QTimer* sliceTimer = nullptr;
};
