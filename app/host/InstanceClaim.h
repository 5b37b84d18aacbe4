#pragma once

#include <QObject>

// Proof that this process is the program's only instance, held for as long
// as it runs (dropping it lets another instance start). It tells when a
// later start asked for the window to be brought to the front; the raise
// request is answered only after RaiseRequested has returned.
class CInstanceClaim : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void RaiseRequested();
};
