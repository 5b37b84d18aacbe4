#pragma once

#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "app/WinFrm.h"

class CAppEnum;
class CBlurDlg;
class CInventoryService;
class CRightContent;
class CUninstallService;
class QHBoxLayout;

namespace platform {
class IPlatform;
}

// The main window. Its constructor shows the splash and returns only once
// the installed programs have been read and the body has been built.
class CMainWin : public CWinFrm {
    Q_OBJECT
public:
    // Starts the backend for the target machine; null and `error` set when
    // it cannot start (no Wine, a broken prefix, ...).
    using PlatformFactory = std::function<std::unique_ptr<platform::IPlatform>(std::string* error)>;

    // The backend is started on the start-up thread, behind the splash: with
    // Wine that takes seconds.
    explicit CMainWin(PlatformFactory factory);
    ~CMainWin() override;

    int ReceiveMsg(__MsgData msg) override;

    // Why the target machine could not be read; empty when all went well.
    // Asked again right before the window is shown, it also reports a
    // backend that died after the list was read. The entry point shows it
    // and ends the program.
    QString StartupError() const;

    CRightContent* RightContent() const { return rightContent; }
    CBlurDlg* BlurOverlay() const { return blurDlg; }

    // "Main"/"WinSize" of the settings, or a size that fits the program
    // list when the value is missing or unusable.
    static QSize ConfiguredWindowSize();
    static constexpr int kFallbackWidth = 960;
    static constexpr int kFallbackHeight = 640;

public slots:
    // The title bar's menu button: the main menu, for as long as it is open.
    void OpenMainMenu();

protected:
    bool event(QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    struct StartupHandOver;
    static void StartupThread(PlatformFactory factory, std::shared_ptr<StartupHandOver> handOver);

    // What the start-up thread fills before it sends MSG_INVENTORY_READY
    // with the hand-over's address; shared, so that the thread never
    // touches the window, which may be gone by the time it ends.
    std::shared_ptr<StartupHandOver> handOver;
    bool inventoryReady = false;
    std::unique_ptr<platform::IPlatform> targetPlatform;
    std::unique_ptr<CAppEnum> appEnum;
    std::unique_ptr<CInventoryService> inventoryService;
    std::unique_ptr<CUninstallService> uninstallService;

    QHBoxLayout* contentLayout = nullptr;
    CRightContent* rightContent = nullptr;
    CBlurDlg* blurDlg = nullptr;
};
