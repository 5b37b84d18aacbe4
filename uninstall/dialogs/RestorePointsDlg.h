#pragma once

#include <QString>

#include "app/BaseDialog.h"
#include "uninstall/RestoreStore.h"
#include "uninstall/dialogs/CloseMsgFence.h"

class CBPQtLabel;
class QPushButton;
class QTreeWidget;

// The restore points of the restore store, newest first (date, programs,
// items, size), with a "Restore" button that puts the chosen one back and
// the outcome below it: what came back, what exists again and stayed, what
// failed. Opened from the main menu ("Restore...") and from the result
// dialog of a run that deep cleaned.
class CRestorePointsDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 760;
    static constexpr int kHeight = 480;

    // `store` may be null (no target machine yet): the list is empty.
    explicit CRestorePointsDlg(CRestoreStore* store, QWidget* parent = nullptr);

    void Build();

    // One row per point: date, programs, items, size; the id as the row's data.
    QTreeWidget* PointTree() const { return pointTree; }
    QPushButton* RestoreButton() const { return restoreButton; }
    CBPQtLabel* OutcomeLabel() const { return outcomeLabel; }

    // Puts back the selected point (what the button does), then lists the
    // points again.
    void RestoreSelected();

    // The outcome of a restore for a person.
    static QString OutcomeText(const CRestoreStore::Outcome& outcome);

    int ReceiveMsg(__MsgData msg) override;

private:
    void Fill();
    void SelectionChanged();

    CRestoreStore* store;
    CCloseMsgFence closeFence;
    QTreeWidget* pointTree = nullptr;
    QPushButton* restoreButton = nullptr;
    CBPQtLabel* outcomeLabel = nullptr;
};
