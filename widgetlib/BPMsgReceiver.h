#pragma once

#include <cstdint>

#include "widgetlib/INotifyCentor.h"
#include "widgetlib/MsgData.h"

// Second base of every class that takes part in messaging. A receiver is
// attached to the process-wide centre from its construction; it registers the
// ids it handles (usually in its constructor) and overrides ReceiveMsg, which
// the centre calls on the GUI thread. Destroying a receiver unregisters it, so
// messages still queued for it are never handed to it.
class CBPMsgReceiver {
public:
    CBPMsgReceiver();
    CBPMsgReceiver(INotifyCentor* centre, uint32_t id);
    virtual ~CBPMsgReceiver();

    virtual void SetNotifyCentor(INotifyCentor* centre);
    virtual void RegisterMsg(uint32_t id);
    virtual void UnRegisterMsg(uint32_t id);
    virtual void RegisterSig(uint32_t id);
    virtual void UnRegisterSig(uint32_t id);
    // Handlers return 0 and ignore ids they do not handle.
    virtual int ReceiveMsg(__MsgData msg);
    virtual int ReceiveSig(__MsgData msg);

    INotifyCentor* NotifyCentor() const { return notifyCentre; }

    // Registration is tied to the object's address.
    CBPMsgReceiver(const CBPMsgReceiver&) = delete;
    CBPMsgReceiver& operator=(const CBPMsgReceiver&) = delete;

private:
    INotifyCentor* notifyCentre = nullptr;
};
