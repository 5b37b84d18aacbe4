#include "widgetlib/BPMsgReceiver.h"

#include "widgetlib/BPNotifyCentor.h"

CBPMsgReceiver::CBPMsgReceiver() : m_centre(CBPNotifyCentor::instance()) {}

CBPMsgReceiver::CBPMsgReceiver(INotifyCentor* centre, uint32_t id) : m_centre(centre) {
    if (m_centre != nullptr) m_centre->AddMsgReceiver(this, id);
}

CBPMsgReceiver::~CBPMsgReceiver() {
    if (m_centre != nullptr) m_centre->RemoveReceiver(this);
}

void CBPMsgReceiver::SetNotifyCentor(INotifyCentor* centre) {
    if (centre == m_centre) return;
    // Ids registered with another centre would never be delivered again.
    if (m_centre != nullptr) m_centre->RemoveReceiver(this);
    m_centre = centre;
}

void CBPMsgReceiver::RegisterMsg(uint32_t id) {
    if (m_centre != nullptr) m_centre->AddMsgReceiver(this, id);
}

void CBPMsgReceiver::UnRegisterMsg(uint32_t id) {
    if (m_centre != nullptr) m_centre->RemoveMsgReceiver(this, id);
}

void CBPMsgReceiver::RegisterSig(uint32_t id) {
    if (m_centre != nullptr) m_centre->AddSigReceiver(this, id);
}

void CBPMsgReceiver::UnRegisterSig(uint32_t id) {
    if (m_centre != nullptr) m_centre->RemoveSigReceiver(this, id);
}

int CBPMsgReceiver::ReceiveMsg(__MsgData) {
    return 0;
}

int CBPMsgReceiver::ReceiveSig(__MsgData) {
    return 0;
}
