#pragma once

#include "widgetlib/BPMsgReceiver.h"
#include "widgetlib/BPQtWidget.h"

class QVBoxLayout;

// The main window's body: the page container. Holds the program list page
// once that exists; until then it is an empty, transparent body.
class CRightContent : public CBPQtWidget, public CBPMsgReceiver {
    Q_OBJECT
public:
    CRightContent();

    QVBoxLayout* ContentLayout() const { return layout; }

private:
    QVBoxLayout* layout = nullptr;
};
