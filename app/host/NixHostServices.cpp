#include "app/host/NixHostServices.h"

#include <QDesktopServices>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QUrl>
#include <unistd.h>

#include "support/HostPaths.h"

namespace {

const char kRaiseRequest[] = "raise\n";
const char kRaiseDone[] = "ok\n";

// The lock file says who runs; the socket carries a later start's raise
// request to the running instance.
class CNixInstanceClaim : public CInstanceClaim {
public:
    CNixInstanceClaim(std::unique_ptr<QLockFile> lockFile, const QString& key) : lock(std::move(lockFile)) {
        server = new QLocalServer(this);
        server->setSocketOptions(QLocalServer::UserAccessOption);
        // We hold the lock, so a socket file of that name is a leftover.
        QLocalServer::removeServer(key);
        server->listen(key);
        connect(server, &QLocalServer::newConnection, this, &CNixInstanceClaim::OnNewConnection);
    }

    ~CNixInstanceClaim() override {
        server->close();
        lock->unlock();
    }

private:
    void OnNewConnection() {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket]() {
                if (!socket->canReadLine()) return;
                if (socket->readLine(64) == QByteArray(kRaiseRequest)) {
                    emit RaiseRequested();
                    socket->write(kRaiseDone);
                    socket->flush();
                }
                socket->disconnectFromServer();
            });
        }
    }

    std::unique_ptr<QLockFile> lock;
    QLocalServer* server = nullptr;
};

} // namespace

QString CNixHostServices::LogFolder() const {
    return DefaultLogFolder();
}

bool CNixHostServices::OpenUrl(const QString& url) {
    if (url.trimmed().isEmpty()) return false;
    return QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

QString CNixHostServices::SingleInstanceKey() const {
    return QStringLiteral("tolvanire-uninstaller-%1").arg(getuid());
}

std::unique_ptr<CInstanceClaim> CNixHostServices::ClaimSingleInstance(const QString& key) {
    auto lock = std::make_unique<QLockFile>(QDir::temp().filePath(key + QStringLiteral(".lock")));
    // A lock left by a process that no longer runs is taken over; a live
    // holder keeps it however old.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) return std::make_unique<CNixInstanceClaim>(std::move(lock), key);
    // No lock possible at all: behave as the only instance, without a
    // socket that no later start could find anyway.
    if (lock->error() != QLockFile::LockFailedError) return std::make_unique<CInstanceClaim>();

    QLocalSocket socket;
    socket.connectToServer(key);
    if (socket.waitForConnected(2000)) {
        socket.write(kRaiseRequest);
        socket.waitForBytesWritten(2000);
        socket.waitForReadyRead(2000);
        socket.disconnectFromServer();
    }
    return nullptr;
}
