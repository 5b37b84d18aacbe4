// Manual look at the frames and dialogs (not a test):
//   dialogs_demo [folder holding Resources/]
// Shows a main frame, a message box over it, the busy dialog and the splash.

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QVBoxLayout>

#include "app/MSGDlg.h"
#include "app/RefreshDlg.h"
#include "app/StartDlg.h"
#include "app/WinFrm.h"
#include "widgetlib/BPQtLabel.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1) QDir::setCurrent(QString::fromLocal8Bit(argv[1]));
    QFont::insertSubstitution(QStringLiteral("Segoe UI"), QStringLiteral("Open Sans"));
    app.setFont(QFont(QStringLiteral("Segoe UI")));

    CWinFrm frame;
    frame.setFixedSize(1000, 640);
    frame.move(10, 10);
    auto* label = new CBPQtLabel(QStringLiteral("Body"), &frame);
    frame.BodyLayout()->addWidget(label);
    frame.BodyLayout()->addStretch();
    frame.show();

    CMSGDlg box(434, 240, &frame);
    box.SetContent(CMSGDlg::MsgKindWarning, QStringLiteral("Tolvanire Uninstaller has been running!"), 2);
    box.show();

    CMSGDlg yes(434, 240, &frame);
    yes.SetContent(CMSGDlg::MsgKindInfo, QStringLiteral("Remove the selected programs?"), 3);
    yes.move(40, 380);
    yes.show();

    CMSGDlg ok(434, 240, &frame);
    ok.SetContent(CMSGDlg::MsgKindSuccess, QStringLiteral("Done."), 1);
    ok.move(560, 380);
    ok.show();

    CRefreshDlg busy(&frame);
    busy.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    busy.BuildBusyView();
    busy.move(800, 60);
    busy.show();

    CStartDlg splash;
    splash.BuildSplash();
    splash.move(1050, 10);
    splash.show();
    return app.exec();
}
