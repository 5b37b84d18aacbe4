#include "pages/UninstallRun.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "app/RuntimeFiles.h"
#include "app/UIPublic.h"
#include "include/MsgIds.h"
#include "pages/OperationCell.h"
#include "pages/ProgramCell.h"
#include "pages/ProgramTreeItem.h"
#include "support/Log.h"
#include "uninstall/UninstallerCore.h"
#include "uninstall/dialogs/ProgramIconSource.h"
#include "uninstall/dialogs/ReadyUninstallDlg.h"
#include "uninstall/dialogs/UninstallRstDlg.h"
#include "widgetlib/BPNotifyCentor.h"

namespace {

// The loading animation: 50 pictures, one every 100 ms.
constexpr int kAnimationFrames = 50;
constexpr int kAnimationIntervalMs = 100;
// Between the end of one program and the start of the next.
constexpr int kPauseBetweenProgramsMs = 1000;
// How often the run looks for the windows of the uninstaller in progress.
constexpr int kWindowsLookMs = 1000;

// The confirmation dialog's icons: those the page's rows show.
class SelectedIcons : public IProgramIconSource {
public:
    SelectedIcons(const std::vector<InstalledProgram>& programs, std::vector<QPixmap> pixmaps)
        : programs(programs), pixmaps(std::move(pixmaps)) {}
    QIcon ProgramIcon(const InstalledProgram& program) override {
        // Field by field: the record's padding bytes need not be equal.
        for (size_t i = 0; i < programs.size() && i < pixmaps.size(); ++i)
            if (std::memcmp(programs[i].displayName, program.displayName, sizeof program.displayName) == 0 &&
                std::memcmp(programs[i].displayIcon, program.displayIcon, sizeof program.displayIcon) == 0 &&
                std::memcmp(programs[i].uninstallCommand, program.uninstallCommand, sizeof program.uninstallCommand) ==
                    0)
                return pixmaps[i].isNull() ? QIcon() : QIcon(pixmaps[i]);
        return QIcon();
    }

private:
    const std::vector<InstalledProgram>& programs;
    std::vector<QPixmap> pixmaps;
};

} // namespace

// One program's step, handed between the GUI thread and its worker: the GUI
// thread fills the request before the worker starts, the worker fills the
// report and is done when its task's message arrives.
struct CUninstallRun::StepJob {
    ProgramRecord record{};
    bool removeLeftovers = false;
    bool forceMissing = false; // its uninstaller was found missing, and that was confirmed
    bool own = false;          // this uninstaller's own: only started, never waited for
    std::atomic<bool> deepClean{false};
    UninstallStepReport report;
    bool targetLost = false; // the step failed because the target machine is gone
    // This uninstaller's own: whether its uninstaller runs, and why not.
    bool started = false;
    QString why;
};

// One look at the windows of the uninstaller in progress, or one raise.
struct CUninstallRun::WindowsJob {
    ProgramRecord record{};
    uint32_t count = 0;
};

CUninstallRun::CUninstallRun(QTreeWidget* tree, const std::vector<ProgramRecord>& records,
                             const std::vector<bool>& missingUninstallers, QObject* parent)
    : QObject(parent), tree(tree), records(records), missingUninstallers(missingUninstallers) {
    SetNotifyCentor(CBPNotifyCentor::instance());
    RegisterMsg(MSG_UNINSTALL_STEP_DONE);
    RegisterMsg(MSG_DEEP_CLEAN_STARTED);
    RegisterMsg(MSG_RUN_WINDOWS);
    windowsTimer = new QTimer(this);
    windowsTimer->setInterval(kWindowsLookMs);
    connect(windowsTimer, &QTimer::timeout, this, &CUninstallRun::LookForUninstallerWindows);
    connect(windowsTimer, &QTimer::timeout, this, &CUninstallRun::OfferSkip);
    pauseTimer = new QTimer(this);
    pauseTimer->setSingleShot(true);
    pauseTimer->setInterval(kPauseBetweenProgramsMs);
    connect(pauseTimer, &QTimer::timeout, this, &CUninstallRun::StartCurrentProgram);
}

