#include "widgetlib/DetachedTask.h"

#include <condition_variable>
#include <cstring>
#include <mutex>

#include "widgetlib/BPNotifyCentor.h"

namespace {

struct Tasks {
    std::mutex mutex;
    std::condition_variable none;
    CDetachedTask::Number last = 0;
    int running = 0;
};

Tasks& TheTasks() {
    // Never destroyed: a task may end after main() has returned.
    static Tasks* const tasks = new Tasks;
    return *tasks;
}

} // namespace

CDetachedTask::Number CDetachedTask::Begin() {
    Tasks& tasks = TheTasks();
    std::lock_guard<std::mutex> lock(tasks.mutex);
    ++tasks.running;
    return ++tasks.last;
}

void CDetachedTask::End(uint32_t doneMsg, Number number) {
    if (doneMsg != kNoMessage) CBPNotifyCentor::instance()->SendMsg(doneMsg, 0, &number, sizeof number);
    Tasks& tasks = TheTasks();
    std::lock_guard<std::mutex> lock(tasks.mutex);
    if (--tasks.running == 0) tasks.none.notify_all();
}

void CDetachedTask::WaitUntilNoneRuns() {
    Tasks& tasks = TheTasks();
    std::unique_lock<std::mutex> lock(tasks.mutex);
    tasks.none.wait(lock, [&tasks] { return tasks.running == 0; });
}

bool CDetachedTask::IsDoneMsgOf(const __MsgData& msg, Number number) {
    if (number == 0 || msg.payload == nullptr || msg.payloadSize != sizeof(Number)) return false;
    Number sent = 0;
    std::memcpy(&sent, msg.payload, sizeof sent);
    return sent == number;
}
