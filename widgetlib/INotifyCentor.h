#pragma once

#include <cstdint>

class CBPMsgReceiver;

// The notification centre as senders and receivers see it. SendMsg stays the
// first operation: every sender relies on it.
class INotifyCentor {
public:
    // Queues a message for every receiver registered for `id`; callable from
    // any thread. The payload bytes are copied before the call returns.
    virtual int SendMsg(uint32_t id, uint32_t param, const void* payload, uint32_t payloadSize) = 0;
    // The same for the signal channel (ReceiveSig); nothing in the product
    // uses it, it is kept so that the receiver interface is complete.
    virtual int SendSig(uint32_t id, uint32_t param, const void* payload, uint32_t payloadSize) = 0;

    virtual void AddMsgReceiver(CBPMsgReceiver* receiver, uint32_t id) = 0;
    virtual void RemoveMsgReceiver(CBPMsgReceiver* receiver, uint32_t id) = 0;
    virtual void AddSigReceiver(CBPMsgReceiver* receiver, uint32_t id) = 0;
    virtual void RemoveSigReceiver(CBPMsgReceiver* receiver, uint32_t id) = 0;
    // Forgets the receiver for every id; called from its destructor.
    virtual void RemoveReceiver(CBPMsgReceiver* receiver) = 0;

protected:
    virtual ~INotifyCentor() = default;
};
