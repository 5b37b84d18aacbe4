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
    // The entry point shows it and ends the program.
    QString StartupError() const { return startupError; }

    CRightContent* RightContent() const { return rightContent; }
    CBlurDlg* BlurOverlay() const { return blurDlg; }

    // "Main"/"WinSize" of the settings, or a size that fits the program
    // list when the value is missing or unusable.
    static QSize ConfiguredWindowSize();
    static constexpr int kFallbackWidth = 960;
    static constexpr int kFallbackHeight = 640;

protected:
    bool event(QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    static void StartupThread(CMainWin* window);

    PlatformFactory platformFactory;
    // Written by the start-up thread before it sends MSG_INVENTORY_READY,
    // read on the GUI thread only after that message.
    std::unique_ptr<platform::IPlatform> targetPlatform;
    std::unique_ptr<CAppEnum> appEnum;
    std::unique_ptr<CInventoryService> inventoryService;
    std::string platformError;

    QHBoxLayout* contentLayout = nullptr;
    CRightContent* rightContent = nullptr;
    CBlurDlg* blurDlg = nullptr;
    QString startupError;
};
