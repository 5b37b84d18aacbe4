#pragma once

#include <QStringList>
#include <cstdint>

#include "app/BaseDialog.h"
#include "uninstall/dialogs/CleanDetailsDlg.h"
#include "uninstall/dialogs/CloseMsgFence.h"

class CBPQtLabel;
class QLabel;

// Closes an uninstall run: how many programs were removed and the space
// their estimated sizes free; when none was, the failure picture and a title
// that says so. The freed size is read from CUIPublic, where
// the runner leaves the total of the removed programs. When some programs
// were not removed (their uninstaller failed, was cancelled or did not
// start), a line below names them. When programs were deep cleaned, a
// "Details" link opens what each clean deleted and kept
// (CCleanDetailsDlg), and when what they deleted went into restore points,
// a "Restore..." link beside it lists the points (CRestorePointsDlg).
// However it closes, it sends
// MSG_DIALOG_RESULT once, with 1 when the closing flag is set, else 0 (on 0
// the program page reads the installed programs again).
class CUninstallRstDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 427;

    explicit CUninstallRstDlg(QWidget* parent = nullptr);

    // `programCount`: the programs removed.
    void SetResult(int programCount, int closingFlag);
    // Display names of the chosen programs that are still installed.
    void SetNotRemoved(const QStringList& names) { notRemoved = names; }
    // What the deep clean of each program did; none: no "Details" link.
    void SetDetails(const QList<CleanDetails>& programs) { details = programs; }
    void Build();

    QLabel* PictureLabel() const { return pictureLabel; }
    CBPQtLabel* TitleLabel() const { return titleLabel; }
    CBPQtLabel* ResultLabel() const { return resultLabel; }
    // Null when every program was removed.
    CBPQtLabel* NotRemovedLabel() const { return notRemovedLabel; }
    // Null without details.
    QLabel* DetailsLink() const { return detailsLink; }
    // Opens the details over this dialog (what the link does).
    void OpenDetails();
    // Null when no clean left a restore point.
    QLabel* RestoreLink() const { return restoreLink; }
    // Opens the restore points over this dialog (what that link does).
    void OpenRestorePoints();

    // The result line for a count and a freed size (0: no "free up").
    static QString ResultText(int programCount, uint64_t freedBytes);

    int ReceiveMsg(__MsgData msg) override;
    void done(int result) override;

private:
    int programCount = 0;
    int closingFlag = 0;
    QStringList notRemoved;
    QList<CleanDetails> details;
    bool resultSent = false;
    CCloseMsgFence closeFence;

    QLabel* pictureLabel = nullptr;
    CBPQtLabel* titleLabel = nullptr;
    CBPQtLabel* resultLabel = nullptr;
    CBPQtLabel* notRemovedLabel = nullptr;
    QLabel* detailsLink = nullptr;
    QLabel* restoreLink = nullptr;
};
