#pragma once

#include "widgetlib/BPMsgReceiver.h"
#include "widgetlib/BPQtWidget.h"

class CRightTab;
class QVBoxLayout;

// The main window's body: the page container, holding the tab widget with
// the program list page.
class CRightContent : public CBPQtWidget, public CBPMsgReceiver {
    Q_OBJECT
public:
    CRightContent();

    QVBoxLayout* ContentLayout() const { return layout; }
    CRightTab* Tab() const { return tab; }

private:
    QVBoxLayout* layout = nullptr;
    CRightTab* tab = nullptr;
};
