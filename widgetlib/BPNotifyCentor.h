#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "widgetlib/INotifyCentor.h"

// The process-wide notification centre. Senders on any thread queue messages;
// the GUI thread (the thread of the QCoreApplication) hands them out one
// delivery at a time, in send order, each receiver with its own copy of the
// payload. The receivers of a message are looked up when it reaches the front
// of the queue, so a dialog that registers right after a worker sent its
// closing message still gets it. Before each single delivery the receiver is
// checked, under the lock, to be still registered: one destroyed or
// unregistered in the meantime is skipped, never called.
class CBPNotifyCentor final : public INotifyCentor {
public:
    static CBPNotifyCentor* instance();

    int SendMsg(uint32_t id, uint32_t param, const void* payload, uint32_t payloadSize) override;
    int SendSig(uint32_t id, uint32_t param, const void* payload, uint32_t payloadSize) override;

    void AddMsgReceiver(CBPMsgReceiver* receiver, uint32_t id) override;
    void RemoveMsgReceiver(CBPMsgReceiver* receiver, uint32_t id) override;
    void AddSigReceiver(CBPMsgReceiver* receiver, uint32_t id) override;
    void RemoveSigReceiver(CBPMsgReceiver* receiver, uint32_t id) override;
    void RemoveReceiver(CBPMsgReceiver* receiver) override;

    // Messages queued and not yet fully handed out.
    std::size_t PendingCount();

    CBPNotifyCentor(const CBPNotifyCentor&) = delete;
    CBPNotifyCentor& operator=(const CBPNotifyCentor&) = delete;

private:
    enum Channel : uint32_t { ChannelMsg = 0, ChannelSig = 1 };

    struct Pending {
        uint64_t key = 0;
        uint32_t param = 0;
        std::vector<unsigned char> payload;
        bool resolved = false;
        std::deque<CBPMsgReceiver*> targets;
    };

    CBPNotifyCentor() = default;
    ~CBPNotifyCentor() override = default;

    static uint64_t Key(Channel channel, uint32_t id) { return (uint64_t(channel) << 32) | id; }
    int Enqueue(Channel channel, uint32_t id, uint32_t param, const void* payload, uint32_t payloadSize);
    void Add(Channel channel, CBPMsgReceiver* receiver, uint32_t id);
    void Remove(Channel channel, CBPMsgReceiver* receiver, uint32_t id);
    bool IsRegisteredLocked(uint64_t key, CBPMsgReceiver* receiver) const;
    // Asks the GUI thread to run DeliverOne, with the lock held; false when
    // there is no application object yet (the message then waits for the
    // next send).
    bool PostDeliveryLocked();
    void DeliverOne();

    std::mutex lock;
    std::deque<Pending> queue;
    std::unordered_map<uint64_t, std::vector<CBPMsgReceiver*>> receivers;
    bool deliveryPosted = false;
};
