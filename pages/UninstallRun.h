#pragma once

#include <QObject>
#include <QPixmap>
#include <QStringList>
#include <memory>
#include <vector>

#include "include/InstalledProgram.h"
#include "inventory/ProgramRecord.h"
#include "uninstall/UninstallerCore.h"
#include "uninstall/dialogs/CleanDetailsDlg.h"
#include "widgetlib/BPMsgReceiver.h"
#include "widgetlib/DetachedTask.h"

class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

// The uninstall run of the program list page: the programs the user chose
// are removed one after another, each by a worker of its own through the
// core face (CUninstallerCore), while the GUI thread animates the row in progress;
// then the result dialog. This uninstaller's own entry goes last: the
// result of the others is shown first, and its own uninstaller is started
// once that is closed. From its start until the result dialog opens the run
// holds the page's rows (their check boxes and trash buttons) and shows its
// progress in them; it touches nothing else of the page, which learns of
// the start and the end by signal.
//
// While an uninstaller runs, the run looks every second whether it shows a
// window (a wizard waiting for the user): the row then says so, and those
// windows are brought back over the main window whenever that is activated
// or the row is clicked. A program whose uninstaller the page found missing
// is named so in the confirmation and, once confirmed, loses its entry and
// its leftovers in place of an uninstaller run (the core looks again first).
// A wait that has gone on for a while (a process the
// uninstaller left running holds it) offers "Skip" in the row: the run
// then stops waiting, ends nothing, and the removal check decides.
class CUninstallRun : public QObject, public CBPMsgReceiver {
    Q_OBJECT
public:
    // Everything a run knows, in one place.
    struct State {
        // What the user chose, in run order (this uninstaller's own entry
        // last), and the record indexes of the same programs.
        std::vector<InstalledProgram> selectedPrograms;
        std::vector<int> selectedIndexes;
        std::vector<bool> selectedMissing; // their uninstallers are missing
        bool singleMode = false;
        int singleIndex = -1;
        bool autoRemoveLeftovers = true;
        // From StartUninstallRun until the result dialog opens (or for good,
        // once this uninstaller's own uninstaller has been started).
        bool active = false;
        std::vector<QTreeWidgetItem*> uninstallQueue;
        int queuePos = 0;
        QTreeWidgetItem* currentRow = nullptr;
        QTreeWidgetItem* ownRow = nullptr; // this uninstaller's own entry, queued last
        int animationFrame = 0;
        int removedCount = 0;
        uint64_t freedBytes = 0;
        QStringList notRemovedNames;
        // What each deep clean (or removal of a broken entry) did, in run order.
        QList<CleanDetails> details;
        // No program starts after the one in progress (the window is closing).
        bool stopRequested = false;
        // This uninstaller's own uninstaller runs: the process is ending.
        bool ownStarted = false;
        // The uninstaller in progress shows a window.
        bool uninstallerWindows = false;
    };

    // `records` is the page's list, which the rows name by record index;
    // the page keeps it and does not replace it while a run is active.
    // `missingUninstallers` tells, by record index, whose uninstaller the
    // page found missing.
    CUninstallRun(QTreeWidget* tree, const std::vector<ProgramRecord>& records,
                  const std::vector<bool>& missingUninstallers, QObject* parent);
    ~CUninstallRun() override;

    // Takes the programs at `indexes` (in run order; `icons` what their
    // rows show), asks the user to confirm them and, when confirmed, starts
    // the run: of one program from its trash button (`single`), or of the
    // ticked rows.
    void Offer(bool single, const std::vector<int>& indexes, std::vector<QPixmap> icons);

    const State& CurrentState() const { return state; }
    bool IsRunning() const { return state.active; }
    QTimer* AnimationTimer() const { return animationTimer; }

    // Gives the rows of an ended run back when the list cannot be read anew.
    void ReleaseRows();

    // Lets the program in progress end (its uninstaller and its leftover
    // removal), starts no further one, and shows the result of what was
    // done without reading the list again; ResultClosed follows.
    void StopAfterCurrent();

    // Brings the windows of the uninstaller in progress to the front.
    void RaiseUninstallerWindows();

    // How long a wait goes on before its row offers "Skip".
    void SetSkipOfferDelay(int ms) { skipOfferMs = ms; }

    // This uninstaller's own row: its name holds the main window's title.
    static bool IsOwnEntry(const QTreeWidgetItem* row);

    int ReceiveMsg(__MsgData msg) override;

public slots:
    // One step of the row animation.
    void onTimeout();

signals:
    // The run is about to hold the rows: every row needs its widgets now.
    void Started();
    // The rows are no longer held; the result dialog follows.
    void Ended();
    // The result dialog has closed.
    void ResultClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct StepJob;
    struct WindowsJob;

    bool ConfirmRun(std::vector<QPixmap> icons);
    void StartUninstallRun(bool single);
    void StartCurrentProgram();
    void StartProgressAnimation();
    static void RunCurrentUninstaller(CUninstallerCore* core, StepJob& job);
    void StartOwnUninstaller();
    void AdvanceUninstallRun();
    void FinishUninstallRun();
    void ShowResult(bool readListAgain);
    void LookForUninstallerWindows();
    void OfferSkip();
    void SkipCurrentWait();
    void ShowRowStatus();
    void SetRowOutcome(QTreeWidgetItem* row, bool removed, const QString& why);
    int RecordIndex(const QTreeWidgetItem* row) const;
    bool IsMissing(int index) const;

    QTreeWidget* tree = nullptr;
    const std::vector<ProgramRecord>& records;
    const std::vector<bool>& missingUninstallers;
    State state;

    // The step in progress and its worker.
    std::shared_ptr<StepJob> stepJob;
    CDetachedTask::Number stepTask = 0;
    std::shared_ptr<WindowsJob> windowsJob;
    CDetachedTask::Number windowsTask = 0;
    QTimer* windowsTimer = nullptr;
    QTimer* animationTimer = nullptr;
    QTimer* pauseTimer = nullptr;
    std::vector<QPixmap> loadingFrames;
    QLabel* animationLabel = nullptr;
    QLabel* rowStatusLabel = nullptr;
    QPushButton* skipButton = nullptr;
    int skipOfferMs = CUninstallerCore::kSlowWaitMs;
};
