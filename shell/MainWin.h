#pragma once

#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "app/WinFrm.h"
#include "widgetlib/DetachedTask.h"

class CBlurDlg;
class CInventoryService;
class CRightContent;
class CUninstallerCore;
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

    // What moving to another Wine prefix needs from the entry point.
    struct PrefixSwitch {
        // The backend of a prefix.
        std::function<PlatformFactory(const QString& prefix)> backend;
        // Claims the prefix for this window as well; false when another
        // window holds it (that one has been raised).
        std::function<bool(const QString& prefix)> claim;
        // Keeps only the claim of the prefix the window manages now.
        std::function<void(const QString& prefix)> keepOnly;
    };
    // Shows the title bar's prefix button, which offers the prefixes found
    // for the user (CPrefixFinder) and switches to the one chosen.
    void EnablePrefixSwitch(PrefixSwitch prefixSwitch);

    // Reads the programs of `prefix` through a new backend, behind the busy
    // dialog, and shows them in place of the current list; the title bar,
    // About and the remembered choice ("Main"/"Prefix" in userconfig) follow.
    // Nothing changes, and false is returned, during an uninstall run or a
    // refresh, when another window manages the prefix, or when its programs
    // cannot be read (a message box says why).
    bool SwitchPrefix(const QString& prefix);

    int ReceiveMsg(__MsgData msg) override;

    // Why the target machine could not be read; empty when all went well.
    // Asked again right before the window is shown, it also reports a
    // backend that died after the list was read. The entry point shows it
    // and ends the program.
    QString StartupError() const;

    CRightContent* RightContent() const { return rightContent; }
    CBlurDlg* BlurOverlay() const { return blurDlg; }

    // "Main"/"WinSize" of the settings, or a size that fits the program
    // list when the value is missing or unusable. The window starts at it,
    // or at the minimum size when it is smaller.
    static QSize ConfiguredWindowSize();
    static constexpr int kFallbackWidth = 960;
    static constexpr int kFallbackHeight = 640;
    static constexpr int kMinimumWidth = 960;
    static constexpr int kMinimumHeight = 640;

public slots:
    // The title bar's menu button: the main menu, for as long as it is open.
    void OpenMainMenu();
    // The title bar's prefix button: the prefixes, for as long as it is open.
    void OpenPrefixMenu();

protected:
    bool event(QEvent* event) override;
    // During an uninstall run or a refresh the page decides (CEnumProgramPage::MayClose).
    void closeEvent(QCloseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    struct StartupHandOver;
    static void StartupThread(const PlatformFactory& factory, StartupHandOver& handOver);
    // Starts reading the target on the start-up thread; inventoryReady
    // turns true when it is done.
    void StartLoading(PlatformFactory factory);
    // Takes what the start-up thread read and builds the body on it.
    void ShowTarget();
    // Whether the list is in an uninstall run or being read again: the
    // prefix may not change then.
    bool ListBusy() const;

    // What the start-up thread fills before its task's MSG_INVENTORY_READY;
    // shared, so that the thread never touches the window, which may be
    // gone by the time it ends.
    std::shared_ptr<StartupHandOver> handOver;
    CDetachedTask::Number startupTask = 0;
    bool inventoryReady = false;
    std::unique_ptr<platform::IPlatform> targetPlatform;
    std::unique_ptr<CUninstallerCore> core;
    std::unique_ptr<CInventoryService> inventoryService;
    PrefixSwitch prefixSwitch;

    QHBoxLayout* contentLayout = nullptr;
    CRightContent* rightContent = nullptr;
    CBlurDlg* blurDlg = nullptr;
};
