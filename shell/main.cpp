// Entry point of the graphical program.
#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QTimer>
#include <memory>
#include <string>

#include "app/MSGDlg.h"
#include "app/RefreshDlg.h"
#include "include/MsgIds.h"
#include "platform/Platform.h"
#include "shell/MainWin.h"
#include "shell/ProgramRun.h"
#include "shell/SingleInstance.h"
#include "widgetlib/BPNotifyCentor.h"

namespace {

const char kTitle[] = "Tolvanire Uninstaller";

int ShowMessage(int kind, const QString& text) {
    CMSGDlg box(434, 240, nullptr);
    box.setWindowTitle(QString::fromLatin1(kTitle));
    box.SetContent(kind, text, CMSGDlg::BtnModeOK);
    return box.exec();
}

// "Segoe UI" exists only on Windows; elsewhere (and under Wine) a humanist
// sans of similar metrics stands in, rather than Qt's serif fallback.
void SetApplicationFont() {
    const QString family = QStringLiteral("Segoe UI");
    if (!QFontDatabase().families().contains(family, Qt::CaseInsensitive))
        QFont::insertSubstitutions(
            family, {QStringLiteral("Open Sans"), QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans")});
    QFont font(family);
    QApplication::setFont(font);
}

// Closes every open dialog every `ms` milliseconds, by the same message the
// dialog title bars send: lets tests and screenshot runs pass a modal box.
void AutoCloseDialogs() {
    const int ms = qEnvironmentVariableIntValue("TOLVANIRE_AUTOCLOSE_DIALOGS_MS");
    if (ms <= 0) return;
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout,
                     []() { CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0); });
    timer->start(ms);
}

// For screenshots: opens one of the shared dialogs over the main window.
void ShowDemoDialog(QWidget* window) {
    const QString which = qEnvironmentVariable("TOLVANIRE_DEMO_DIALOG");
    if (which.isEmpty()) return;
    QTimer::singleShot(300, window, [window, which]() {
        if (which == QLatin1String("busy")) {
            CRefreshDlg busy(window);
            busy.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
            busy.BuildBusyView();
            busy.exec();
            return;
        }
        CMSGDlg box(434, 240, window);
        box.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        box.SetContent(CMSGDlg::MsgKindInfo, QStringLiteral("Remove the selected programs now?"),
                       CMSGDlg::BtnModeOKCancel);
        box.exec();
    });
}

std::string PrefixArgument(const QStringList& arguments) {
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--prefix") && i + 1 < arguments.size()) return arguments.at(i + 1).toStdString();
        if (argument.startsWith(QLatin1String("--prefix="))) return argument.mid(9).toStdString();
    }
    return std::string();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    // Icons and pictures then take the "@2x" files on high-DPI screens.
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    auto app = std::make_unique<QApplication>(argc, argv);

    auto styleFile = std::make_unique<QFile>(QStringLiteral("./QSS/WU.qss"));
    if (styleFile->open(QIODevice::ReadOnly)) app->setStyleSheet(QString::fromUtf8(styleFile->readAll()));
    SetApplicationFont();
    AutoCloseDialogs();

    CSingleInstance instance;
    if (!instance.Check()) {
        ShowMessage(CMSGDlg::MsgKindWarning, QStringLiteral("Tolvanire Uninstaller has been running!"));
        return 0;
    }

    platform::PlatformOptions options;
    options.winePrefix = PrefixArgument(app->arguments());
    const int result = RunMainWindow([options](std::string* error) { return platform::CreatePlatform(options, error); },
                                     [&instance](CMainWin* window) {
                                         instance.SetWindow(window);
                                         ShowDemoDialog(window);
                                         // Lets the Windows tests check what a crash of the real
                                         // program leaves.
                                         if (qEnvironmentVariableIsSet("TOLVANIRE_CRASH_AFTER_START"))
                                             QTimer::singleShot(1000, []() {
                                                 volatile int* volatile nowhere = nullptr;
                                                 *nowhere = 0;
                                             });
                                     });
    styleFile.reset();
    app.reset();
    return result;
}
