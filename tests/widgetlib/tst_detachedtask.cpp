// The detached-work helper: the work runs off the GUI thread, its done
// message reaches the receiver that waits for that task and no other, and a
// receiver destroyed while the work runs is never called while the job
// outlives it.

#include <QCoreApplication>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <future>
#include <memory>

#include "widgetlib/BPMsgReceiver.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/DetachedTask.h"

namespace {

constexpr uint32_t kDone = 0x7101;

struct Job {
    bool onGuiThread = true;
    int value = 0;
    std::shared_future<void> gate;
    std::atomic<bool>* destroyed = nullptr;
    ~Job() {
        if (destroyed != nullptr) *destroyed = true;
    }
};

// Waits for one task, the way the windows do.
class Waiter : public CBPMsgReceiver {
public:
    explicit Waiter(std::atomic<int>* calls = nullptr) : calls(calls) { RegisterMsg(kDone); }
    int ReceiveMsg(__MsgData msg) override {
        if (calls != nullptr) ++*calls;
        if (CDetachedTask::IsDoneMsgOf(msg, task)) {
            ++taken;
            value = job->value;
            workOffGuiThread = !job->onGuiThread;
        }
        return 0;
    }
    std::shared_ptr<Job> job = std::make_shared<Job>();
    CDetachedTask::Number task = 0;
    int taken = 0;
    int value = 0;
    bool workOffGuiThread = false;
    std::atomic<int>* calls = nullptr;
};

void Work(Job& job) {
    if (job.gate.valid()) job.gate.wait();
    job.onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    job.value = 42;
}

} // namespace

class DetachedTaskTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QTRY_COMPARE(CBPNotifyCentor::instance()->PendingCount(), std::size_t(0)); }

    void doneMessageReachesItsOwnReceiverOnly() {
        Waiter first;
        Waiter second;
        first.task = CDetachedTask::Run(first.job, kDone, Work);
        second.task = CDetachedTask::Run(second.job, kDone, Work);
        QVERIFY(first.task != 0 && second.task != first.task);
        QTRY_VERIFY(first.taken == 1 && second.taken == 1);
        QCOMPARE(first.value, 42);
        QVERIFY(first.workOffGuiThread);

        // Another sender's message under the same id, with or without a
        // payload, and a late one of a task nobody waits for any more.
        const uint32_t kind = 0;
        CBPNotifyCentor::instance()->SendMsg(kDone, 0, &kind, sizeof kind);
        CBPNotifyCentor::instance()->SendMsg(kDone, 0, nullptr, 0);
        const CDetachedTask::Number old = first.task;
        first.task = 0;
        CBPNotifyCentor::instance()->SendMsg(kDone, 0, &old, sizeof old);
        QTRY_COMPARE(CBPNotifyCentor::instance()->PendingCount(), std::size_t(0));
        QCOMPARE(first.taken, 1);
        QCOMPARE(second.taken, 1);
    }

    void receiverGoneBeforeTheEndIsNeverCalled() {
        std::promise<void> release;
        std::atomic<bool> jobDestroyed{false};
        std::atomic<int> calls{0};
        auto waiter = std::make_unique<Waiter>(&calls);
        waiter->job->gate = release.get_future().share();
        waiter->job->destroyed = &jobDestroyed;
        waiter->task = CDetachedTask::Run(waiter->job, kDone, Work);
        waiter.reset();
        // The work still has its job.
        QVERIFY(!jobDestroyed);
        release.set_value();
        QTRY_VERIFY(jobDestroyed);
        QTRY_COMPARE(CBPNotifyCentor::instance()->PendingCount(), std::size_t(0));
        QCOMPARE(calls.load(), 0);
    }
};

QTEST_MAIN(DetachedTaskTest)
#include "tst_detachedtask.moc"
