#include "shell/ProgramRun.h"

#include <QApplication>
#include <QScreen>
#include <memory>

#include "app/MSGDlg.h"
#include "app/UIPublic.h"
#include "widgetlib/BPQtLabel.h"

int RunMainWindow(CMainWin::PlatformFactory factory, const std::function<void(CMainWin*)>& onShown) {
    auto window = std::make_unique<CMainWin>(std::move(factory));
    QString startupError = window->StartupError();
    if (!startupError.isEmpty()) {
        startupError[0] = startupError.at(0).toUpper();
        // Without the target machine there is nothing to show: say why and
        // end with a failure status.
        window.reset();
        const QSize size(600, 340);
        CMSGDlg box(size.width(), size.height(), nullptr);
        box.setWindowTitle(QStringLiteral("Tolvanire Uninstaller"));
        box.SetContent(
            CMSGDlg::MsgKindFailure,
            QStringLiteral("Tolvanire Uninstaller could not read the installed programs.\n\n%1").arg(startupError),
            CMSGDlg::BtnModeOK);
        // A backend's reason can be long: it wraps beside the 48-pixel picture.
        if (box.TextLabel() != nullptr) box.TextLabel()->setMaximumWidth(size.width() - 150);
        box.exec();
        return 1;
    }
    // Centred on the screen; a window manager may place it otherwise.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->winId();
    window->setWindowTitle(QStringLiteral("Tolvanire Uninstaller"));
    window->show();
    CUIPublic::instance()->SetMainWindow(window.get());
    if (onShown) onShown(window.get());
    return QApplication::exec();
}