CUninstallRun::~CUninstallRun() = default;

void CUninstallRun::Offer(bool single, const std::vector<int>& indexes, std::vector<QPixmap> icons) {
    if (state.active) return;
    state.uninstallQueue.clear();
    state.singleMode = single;
    if (single && !indexes.empty()) state.singleIndex = indexes.front();
    state.selectedIndexes.clear();
    state.selectedPrograms.clear();
    state.selectedMissing.clear();
    for (int index : indexes) {
        if (index < 0 || static_cast<size_t>(index) >= records.size()) continue;
        state.selectedIndexes.push_back(index);
        state.selectedPrograms.push_back(records[static_cast<size_t>(index)].program);
        state.selectedMissing.push_back(IsMissing(index));
    }
    if (state.selectedPrograms.empty()) return;
    if (ConfirmRun(std::move(icons))) StartUninstallRun(single);
}

bool CUninstallRun::ConfirmRun(std::vector<QPixmap> icons) {
    SelectedIcons iconSource(state.selectedPrograms, std::move(icons));
    CReadyUninstallDlg dialog(CUIPublic::instance()->GetMainWindow());
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog.SetIconSource(&iconSource);
    dialog.SetPrograms(state.selectedPrograms);
    dialog.SetMissingUninstallers(state.selectedMissing);
    dialog.Build();
    dialog.exec();
    state.autoRemoveLeftovers = dialog.RemoveLeftovers();
    return dialog.Accepted() == 1;
}

int CUninstallRun::RecordIndex(const QTreeWidgetItem* row) const {
    return CProgramTreeItem::RecordIndex(row, records.size());
}

bool CUninstallRun::IsMissing(int index) const {
    return index >= 0 && static_cast<size_t>(index) < missingUninstallers.size() &&
           missingUninstallers[static_cast<size_t>(index)];
}

bool CUninstallRun::IsOwnEntry(const QTreeWidgetItem* row) {
    const QWidget* window = CUIPublic::instance()->GetMainWindow();
    const QString title = window != nullptr ? window->windowTitle() : QString();
    return !title.isEmpty() && row->text(0).contains(title, Qt::CaseSensitive);
}

void CUninstallRun::StartUninstallRun(bool single) {
    emit Started();
    state.active = true;
    state.uninstallQueue.clear();
    state.queuePos = 0;
    state.currentRow = nullptr;
    state.ownRow = nullptr;
    state.removedCount = 0;
    state.freedBytes = 0;
    state.notRemovedNames.clear();
    state.details.clear();
    state.stopRequested = false;
    state.ownStarted = false;
    // A click in the main window must not bury an uninstaller's wizard.
    if (QWidget* window = CUIPublic::instance()->GetMainWindow()) window->installEventFilter(this);

    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = tree->topLevelItem(row);
        auto* cell = qobject_cast<ProgramCell*>(tree->itemWidget(item, 1));
        auto* operation = qobject_cast<OperationCell*>(tree->itemWidget(item, 4));
        if (cell == nullptr || operation == nullptr) continue;
        cell->CheckBox()->setEnabled(false);
        operation->TrashButton()->hide();
        const int index = cell->CheckBox()->property("checkindex").toInt();
        if (single) {
            if (index != state.singleIndex) continue;
            operation->StatusLabel()->show();
            if (IsOwnEntry(item)) state.ownRow = item;
            state.uninstallQueue.push_back(item);
            break; // the rows after it stay as they are
        }
        if (!cell->CheckBox()->isChecked()) continue;
        if (IsOwnEntry(item))
            state.ownRow = item; // the last one visited; it goes last
        else
            state.uninstallQueue.push_back(item);
        // A waiting row shows its status alone: a still picture of the
        // loading animation would look like work in progress.
        operation->StatusLabel()->show();
    }
    if (state.ownRow != nullptr && (state.uninstallQueue.empty() || state.uninstallQueue.back() != state.ownRow))
        state.uninstallQueue.push_back(state.ownRow);
    if (state.uninstallQueue.empty()) {
        FinishUninstallRun();
        return;
    }
    state.currentRow = state.uninstallQueue[static_cast<size_t>(state.queuePos++)];
    StartCurrentProgram();
}

