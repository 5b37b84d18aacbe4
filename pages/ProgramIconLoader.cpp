#include "pages/ProgramIconLoader.h"

#include <QFileInfo>
#include <QImage>
#include <QTimer>
#include <map>

#include "include/PathText.h"
#include "inventory/InventoryService.h"

#ifdef _WIN32
#include <QFileIconProvider>
#endif

namespace {

#ifndef _WIN32
// The platform's pixels are BGRA with straight alpha, which is QImage's
// ARGB32 on a little-endian machine.
QImage ToImage(const platform::IconImage& icon) {
    QImage image(static_cast<int>(icon.width), static_cast<int>(icon.height), QImage::Format_ARGB32);
    const size_t rowBytes = size_t(icon.width) * 4;
    for (uint32_t y = 0; y < icon.height; ++y) {
        const unsigned char* source = reinterpret_cast<const unsigned char*>(icon.pixels.data()) + y * rowBytes;
        QRgb* target = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        for (uint32_t x = 0; x < icon.width; ++x) {
            const unsigned char* p = source + x * 4;
            target[x] = qRgba(p[2], p[1], p[0], p[3]);
        }
    }
    return image;
}
#endif

} // namespace

CProgramIconLoader::CProgramIconLoader(CInventoryService* inventory, QObject* parent)
    : QObject(parent), service(inventory) {
    sliceTimer = new QTimer(this);
    sliceTimer->setInterval(0);
    connect(sliceTimer, &QTimer::timeout, this, &CProgramIconLoader::RunSlice);
}

CProgramIconLoader::~CProgramIconLoader() {
    Stop();
}

void CProgramIconLoader::Stop() {
    ++generation;
    stopRequested = true;
    if (worker.joinable()) worker.join();
    stopRequested = false;
    sliceTimer->stop();
    pending.clear();
    nextPending = 0;
    busy = false;
}

void CProgramIconLoader::Start(std::vector<Request> requests) {
    Stop();
    busy = true;
#ifdef _WIN32
    // The file icon provider belongs to the GUI thread.
    pending = std::move(requests);
    sliceTimer->start();
#else
    if (service == nullptr) {
        busy = false;
        emit Finished();
        return;
    }
    const unsigned job = generation;
    worker = std::thread([this, job, requests = std::move(requests)]() {
        // Rows that name the same file and index share one drawing.
        std::map<QString, QImage> drawn;
        for (const Request& request : requests) {
            if (stopRequested) return;
            auto known = drawn.find(request.displayIcon);
            if (known == drawn.end()) {
                platform::IconImage icon;
                QImage image;
                if (service->ProgramIcon(request.displayIcon, kIconSize, &icon)) image = ToImage(icon);
                known = drawn.emplace(request.displayIcon, image).first;
            }
            if (known->second.isNull()) continue;
            HandOver(Drawn{job, request.index, known->second});
        }
        HandOver(Drawn{job, -1, QImage()});
    });
#endif
}

void CProgramIconLoader::HandOver(Drawn drawn) {
    {
        std::lock_guard<std::mutex> lock(handOverMutex);
        handedOver.push_back(std::move(drawn));
    }
    // Queued on this object: dropped if the loader is gone first. The call
    // holds nothing the worker wrote.
    QMetaObject::invokeMethod(this, &CProgramIconLoader::TakeHandedOver, Qt::QueuedConnection);
}

void CProgramIconLoader::TakeHandedOver() {
    std::vector<Drawn> taken;
    {
        std::lock_guard<std::mutex> lock(handOverMutex);
        taken.swap(handedOver);
    }
    for (const Drawn& drawn : taken) {
        if (drawn.index >= 0)
            Deliver(drawn.generation, drawn.index, drawn.image);
        else
            WorkerDone(drawn.generation);
    }
}

void CProgramIconLoader::Deliver(unsigned job, int index, const QImage& image) {
    if (job != generation) return;
    emit IconReady(
        index, QPixmap::fromImage(image).scaled(kIconSize, kIconSize, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

void CProgramIconLoader::WorkerDone(unsigned job) {
    if (job != generation) return;
    if (worker.joinable()) worker.join();
    busy = false;
    emit Finished();
}

void CProgramIconLoader::RunSlice() {
#ifdef _WIN32
    // A few lookups per pass of the event loop keep the window responsive.
    constexpr size_t kSlice = 8;
    QFileIconProvider provider;
    for (size_t n = 0; n < kSlice && nextPending < pending.size(); ++n, ++nextPending) {
        const Request& request = pending[nextPending];
        const QString path = CleanPathText(request.displayIcon).trimmed();
        // The provider draws a generic file icon even for a file that is
        // gone; a missing file keeps the placeholder, as through Wine.
        if (path.isEmpty() || !QFileInfo::exists(path)) continue;
        const QIcon icon = provider.icon(QFileInfo(path));
        if (icon.isNull()) continue;
        const QPixmap pixmap = icon.pixmap(kIconSize, kIconSize);
        if (pixmap.isNull()) continue;
        emit IconReady(request.index,
                       pixmap.scaled(kIconSize, kIconSize, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    if (nextPending >= pending.size()) {
        sliceTimer->stop();
        pending.clear();
        busy = false;
        emit Finished();
    }
#endif
}
