// A manual look at the main menu, the About dialog and the update check's
// dialogs (not a test): update_demo VIEW, run in the folder that holds
// Resources/. VIEW: menu, about, check, failed, uptodate, newplain,
// newdetails. The update pages ask the servers named in the settings beside
// this program; "newdetails" needs one that serves a description.
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFont>
#include <QTimer>
#include <QWidget>

#include "shell/AboutDlg.h"
#include "shell/CommonMenu.h"
#include "update/CheckUpdate.h"
#include "update/UpdateRstDlg.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QFile styleFile(QStringLiteral("./QSS/WU.qss"));
    if (styleFile.open(QIODevice::ReadOnly)) app.setStyleSheet(QString::fromUtf8(styleFile.readAll()));
    QFont::insertSubstitutions(QStringLiteral("Segoe UI"),
                               {QStringLiteral("Open Sans"), QStringLiteral("DejaVu Sans")});
    QApplication::setFont(QFont(QStringLiteral("Segoe UI")));
    const QString view = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("menu");

    // A dark backdrop where the main window would be.
    QWidget backdrop;
    QPalette dark = backdrop.palette();
    dark.setColor(QPalette::Window, QColor(26, 29, 44));
    backdrop.setPalette(dark);
    backdrop.setAutoFillBackground(true);
    backdrop.setGeometry(0, 0, 1000, 700);
    backdrop.show();

    if (view == QLatin1String("menu")) {
        QCursor::setPos(200, 150);
        CCommonMenu menu(&backdrop);
        menu.ShowMainMenu();
        return 0;
    }
    if (view == QLatin1String("about")) {
        CAboutDlg about(&backdrop);
        about.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        about.BuildContent();
        return about.exec();
    }
    if (view == QLatin1String("check")) {
        CheckUpdate check(&backdrop);
        check.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        check.StartCheck();
        return check.exec();
    }
    CUpdateRstDlg result(542, 372, &backdrop);
    result.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    if (view == QLatin1String("failed"))
        result.ShowResult(CheckUpdate::FailureText(), 1, 0);
    else if (view == QLatin1String("uptodate"))
        result.ShowResult(CheckUpdate::UpToDateText(), 0, 0);
    else
        result.ShowResult(QString(), 0, 1);
    return result.exec();
}