// The animation and the worker of `currentRow`.
void CUninstallRun::StartCurrentProgram() {
    if (!state.active || state.currentRow == nullptr) return;
    if (state.currentRow == state.ownRow) {
        StartOwnUninstaller();
        return;
    }
    StartProgressAnimation();
    auto job = std::make_shared<StepJob>();
    const int index = RecordIndex(state.currentRow);
    if (index >= 0) job->record = records[static_cast<size_t>(index)];
    job->removeLeftovers = state.autoRemoveLeftovers;
    // Only what the confirmation named: the row was marked when it was offered.
    for (size_t i = 0; i < state.selectedIndexes.size(); ++i)
        if (state.selectedIndexes[i] == index) job->forceMissing = state.selectedMissing[i];
    CUninstallerCore* core = CUIPublic::instance()->GetCore();
    stepJob = job;
    stepTask =
        CDetachedTask::Run(job, MSG_UNINSTALL_STEP_DONE, [core](StepJob& step) { RunCurrentUninstaller(core, step); });
    state.uninstallerWindows = false;
    windowsTimer->start();
}

// This uninstaller's own entry, the last of the run. The others' result
// comes first; once it is closed, the own uninstaller is started, and the
// process ends only once the start is confirmed (MSG_QUIT_APP).
void CUninstallRun::StartOwnUninstaller() {
    if (state.queuePos > 1) ShowResult(false);
    StartProgressAnimation();
    auto job = std::make_shared<StepJob>();
    const int index = RecordIndex(state.currentRow);
    if (index >= 0) job->record = records[static_cast<size_t>(index)];
    job->own = true;
    CUninstallerCore* core = CUIPublic::instance()->GetCore();
    stepJob = job;
    stepTask = CDetachedTask::Run(job, MSG_UNINSTALL_STEP_DONE, [core](StepJob& own) {
        if (core == nullptr)
            own.why = QStringLiteral("the target machine could not be reached");
        else
            own.started = core->StartOwnUninstaller(own.record, &own.why);
    });
}

void CUninstallRun::StartProgressAnimation() {
    state.animationFrame = 0;
    delete animationTimer;
    animationTimer = new QTimer(this);
    connect(animationTimer, &QTimer::timeout, this, &CUninstallRun::onTimeout);
    animationTimer->start(kAnimationIntervalMs);
    auto* operation = qobject_cast<OperationCell*>(tree->itemWidget(state.currentRow, 4));
    animationLabel = operation != nullptr ? operation->AnimationLabel() : nullptr;
    rowStatusLabel = operation != nullptr ? operation->StatusLabel() : nullptr;
    skipButton = operation != nullptr ? operation->SkipButton() : nullptr;
    if (skipButton != nullptr)
        connect(skipButton, &QPushButton::clicked, this, &CUninstallRun::SkipCurrentWait, Qt::UniqueConnection);
    if (loadingFrames.empty())
        for (int frame = 0; frame < kAnimationFrames; ++frame)
            loadingFrames.emplace_back(
                CRuntimeFiles::Path(QStringLiteral("./Resources/loading/loading_%1.png").arg(frame)));
    if (animationLabel != nullptr) {
        animationLabel->setPixmap(loadingFrames[0]);
        animationLabel->show();
    }
    if (rowStatusLabel != nullptr) rowStatusLabel->show();
    ShowRowStatus();
    // A click on the row brings the uninstaller's windows forward.
    for (int column : {1, 4})
        if (QWidget* cell = tree->itemWidget(state.currentRow, column)) cell->installEventFilter(this);
}

