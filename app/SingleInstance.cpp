#include "app/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

#ifdef _WIN32
#include <windows.h>
#else
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <unistd.h>
#endif

namespace {
const char kRaiseRequest[] = "raise\n";
const char kRaiseDone[] = "ok\n";
} // namespace

CSingleInstance::CSingleInstance(QObject* parent) : QObject(parent) {}

QString CSingleInstance::InstanceKey() {
    const QString custom = qEnvironmentVariable("TOLVANIRE_INSTANCE_KEY");
    if (!custom.isEmpty()) return custom;
#ifdef _WIN32
    return QStringLiteral("TolvanireWU_Mutex_610044_Wexmoor");
#else
    return QStringLiteral("tolvanire-uninstaller-%1").arg(getuid());
#endif
}

void CSingleInstance::SetWindow(QWidget* target) {
    window = target;
}

void CSingleInstance::BringToFront(QWidget* target) {
    if (target == nullptr) return;
    if (target->isMinimized()) target->setWindowState(target->windowState() & ~Qt::WindowMinimized);
    target->show();
    target->raise();
    target->activateWindow();
    QApplication::alert(target, 1000);
}

void CSingleInstance::Raise() {
    BringToFront(window);
    emit RaiseRequested();
}

#ifdef _WIN32

namespace {
const wchar_t kWindowClass[] = L"Tolvanire_WUUI";
const UINT kRaiseMessage = WM_APP + 1;
const UINT kHideMessage = WM_APP + 2;
} // namespace

// Window procedure of the helper. A later instance shows it (SetWindowPos
// with SWP_SHOWWINDOW) and makes it the foreground window, which hands this
// process the right to bring its own window forward; then it sends the
// raise message and waits for it, so that its own message box opens above
// the raised window, not under it.
struct CSingleInstanceHelper {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* owner = reinterpret_cast<CSingleInstance*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        switch (message) {
        case WM_WINDOWPOSCHANGED:
            // The helper has no face of its own: it hides again at once.
            if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW)
                PostMessageW(hwnd, kHideMessage, 0, 0);
            break;
        case kHideMessage:
            ShowWindow(hwnd, SW_HIDE);
            return 0;
        case kRaiseMessage:
            ShowWindow(hwnd, SW_HIDE);
            if (owner != nullptr) owner->Raise();
            return 1;
        default:
            break;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

bool CSingleInstance::Check() {
    const QString key = InstanceKey();
    HANDLE handle = CreateMutexW(nullptr, TRUE, reinterpret_cast<const wchar_t*>(key.utf16()));
    const DWORD error = GetLastError();
    mutex = handle; // kept open for the life of the process
    if (handle != nullptr && error == ERROR_ALREADY_EXISTS) {
        HWND running = FindWindowW(kWindowClass, nullptr);
        if (running != nullptr) {
            if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
            SetWindowPos(running, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
            SetActiveWindow(running);
            SetForegroundWindow(running);
            FlashWindow(running, TRUE);
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(running, kRaiseMessage, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 3000, &answer);
        }
        return false;
    }

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &CSingleInstanceHelper::Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    HWND helper = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"Tolvanire Uninstaller", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    if (helper != nullptr) SetWindowLongPtrW(helper, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    helperWindow = helper;
    return true;
}

CSingleInstance::~CSingleInstance() {
    if (helperWindow != nullptr) DestroyWindow(static_cast<HWND>(helperWindow));
}

#else

bool CSingleInstance::Check() {
    const QString key = InstanceKey();
    lock = std::make_unique<QLockFile>(QDir::temp().filePath(key + QStringLiteral(".lock")));
    // A lock left by a process that no longer runs is taken over; a live
    // holder keeps it however old.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError)
            return true; // no lock possible at all: behave as the only instance
        QLocalSocket socket;
        socket.connectToServer(key);
        if (socket.waitForConnected(2000)) {
            socket.write(kRaiseRequest);
            socket.waitForBytesWritten(2000);
            socket.waitForReadyRead(2000);
            socket.disconnectFromServer();
        }
        return false;
    }

    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file of that name is a leftover.
    QLocalServer::removeServer(key);
    server->listen(key);
    connect(server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    return true;
}

void CSingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket]() {
            if (!socket->canReadLine()) return;
            if (socket->readLine(64) == QByteArray(kRaiseRequest)) {
                Raise();
                socket->write(kRaiseDone);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}

CSingleInstance::~CSingleInstance() {
    if (server != nullptr) server->close();
    if (lock) lock->unlock();
}

#endif
