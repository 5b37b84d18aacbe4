#include "widgetlib/BPMsgReceiver.h"

#include "widgetlib/BPNotifyCentor.h"

CBPMsgReceiver::CBPMsgReceiver() : notifyCentre(CBPNotifyCentor::instance()) {}

CBPMsgReceiver::CBPMsgReceiver(INotifyCentor* centre, uint32_t id) : notifyCentre(centre) {
    if (notifyCentre != nullptr) notifyCentre->AddMsgReceiver(this, id);
}

CBPMsgReceiver::~CBPMsgReceiver() {
    if (notifyCentre != nullptr) notifyCentre->RemoveReceiver(this);
}

void CBPMsgReceiver::SetNotifyCentor(INotifyCentor* centre) {
    if (centre == notifyCentre) return;
    // Ids registered with another centre would never be delivered again.
    if (notifyCentre != nullptr) notifyCentre->RemoveReceiver(this);
    notifyCentre = centre;
}

void CBPMsgReceiver::RegisterMsg(uint32_t id) {
    if (notifyCentre != nullptr) notifyCentre->AddMsgReceiver(this, id);
}

void CBPMsgReceiver::UnRegisterMsg(uint32_t id) {
    if (notifyCentre != nullptr) notifyCentre->RemoveMsgReceiver(this, id);
}

void CBPMsgReceiver::RegisterSig(uint32_t id) {
    if (notifyCentre != nullptr) notifyCentre->AddSigReceiver(this, id);
}

void CBPMsgReceiver::UnRegisterSig(uint32_t id) {
    if (notifyCentre != nullptr) notifyCentre->RemoveSigReceiver(this, id);
}

int CBPMsgReceiver::ReceiveMsg(__MsgData) {
    return 0;
}

int CBPMsgReceiver::ReceiveSig(__MsgData) {
    return 0;
}