void CUninstallRun::ShowRowStatus() {
    if (rowStatusLabel == nullptr) return;
    const bool cleaning = stepJob && stepJob->deepClean;
    const bool waitsForUser = !cleaning && state.uninstallerWindows;
    rowStatusLabel->setText(cleaning       ? tr("Deep Clean...")
                            : waitsForUser ? tr("waiting for your answer")
                                           : tr("uninstalling"));
    rowStatusLabel->setToolTip(waitsForUser ? tr("Its uninstaller waits for you: click the row to bring it forward.")
                                            : QString());
}

void CUninstallRun::LookForUninstallerWindows() {
    // One look at a time, and none for this uninstaller's own.
    if (!stepJob || stepJob->own || windowsTask != 0) return;
    auto job = std::make_shared<WindowsJob>();
    job->record = stepJob->record;
    CUninstallerCore* core = CUIPublic::instance()->GetCore();
    windowsJob = job;
    windowsTask = CDetachedTask::Run(job, MSG_RUN_WINDOWS, [core](WindowsJob& look) {
        if (core != nullptr) look.count = core->UninstallerWindows(look.record, false);
    });
}

// Shows "Skip" once the wait for the uninstaller in progress has gone on for
// a while, with what it still waits for; hides it when the wait is over.
void CUninstallRun::OfferSkip() {
    if (skipButton == nullptr) return;
    CUninstallerCore* core = CUIPublic::instance()->GetCore();
    const bool mayWait = core != nullptr && stepJob && !stepJob->own && !stepJob->deepClean;
    const CUninstallerCore::WaitState wait = mayWait ? core->CurrentWait() : CUninstallerCore::WaitState();
    // Once asked, the wait ends at its next look: no second offer meanwhile.
    if (!wait.waiting || wait.skipAsked || wait.elapsedMs < skipOfferMs) {
        skipButton->hide();
        return;
    }
    QString tip = tr("Stop waiting for its uninstaller. Nothing is ended; the list then shows whether the program "
                     "was removed.");
    if (!wait.running.isEmpty()) tip += QLatin1Char('\n') + tr("Still running: %1").arg(wait.running.join(", "));
    skipButton->setToolTip(tip);
    skipButton->show();
}

void CUninstallRun::SkipCurrentWait() {
    if (!stepJob || stepJob->own) return;
    if (CUninstallerCore* core = CUIPublic::instance()->GetCore()) core->SkipWait();
    if (skipButton != nullptr) skipButton->hide();
    LogInfoEx("uninstall: the user stopped waiting for the uninstaller in progress.\n");
}

void CUninstallRun::RaiseUninstallerWindows() {
    if (!stepJob || stepJob->own || !state.uninstallerWindows) return;
    auto job = std::make_shared<WindowsJob>();
    job->record = stepJob->record;
    CUninstallerCore* core = CUIPublic::instance()->GetCore();
    CDetachedTask::Run(job, CDetachedTask::kNoMessage, [core](WindowsJob& raise) {
        if (core != nullptr) core->UninstallerWindows(raise.record, true);
    });
}

bool CUninstallRun::eventFilter(QObject* watched, QEvent* event) {
    if (state.uninstallerWindows &&
        ((event->type() == QEvent::WindowActivate && watched == CUIPublic::instance()->GetMainWindow()) ||
         event->type() == QEvent::MouseButtonPress))
        RaiseUninstallerWindows();
    return QObject::eventFilter(watched, event);
}

void CUninstallRun::onTimeout() {
    if (state.animationFrame > kAnimationFrames - 1) state.animationFrame = 0;
    if (animationLabel != nullptr && static_cast<size_t>(state.animationFrame) < loadingFrames.size())
        animationLabel->setPixmap(loadingFrames[static_cast<size_t>(state.animationFrame)]);
    ++state.animationFrame;
}

