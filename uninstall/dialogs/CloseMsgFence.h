#pragma once

#include <cstdint>

#include "widgetlib/BPMsgReceiver.h"

// Tells a dialog whether a MSG_CLOSE_DLG it receives was sent after the
// dialog came into being. The notification centre matches a message to its
// receivers only when the message is delivered, so a close message still
// queued for an earlier dialog (a refresh's busy dialog, say) would close
// a dialog that opened after it was sent. On construction the fence sends
// a marker of its own; the centre delivers in send order, so every close
// message delivered before the marker was sent before the fence existed.
class CCloseMsgFence : public CBPMsgReceiver {
public:
    CCloseMsgFence();

    // True once the marker has come back: close messages count from then on.
    bool Passed() const { return passed; }

    int ReceiveMsg(__MsgData msg) override;

private:
    uint32_t token = 0;
    bool passed = false;
};
