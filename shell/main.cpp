// Entry point of the graphical program.
#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <memory>
#include <string>

#include "app/MSGDlg.h"
#include "platform/Platform.h"
#include "shell/MainWin.h"
#include "shell/ProgramRun.h"
#include "shell/SingleInstance.h"
#include "shell/TestHooks.h"

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
    CTestHooks::StartAutoClose();

    CSingleInstance instance(CTestHooks::InstanceKey());
    if (!instance.Check()) {
        ShowMessage(CMSGDlg::MsgKindWarning, QStringLiteral("Tolvanire Uninstaller has been running!"));
        return 0;
    }

    platform::PlatformOptions options;
    options.winePrefix = PrefixArgument(app->arguments());
    const int result = RunMainWindow(
        CTestHooks::HoldSplash([options](std::string* error) { return platform::CreatePlatform(options, error); }),
        [&instance](CMainWin* window) {
            instance.SetWindow(window);
            CTestHooks::WindowShown(window);
        });
    styleFile.reset();
    app.reset();
    return result;
}