// On the worker: writes only into its own job.
void CUninstallRun::RunCurrentUninstaller(CUninstallerCore* core, StepJob& job) {
    if (core != nullptr) {
        Expected<UninstallStepReport, UninstallFailure> result = core->Uninstall(
            job.record, job.removeLeftovers,
            [&](CUninstallerCore::Phase phase) {
                if (phase != CUninstallerCore::Phase::RemovingLeftovers) return;
                job.deepClean = true;
                CBPNotifyCentor::instance()->SendMsg(MSG_DEEP_CLEAN_STARTED, 0, nullptr, 0);
            },
            job.forceMissing);
        job.targetLost = !result;
        job.report = result ? std::move(result).Value() : result.Error().report;
    } else {
        job.targetLost = true;
        job.report.reason = QStringLiteral("the target machine could not be reached");
    }
    if (job.targetLost || job.report.outcome == UninstallStepReport::Outcome::WaitFailed) {
        const QByteArray reason = job.report.reason.toUtf8();
        char line[2 * InstalledProgram::kTextSize + 160];
        std::snprintf(line, sizeof line, "uninstall of %.259s: %s.\n", job.record.program.displayName,
                      reason.left(300).constData());
        LogInfoEx(line);
    }
}

int CUninstallRun::ReceiveMsg(__MsgData msg) {
    switch (msg.id) {
    case MSG_UNINSTALL_STEP_DONE:
        // Only the worker of the program in progress ends its step.
        if (state.active && stepJob && CDetachedTask::IsDoneMsgOf(msg, stepTask)) AdvanceUninstallRun();
        break;
    case MSG_DEEP_CLEAN_STARTED:
        if (state.active && stepJob && stepJob->deepClean) {
            ShowRowStatus();
            OfferSkip();
        }
        break;
    case MSG_RUN_WINDOWS:
        if (!CDetachedTask::IsDoneMsgOf(msg, windowsTask)) break;
        windowsTask = 0;
        state.uninstallerWindows = stepJob && windowsJob->count > 0;
        windowsJob.reset();
        ShowRowStatus();
        break;
    default:
        break;
    }
    return 0;
}

void CUninstallRun::ReleaseRows() {
    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = tree->topLevelItem(row);
        auto* cell = qobject_cast<ProgramCell*>(tree->itemWidget(item, 1));
        auto* operation = qobject_cast<OperationCell*>(tree->itemWidget(item, 4));
        if (cell != nullptr) cell->CheckBox()->setEnabled(true);
        if (operation == nullptr) continue;
        operation->TrashButton()->show();
        operation->AnimationLabel()->hide();
        operation->StatusLabel()->hide();
        operation->SkipButton()->hide();
    }
}

void CUninstallRun::StopAfterCurrent() {
    if (!state.active || state.stopRequested) return;
    state.stopRequested = true;
    // Between two programs: the next one has not started.
    if (pauseTimer->isActive()) {
        pauseTimer->stop();
        --state.queuePos;
        AdvanceUninstallRun();
    }
}

void CUninstallRun::SetRowOutcome(QTreeWidgetItem* row, bool removed, const QString& why) {
    auto* operation = qobject_cast<OperationCell*>(tree->itemWidget(row, 4));
    if (operation == nullptr) return;
    operation->AnimationLabel()->hide();
    QLabel* status = operation->StatusLabel();
    status->setText(removed ? tr("Finished") : tr("Not removed"));
    status->setToolTip(why);
    const QString look = removed ? QStringLiteral("RowStatus") : QStringLiteral("RowStatusFailed");
    if (status->objectName() != look) {
        status->setObjectName(look);
        status->style()->unpolish(status);
        status->style()->polish(status);
    }
    status->show();
    const int index = RecordIndex(row);
    if (removed) {
        ++state.removedCount;
        if (index >= 0) state.freedBytes += records[static_cast<size_t>(index)].program.sizeBytes;
    } else if (index >= 0) {
        state.notRemovedNames << records[static_cast<size_t>(index)].text.name;
    }
}

