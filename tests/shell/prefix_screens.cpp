// Screenshots of the title bar's prefix menu (not a test), on in-memory
// machines and a sandbox home with a prefix of each kind of place:
//   prefix_screens --out DIR
// Run in bin/ under an X server (Xvfb). Saves prefixbutton.png (the title
// bar with its drop-down), prefixmenu.png (the menu open) and switched.png
// (the list of the prefix chosen).
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/UIPublic.h"
#include "app/WindowTitle.h"
#include "shell/MainWin.h"
#include "shell/ProgramLook.h"
#include "support/HostPaths.h"
#include "tests/fake/MemoryPlatform.h"
#include "tests/pages/ScreenShot.h"

namespace {

CMainWin::PlatformFactory Machine(const QStringList& names) {
    return [names](std::string*) -> std::unique_ptr<platform::IPlatform> {
        auto machine = std::make_unique<MemoryPlatform>();
        for (const QString& name : names)
            machine->AddProgram(name.toStdString(), "Example Ltd.");
        return machine;
    };
}

void MakePrefix(const QString& folder, int programs) {
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/system.reg"));
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write("WINE REGISTRY Version 2\n");
    for (int i = 0; i < programs; ++i)
        file.write(QStringLiteral("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\P%1] 1\n"
                                  "\"DisplayName\"=\"P%1\"\n\"UninstallString\"=\"u.exe\"\n")
                       .arg(i)
                       .toUtf8());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CProgramLook::Apply(app);
    const QStringList args = app.arguments();
    const int out = args.indexOf(QStringLiteral("--out"));
    const QString outDir = out >= 0 ? args.value(out + 1) : QStringLiteral(".");
    const QString settings = UserSettingsDirectory() + QStringLiteral("/userconfig");
    const bool hadSettings = QFile::exists(settings);
    QTemporaryDir sandbox;
    const QString home = QDir(sandbox.path()).canonicalPath() + QStringLiteral("/home");
    qputenv("HOME", home.toUtf8());
    qunsetenv("WINEPREFIX");
    MakePrefix(home + QStringLiteral("/.wine"), 3);
    MakePrefix(home + QStringLiteral("/.local/share/wineprefixes/office"), 2);
    MakePrefix(home + QStringLiteral("/.local/share/bottles/bottles/Gaming"), 5);
    MakePrefix(home + QStringLiteral("/Games/diablo"), 1);
    MakePrefix(home + QStringLiteral("/.local/share/Steam/steamapps/compatdata/1091500/pfx"), 4);

    CUIPublic::instance()->SetTargetName(home + QStringLiteral("/.wine"));
    CMainWin window(Machine({QStringLiteral("Cafe Manager"), QStringLiteral("Notepad Plus"), QStringLiteral("Tea")}));
    CMainWin::PrefixSwitch prefixSwitch;
    prefixSwitch.backend = [](const QString&) {
        return Machine({QStringLiteral("Office Suite"), QStringLiteral("Spell Checker")});
    };
    window.EnablePrefixSwitch(prefixSwitch);
    window.setWindowTitle(QStringLiteral("Tolvanire Uninstaller"));
    window.move(20, 20);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    Shot(outDir, QStringLiteral("prefixbutton.png"));

    QTimer::singleShot(300, [&]() {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        QAction* office = menu->actions().value(1);
        menu->setActiveAction(office);
        Shot(outDir, QStringLiteral("prefixmenu.png"));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(office).center());
    });
    QTest::mouseClick(window.TitleBar()->PrefixButton(), Qt::LeftButton);
    Shot(outDir, QStringLiteral("switched.png"));

    // The switch remembered its prefix beside the program: forget it.
    if (hadSettings)
        QSettings(settings, QSettings::IniFormat).remove(QStringLiteral("Main/Prefix"));
    else
        QFile::remove(settings);
    return 0;
}
