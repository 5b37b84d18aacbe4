#include "widgetlib/BPNotifyCentor.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>

#include "widgetlib/BPMsgReceiver.h"
#include "widgetlib/MsgData.h"

CBPNotifyCentor* CBPNotifyCentor::instance() {
    // Never destroyed: receivers that outlive main() (statics) still
    // unregister from a living centre.
    static CBPNotifyCentor* const centre = new CBPNotifyCentor;
    return centre;
}

int CBPNotifyCentor::SendMsg(uint32_t id, uint32_t param, const void* payload, uint32_t payloadSize) {
    return Enqueue(ChannelMsg, id, param, payload, payloadSize);
}

int CBPNotifyCentor::SendSig(uint32_t id, uint32_t param, const void* payload, uint32_t payloadSize) {
    return Enqueue(ChannelSig, id, param, payload, payloadSize);
}

int CBPNotifyCentor::Enqueue(Channel channel, uint32_t id, uint32_t param, const void* payload, uint32_t payloadSize) {
    Pending message;
    message.key = Key(channel, id);
    message.param = param;
    // The sender's bytes usually live on its stack: copy them now.
    if (payload != nullptr && payloadSize > 0) {
        const auto* bytes = static_cast<const unsigned char*>(payload);
        message.payload.assign(bytes, bytes + payloadSize);
    }

    std::lock_guard<std::mutex> guard(lock);
    queue.push_back(std::move(message));
    if (!deliveryPosted) deliveryPosted = PostDeliveryLocked();
    return 0;
}

bool CBPNotifyCentor::PostDeliveryLocked() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return false;
    // A functor with the application as context runs on the GUI thread. It
    // is made under the lock and holds nothing, and the GUI thread takes the
    // lock before it touches anything a sender wrote: the sender's writes
    // are ordered before the delivery by the lock itself, not only by the
    // event queue's own locking (which a thread checker cannot see into).
    return QMetaObject::invokeMethod(
        app, [] { instance()->DeliverOne(); }, Qt::QueuedConnection);
}

void CBPNotifyCentor::DeliverOne() {
    CBPMsgReceiver* target = nullptr;
    __MsgData data;
    std::vector<unsigned char> copy;
    bool isSig = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        deliveryPosted = false;
        while (!queue.empty() && target == nullptr) {
            Pending& front = queue.front();
            if (!front.resolved) {
                const auto it = receivers.find(front.key);
                if (it != receivers.end()) front.targets.assign(it->second.begin(), it->second.end());
                front.resolved = true;
            }
            if (front.targets.empty()) {
                queue.pop_front(); // nobody (left) to hand it to
                continue;
            }
            CBPMsgReceiver* next = front.targets.front();
            front.targets.pop_front();
            if (!IsRegisteredLocked(front.key, next)) continue; // destroyed or unregistered since the send
            target = next;
            copy = front.payload; // each receiver gets its own bytes
            data.id = static_cast<uint32_t>(front.key & 0xFFFFFFFFu);
            data.param = front.param;
            data.payloadSize = static_cast<uint32_t>(copy.size());
            data.payload = copy.empty() ? nullptr : copy.data();
            isSig = (front.key >> 32) == ChannelSig;
            if (front.targets.empty()) queue.pop_front();
        }
        // One delivery per event: a handler that runs a modal dialog spins a
        // nested event loop, and the rest of the queue must flow inside it.
        if (!queue.empty() && !deliveryPosted) deliveryPosted = PostDeliveryLocked();
    }
    if (target == nullptr) return;
    if (isSig) {
        target->ReceiveSig(data);
    } else {
        target->ReceiveMsg(data);
    }
}

bool CBPNotifyCentor::IsRegisteredLocked(uint64_t key, CBPMsgReceiver* receiver) const {
    const auto it = receivers.find(key);
    return it != receivers.end() && std::find(it->second.begin(), it->second.end(), receiver) != it->second.end();
}

void CBPNotifyCentor::AddMsgReceiver(CBPMsgReceiver* receiver, uint32_t id) {
    Add(ChannelMsg, receiver, id);
}

void CBPNotifyCentor::RemoveMsgReceiver(CBPMsgReceiver* receiver, uint32_t id) {
    Remove(ChannelMsg, receiver, id);
}

void CBPNotifyCentor::AddSigReceiver(CBPMsgReceiver* receiver, uint32_t id) {
    Add(ChannelSig, receiver, id);
}

void CBPNotifyCentor::RemoveSigReceiver(CBPMsgReceiver* receiver, uint32_t id) {
    Remove(ChannelSig, receiver, id);
}

void CBPNotifyCentor::Add(Channel channel, CBPMsgReceiver* receiver, uint32_t id) {
    if (receiver == nullptr) return;
    std::lock_guard<std::mutex> guard(lock);
    auto& list = receivers[Key(channel, id)];
    if (std::find(list.begin(), list.end(), receiver) == list.end()) list.push_back(receiver);
}

void CBPNotifyCentor::Remove(Channel channel, CBPMsgReceiver* receiver, uint32_t id) {
    std::lock_guard<std::mutex> guard(lock);
    const auto it = receivers.find(Key(channel, id));
    if (it == receivers.end()) return;
    it->second.erase(std::remove(it->second.begin(), it->second.end(), receiver), it->second.end());
    if (it->second.empty()) receivers.erase(it);
}

void CBPNotifyCentor::RemoveReceiver(CBPMsgReceiver* receiver) {
    std::lock_guard<std::mutex> guard(lock);
    for (auto it = receivers.begin(); it != receivers.end();) {
        it->second.erase(std::remove(it->second.begin(), it->second.end(), receiver), it->second.end());
        it = it->second.empty() ? receivers.erase(it) : std::next(it);
    }
    // Deliveries already planned for it are dropped as well, so that an
    // object later built at the same address is not handed stale messages.
    for (Pending& pending : queue)
        pending.targets.erase(std::remove(pending.targets.begin(), pending.targets.end(), receiver),
                              pending.targets.end());
}

std::size_t CBPNotifyCentor::PendingCount() {
    std::lock_guard<std::mutex> guard(lock);
    return queue.size();
}
