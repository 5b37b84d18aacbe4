#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;
class QWidget;

// Lets one instance of the program run per user. A later start asks the
// running instance to bring its window to the front and is told to stop.
//
// Windows: the named mutex "TolvanireWU_Mutex_610044_Wexmoor"; the running
// instance is found by the window class "Tolvanire_WUUI" (a hidden helper
// window of that class forwards the raise to the main window, because Qt
// names its own window classes).
// Elsewhere: a per-user lock file, and a local socket on which the running
// instance listens for the raise request.
class CSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit CSingleInstance(QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True for the first instance, which keeps the lock for the life of
    // this object. False when another instance runs; that one has been
    // asked to raise its window. A lock that cannot be made at all counts
    // as the first instance.
    bool Check();

    // First instance: the window a later start brings to the front.
    void SetWindow(QWidget* window);

    // Per user; TOLVANIRE_INSTANCE_KEY replaces it so that tests never meet
    // a real running instance.
    static QString InstanceKey();

    // Restores a minimised window, raises and activates it, and makes it ask
    // for attention.
    static void BringToFront(QWidget* window);

signals:
    // A later instance asked for the window, which has been brought to the front.
    void RaiseRequested();

private:
    void Raise();
#ifdef _WIN32
    friend struct CSingleInstanceHelper;
    void* mutex = nullptr;
    void* helperWindow = nullptr;
#else
    void OnNewConnection();
    std::unique_ptr<QLockFile> lock;
    QLocalServer* server = nullptr;
#endif
    QPointer<QWidget> window;
};
