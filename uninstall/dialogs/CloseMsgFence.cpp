#include "uninstall/dialogs/CloseMsgFence.h"

#include <atomic>

#include "include/MsgIds.h"

namespace {
std::atomic<uint32_t> lastToken{0};
} // namespace

CCloseMsgFence::CCloseMsgFence() : token(++lastToken) {
    RegisterMsg(MSG_CLOSE_FENCE);
    // Every fence hears every marker; the token says whose it is.
    if (NotifyCentor() != nullptr) NotifyCentor()->SendMsg(MSG_CLOSE_FENCE, token, nullptr, 0);
}

int CCloseMsgFence::ReceiveMsg(__MsgData msg) {
    if (msg.id == MSG_CLOSE_FENCE && msg.param == token) {
        passed = true;
        UnRegisterMsg(MSG_CLOSE_FENCE);
    }
    return 0;
}
