#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class CInstanceClaim;
class QWidget;

// Lets one instance of the program run per user. A later start asks the
// running instance to bring its window to the front and is told to stop.
// How instances find each other is the host's business (CHostServices:
// a named mutex and a window class on Windows, a lock file and a local
// socket elsewhere).
class CSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit CSingleInstance(QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True for the first instance, which keeps its claim for the life of
    // this object. False when another instance runs; that one has been
    // asked to raise its window. A claim that cannot be made at all counts
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

    std::unique_ptr<CInstanceClaim> claim;
    QPointer<QWidget> window;
};