// After a program's step, or with the run stopped between two programs.
void CUninstallRun::AdvanceUninstallRun() {
    const std::shared_ptr<StepJob> job = std::move(stepJob);
    stepJob.reset();
    stepTask = 0;
    windowsTimer->stop();
    windowsJob.reset();
    windowsTask = 0;
    state.uninstallerWindows = false;
    delete animationTimer;
    animationTimer = nullptr;
    animationLabel = nullptr;
    rowStatusLabel = nullptr;
    if (skipButton != nullptr) skipButton->hide();
    skipButton = nullptr;
    for (int column : {1, 4})
        if (QWidget* cell = tree->itemWidget(state.currentRow, column)) cell->removeEventFilter(this);

    QString lostReason;
    if (job && job->own) {
        if (job->started) {
            // The process ends a second after this; the row keeps its text.
            state.ownStarted = true;
            CBPNotifyCentor::instance()->SendMsg(MSG_QUIT_APP, 0, nullptr, 0);
            return;
        }
        SetRowOutcome(state.currentRow, false, job->why);
    } else if (job) {
        const UninstallStepReport& report = job->report;
        SetRowOutcome(state.currentRow, report.removed, report.reason);
        if (job->targetLost) lostReason = report.reason;
        if (report.leftoversCleaned || report.uninstallerMissing)
            state.details.append(CleanDetails{job->record.text.name, report.uninstallerMissing,
                                              report.leftovers.Deleted(), report.leftovers.Remaining(),
                                              report.leftovers.skipped, report.leftovers.stopReason,
                                              report.leftovers.restorePoint});
    }
    // Without the target machine the programs still queued cannot be
    // removed either; after a stop they are not tried: they are reported as
    // they are.
    if (!lostReason.isEmpty() || state.stopRequested) {
        const QString why = !lostReason.isEmpty() ? lostReason : tr("the run was stopped before its turn");
        while (static_cast<size_t>(state.queuePos) < state.uninstallQueue.size())
            SetRowOutcome(state.uninstallQueue[static_cast<size_t>(state.queuePos++)], false, why);
    }
    if (static_cast<size_t>(state.queuePos) < state.uninstallQueue.size()) {
        state.currentRow = state.uninstallQueue[static_cast<size_t>(state.queuePos++)];
        // The pause runs on a timer, so that the window keeps painting.
        pauseTimer->start();
        return;
    }
    FinishUninstallRun();
}

void CUninstallRun::FinishUninstallRun() {
    animationLabel = nullptr;
    rowStatusLabel = nullptr;
    state.animationFrame = 0;
    state.queuePos = 0;
    state.currentRow = nullptr;
    state.ownRow = nullptr;
    if (QWidget* window = CUIPublic::instance()->GetMainWindow()) window->removeEventFilter(this);
    // The rows are released before the dialog: closing it reads the list
    // again, which may happen while it is still on its way out.
    state.active = false;
    emit Ended();
    // A stopped run ends with its result: the window is closing.
    ShowResult(!state.stopRequested);
    emit ResultClosed();
}

void CUninstallRun::ShowResult(bool readListAgain) {
    // Only what was removed counts, and only its size is freed.
    CUIPublic::instance()->SetTotalSize(state.freedBytes);
    CUninstallRstDlg dialog(CUIPublic::instance()->GetMainWindow());
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog.SetResult(state.removedCount, readListAgain ? 0 : 1);
    dialog.SetNotRemoved(state.notRemovedNames);
    dialog.SetDetails(state.details);
    dialog.Build();
    dialog.exec();
}
