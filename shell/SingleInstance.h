#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <map>
#include <memory>

class CInstanceClaim;
class QWidget;

// Lets one instance of the program run per user and, on Linux, per Wine
// prefix (KeyFor). A later start asks the running instance to bring its
// window to the front and is told to stop. How instances find each other is
// the host's business (CHostServices: a named mutex and a window class on
// Windows, a lock file and a local socket elsewhere).
class CSingleInstance : public QObject {
    Q_OBJECT
public:
    // `key`: the name under which instances meet; empty: InstanceKey().
    explicit CSingleInstance(const QString& key = QString(), QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True for the first instance, which keeps its claim for the life of
    // this object. False when another instance runs; that one has been
    // asked to raise its window. A claim that cannot be made at all counts
    // as the first instance.
    bool Check();

    // A window moving to another prefix: claims `key` as well, keeping the
    // claims held, as Check does. False when another instance holds it.
    bool ClaimAlso(const QString& key);
    // Keeps the claim of `key` (one of those held) and drops the others.
    void KeepOnly(const QString& key);

    // First instance: the window a later start brings to the front.
    void SetWindow(QWidget* window);

    // The key of a user's instances.
    static QString InstanceKey();
    // The key of the instance that manages `prefix`: `base` followed by a
    // hash of the prefix's real path, so that two names of one folder meet;
    // `base` alone without a prefix (Windows).
    static QString KeyFor(const QString& base, const QString& prefix);

    // Restores a minimised window, raises and activates it, and makes it ask
    // for attention.
    static void BringToFront(QWidget* window);

signals:
    // A later instance asked for the window, which has been brought to the front.
    void RaiseRequested();

private:
    void Raise();

    QString key;
    std::map<QString, std::unique_ptr<CInstanceClaim>> claims;
    QPointer<QWidget> window;
};
