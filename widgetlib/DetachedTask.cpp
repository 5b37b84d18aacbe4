#include "widgetlib/DetachedTask.h"

#include <atomic>
#include <cstring>

#include "widgetlib/BPNotifyCentor.h"

CDetachedTask::Number CDetachedTask::NextNumber() {
    static std::atomic<Number> last{0};
    return ++last;
}

void CDetachedTask::SendDone(uint32_t doneMsg, Number number) {
    if (doneMsg == kNoMessage) return;
    CBPNotifyCentor::instance()->SendMsg(doneMsg, 0, &number, sizeof number);
}

bool CDetachedTask::IsDoneMsgOf(const __MsgData& msg, Number number) {
    if (number == 0 || msg.payload == nullptr || msg.payloadSize != sizeof(Number)) return false;
    Number sent = 0;
    std::memcpy(&sent, msg.payload, sizeof sent);
    return sent == number;
}
