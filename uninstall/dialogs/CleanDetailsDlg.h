#pragma once

#include <QList>
#include <QString>

#include "app/BaseDialog.h"
#include "include/LeftoverItem.h"
#include "uninstall/dialogs/CloseMsgFence.h"

class QTreeWidget;

// What the deep clean of one program did, as the details of a run show it.
struct CleanDetails {
    QString programName;
    bool uninstallerMissing = false; // its entry was removed in place of its uninstaller
    QList<LeftoverItem> deleted;
    QList<LeftoverItem> notDeleted;
    QList<SkippedLeftover> kept;
    QString stopReason;   // why nothing of it was collected; empty when the collection ran
    QString restorePoint; // what was deleted can be put back from it; empty: none
};

// The details of a run's result: per program, each leftover deleted (its
// kind, path or key, and size when the restore point knows it), each one that could not be deleted, and each place
// kept with the reason why. Opened from the result dialog's "Details" link.
class CCleanDetailsDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 760;
    static constexpr int kHeight = 480;

    explicit CCleanDetailsDlg(QWidget* parent = nullptr);

    void SetDetails(const QList<CleanDetails>& programs) { details = programs; }
    void Build();

    // One top-level row per program, its children one row per item:
    // column 0 "Deleted", "Not deleted" or "Kept", column 1 the kind or
    // the reason kept, column 2 the path or key.
    QTreeWidget* ItemTree() const { return itemTree; }

    // How a kind of leftover, and a reason for keeping a place, read.
    static QString KindText(int32_t kind);
    static QString KeptText(int32_t because);

    int ReceiveMsg(__MsgData msg) override;

private:
    QList<CleanDetails> details;
    CCloseMsgFence closeFence;
    QTreeWidget* itemTree = nullptr;
};
