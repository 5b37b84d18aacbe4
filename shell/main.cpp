// Entry point of the graphical program.
#include <QApplication>
#include <QVariant>
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

    // Nothing is created: without a prefix to manage the program says so
    // and ends. The prefix the window last switched to is taken when neither
    // the command line nor the environment names one.
    QVariant remembered;
    CUIPublic::instance()->ReadSetting(QStringLiteral("Main"), QStringLiteral("Prefix"), remembered);
    const CWinePrefix::Choice prefix = CWinePrefix::ForThisProcess(startup.prefix, remembered.toString());
    if (!prefix.error.isEmpty()) {
        ShowStartFailure(prefix.error);
        return 1;
    }

    // One window per prefix: a second start for the same one raises it.
    const QString baseKey =
        CTestHooks::InstanceKey().isEmpty() ? CSingleInstance::InstanceKey() : CTestHooks::InstanceKey();
    CSingleInstance instance(CSingleInstance::KeyFor(baseKey, prefix.path));
    if (!instance.Check()) {
        ShowMessage(CMSGDlg::MsgKindWarning, QStringLiteral("Tolvanire Uninstaller has been running!"));
        return 0;
    }
    CUIPublic::instance()->SetTargetName(prefix.path);

    const auto backend = [](const QString& prefixPath) -> CMainWin::PlatformFactory {
        platform::PlatformOptions options;
        options.winePrefix = prefixPath.toStdString();
        return [options](std::string* error) { return platform::CreatePlatform(options, error); };
    };
    const int result = RunMainWindow(CTestHooks::HoldSplash(backend(prefix.path)), [&](CMainWin* window) {
        instance.SetWindow(window);
        // Windows manages the machine itself: there is no prefix to switch.
        if (!prefix.path.isEmpty()) {
            CMainWin::PrefixSwitch prefixSwitch;
            prefixSwitch.backend = backend;
            prefixSwitch.claim = [&instance, baseKey](const QString& other) {
                return instance.ClaimAlso(CSingleInstance::KeyFor(baseKey, other));
            };
            prefixSwitch.keepOnly = [&instance, baseKey](const QString& kept) {
                instance.KeepOnly(CSingleInstance::KeyFor(baseKey, kept));
            };
            window->EnablePrefixSwitch(prefixSwitch);
        }
        CTestHooks::WindowShown(window);
    });
    app.reset();
    return result;
}
