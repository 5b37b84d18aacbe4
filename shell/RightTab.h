#pragma once

#include <map>

#include "widgetlib/BPQtTabWidget.h"

class CEnumProgramPage;
class QWidget;

// The page container's tab widget: one host widget per page, keyed by page
// index. There is one page, the program list, current from the start; the
// tab bar is hidden and the keyboard never changes the page.
class CRightTab : public CBPQtTabWidget {
    Q_OBJECT
public:
    CRightTab();

    CEnumProgramPage* ProgramPage() const { return programPage; }
    const std::map<int, QWidget*>& PageHosts() const { return pageHosts; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::map<int, QWidget*> pageHosts;
    CEnumProgramPage* programPage = nullptr;
};
