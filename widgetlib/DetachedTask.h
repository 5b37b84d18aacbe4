#pragma once

#include <cstdint>
#include <memory>
#include <thread>
#include <utility>

#include "widgetlib/MsgData.h"

// Runs work on a thread of its own and tells the GUI thread by message when
// it is done: the way every worker of the program (start-up, refresh, one
// program's uninstall step, update check) reports. The work is handed only
// its job, never a widget; the job is shared, so that it outlives whichever
// of worker and receiver ends last. The done message carries the task's
// number, unique for the whole process: its receiver keeps the number of the
// task it waits for and takes the message only when it matches
// (IsDoneMsgOf), so another sender's message or a late one of an abandoned
// task is never mistaken for it. The notification centre never hands the
// message to a receiver destroyed in the meantime. Nobody joins the thread.
class CDetachedTask {
public:
    using Number = uint64_t;
    // For a task whose end nobody waits for.
    static constexpr uint32_t kNoMessage = 0;

    template <typename Job, typename Work> static Number Run(std::shared_ptr<Job> job, uint32_t doneMsg, Work work) {
        const Number number = Begin();
        std::thread([job = std::move(job), doneMsg, work = std::move(work), number]() mutable {
            work(*job);
            End(doneMsg, number);
        }).detach();
        return number;
    }

    // Whether `msg` says that task `number` is done; 0 is never a task.
    static bool IsDoneMsgOf(const __MsgData& msg, Number number);

    // Blocks until no task's work is running any more: for the owner of
    // what the work uses (the core), before it destroys it.
    static void WaitUntilNoneRuns();

private:
    static Number Begin();
    static void End(uint32_t doneMsg, Number number);
};
