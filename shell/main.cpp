// Entry point of the graphical program.
#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>

#include "app/MSGDlg.h"
#include "app/UIPublic.h"
#include "platform/Platform.h"
#include "shell/MainWin.h"
#include "shell/ProgramLook.h"
#include "shell/ProgramRun.h"
#include "shell/SingleInstance.h"
#include "shell/StartupOptions.h"
#include "shell/TestHooks.h"
#include "support/WinePrefix.h"

namespace {

int ShowMessage(int kind, const QString& text) {
    CMSGDlg box(434, 240, nullptr);
    box.setWindowTitle(QStringLiteral("Tolvanire Uninstaller"));
    box.SetContent(kind, text, CMSGDlg::BtnModeOK);
    return box.exec();
}

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char* argv[]) {
    // Read before the application object: printing the help needs no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CStartupOptions startup = CStartupOptions::Parse(arguments);
    switch (startup.action) {
    case CStartupOptions::PrintHelp:
        Print(stdout, CStartupOptions::Usage());
        return 0;
    case CStartupOptions::PrintVersion:
        Print(stdout, CStartupOptions::VersionText());
        return 0;
    case CStartupOptions::UsageError:
        Print(stderr, QStringLiteral("tolvanire-uninstaller: %1\n\n").arg(startup.error) + CStartupOptions::Usage());
        return 2;
    case CStartupOptions::Run:
        break;
    }

    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    // Icons and pictures then take the "@2x" files on high-DPI screens.
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    auto app = std::make_unique<QApplication>(argc, argv);
    CProgramLook::Apply(*app);
    CTestHooks::StartAutoClose();

    CSingleInstance instance(CTestHooks::InstanceKey());
    if (!instance.Check()) {
        ShowMessage(CMSGDlg::MsgKindWarning, QStringLiteral("Tolvanire Uninstaller has been running!"));
        return 0;
    }

    // Nothing is created: without a prefix to manage the program says so
    // and ends.
    const CWinePrefix::Choice prefix = CWinePrefix::ForThisProcess(startup.prefix);
    if (!prefix.error.isEmpty()) {
        ShowStartFailure(prefix.error);
        return 1;
    }
    CUIPublic::instance()->SetTargetName(prefix.path);

    platform::PlatformOptions options;
    options.winePrefix = prefix.path.toStdString();
    const int result = RunMainWindow(
        CTestHooks::HoldSplash([options](std::string* error) { return platform::CreatePlatform(options, error); }),
        [&instance](CMainWin* window) {
            instance.SetWindow(window);
            CTestHooks::WindowShown(window);
        });
    app.reset();
    return result;
}
