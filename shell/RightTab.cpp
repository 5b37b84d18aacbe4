#include "shell/RightTab.h"

#include <QIcon>
#include <QKeyEvent>
#include <QTabBar>

#include "pages/EnumProgramPage.h"

CRightTab::CRightTab() : CBPQtTabWidget(nullptr) {
    programPage = new CEnumProgramPage(0);
    auto* host = new QWidget(nullptr, Qt::WindowFlags());
    host->setLayout(programPage);
    pageHosts[programPage->PageIndex()] = host;
    addTab(host, QIcon(), QString());
    tabBar()->hide();
    setDocumentMode(true);
}

void CRightTab::keyPressEvent(QKeyEvent* event) {
    // Not even Ctrl+Tab: the page never changes, and the key goes on to the
    // parent.
    event->ignore();
}

void CRightTab::paintEvent(QPaintEvent*) {}
