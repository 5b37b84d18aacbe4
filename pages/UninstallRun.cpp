#include "pages/UninstallRun.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "app/UIPublic.h"
#include "include/MsgIds.h"
#include "pages/OperationCell.h"
#include "pages/ProgramCell.h"
#include "pages/ProgramTreeItem.h"
#include "support/Log.h"
#include "uninstall/UninstallService.h"
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
    InstalledProgram program{};
    bool removeLeftovers = false;
    std::atomic<bool> deepClean{false};
    UninstallStepReport report;
};

CUninstallRun::CUninstallRun(QTreeWidget* tree, const std::vector<InstalledProgram>& programs,
                             const std::vector<ProgramText>& texts, QObject* parent)
    : QObject(parent), tree(tree), programs(programs), texts(texts) {
    SetNotifyCentor(CBPNotifyCentor::instance());
    RegisterMsg(MSG_UNINSTALL_STEP_DONE);
    RegisterMsg(MSG_DEEP_CLEAN_STARTED);
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
    for (int index : indexes) {
        if (index < 0 || static_cast<size_t>(index) >= programs.size()) continue;
        state.selectedIndexes.push_back(index);
        state.selectedPrograms.push_back(programs[static_cast<size_t>(index)]);
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
    dialog.Build();
    dialog.exec();
    state.autoRemoveLeftovers = dialog.RemoveLeftovers();
    return dialog.Accepted() == 1;
}

int CUninstallRun::RecordIndex(const QTreeWidgetItem* row) const {
    return CProgramTreeItem::RecordIndex(row, programs.size());
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
    StartProgressAnimation();
    auto job = std::make_shared<StepJob>();
    const int index = RecordIndex(state.currentRow);
    if (index >= 0) job->program = programs[static_cast<size_t>(index)];
    job->removeLeftovers = state.autoRemoveLeftovers;
    CUninstallService* uninstaller = CUIPublic::instance()->GetUninstallService();
    if (state.currentRow == state.ownRow) {
        // The main window ends the process a second after MSG_QUIT_APP; in
        // that second this program's own uninstaller is started. Its step
        // never reports.
        stepJob.reset();
        stepTask = 0;
        CDetachedTask::Run(job, CDetachedTask::kNoMessage, [uninstaller](StepJob& own) {
            CBPNotifyCentor::instance()->SendMsg(MSG_QUIT_APP, 0, nullptr, 0);
            if (uninstaller != nullptr) uninstaller->StartOwnUninstaller(own.program);
        });
        return;
    }
    stepJob = job;
    stepTask = CDetachedTask::Run(job, MSG_UNINSTALL_STEP_DONE,
                                  [uninstaller](StepJob& step) { RunCurrentUninstaller(uninstaller, step); });
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
    if (loadingFrames.empty())
        for (int frame = 0; frame < kAnimationFrames; ++frame)
            loadingFrames.emplace_back(QStringLiteral("./Resources/loading/loading_%1.png").arg(frame));
    if (animationLabel != nullptr) {
        animationLabel->setPixmap(loadingFrames[0]);
        animationLabel->show();
    }
    if (rowStatusLabel != nullptr) {
        rowStatusLabel->setText(tr("uninstallling"));
        rowStatusLabel->show();
    }
}

void CUninstallRun::onTimeout() {
    if (state.animationFrame > kAnimationFrames - 1) state.animationFrame = 0;
    if (animationLabel != nullptr && static_cast<size_t>(state.animationFrame) < loadingFrames.size())
        animationLabel->setPixmap(loadingFrames[static_cast<size_t>(state.animationFrame)]);
    ++state.animationFrame;
}

// On the worker: writes only into its own job.
void CUninstallRun::RunCurrentUninstaller(CUninstallService* uninstaller, StepJob& job) {
    if (uninstaller != nullptr) {
        job.report = uninstaller->Uninstall(job.program, job.removeLeftovers, [&](CUninstallStep::Phase phase) {
            if (phase != CUninstallStep::Phase::RemovingLeftovers) return;
            job.deepClean = true;
            CBPNotifyCentor::instance()->SendMsg(MSG_DEEP_CLEAN_STARTED, 0, nullptr, 0);
        });
    } else {
        job.report.outcome = UninstallStepReport::Outcome::BackendFailed;
        job.report.reason = QStringLiteral("the target machine could not be reached");
    }
    if (job.report.outcome == UninstallStepReport::Outcome::BackendFailed) {
        const QByteArray reason = job.report.reason.toUtf8();
        char line[2 * InstalledProgram::kTextSize + 160];
        std::snprintf(line, sizeof line, "uninstall of %.259s: %s.\n", job.program.displayName,
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
        if (state.active && stepJob && stepJob->deepClean && rowStatusLabel != nullptr)
            rowStatusLabel->setText(tr("Deep Clean..."));
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
        if (index >= 0) state.freedBytes += programs[static_cast<size_t>(index)].sizeBytes;
    } else if (index >= 0) {
        state.notRemovedNames << texts[static_cast<size_t>(index)].name;
    }
}

void CUninstallRun::AdvanceUninstallRun() {
    const std::shared_ptr<StepJob> job = std::move(stepJob);
    stepJob.reset();
    stepTask = 0;
    delete animationTimer;
    animationTimer = nullptr;
    const UninstallStepReport& report = job->report;
    SetRowOutcome(state.currentRow, report.removed, report.reason);
    animationLabel = nullptr;
    rowStatusLabel = nullptr;

    CUninstallService* uninstaller = CUIPublic::instance()->GetUninstallService();
    if (report.outcome == UninstallStepReport::Outcome::BackendFailed &&
        (uninstaller == nullptr || uninstaller->TargetLost())) {
        // Without the target machine the programs still queued cannot be
        // removed either: they are reported as they are.
        while (static_cast<size_t>(state.queuePos) < state.uninstallQueue.size())
            SetRowOutcome(state.uninstallQueue[static_cast<size_t>(state.queuePos++)], false, report.reason);
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
    // The rows are released before the dialog: closing it reads the list
    // again, which may happen while it is still on its way out.
    state.active = false;
    emit Ended();

    // Only what was removed counts, and only its size is freed.
    CUIPublic::instance()->SetTotalSize(state.freedBytes);
    CUninstallRstDlg dialog(CUIPublic::instance()->GetMainWindow());
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog.SetResult(state.removedCount, 0);
    dialog.SetNotRemoved(state.notRemovedNames);
    dialog.Build();
    dialog.exec();
}
