#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

#include "inventory/ProgramRecord.h"

class QWidget;
class CInventoryService;
class CUninstallerCore;

// The process-wide object that windows share: the main window, the core
// face, the program list read at start-up, the byte total handed from
// the program page to the result dialog, the Windows-10 flag and the
// settings reader. Built on the GUI thread before any worker starts;
// afterwards workers read the core and the list without a lock, which
// is safe because the GUI thread sets them only before it starts a worker.
class CUIPublic {
public:
    static CUIPublic* instance();

    CUIPublic(const CUIPublic&) = delete;
    CUIPublic& operator=(const CUIPublic&) = delete;

    void SetMainWindow(QWidget* window) { mainWindow = window; }
    QWidget* GetMainWindow() const { return mainWindow; }

    // The window's way to the target machine's programs (records, refresh,
    // the uninstall run); null until the backend has started.
    void SetCore(CUninstallerCore* uninstallerCore) { core = uninstallerCore; }
    CUninstallerCore* GetCore() const { return core; }

    // The program page's icons and install times; null until the backend
    // has started.
    void SetInventoryService(CInventoryService* inventoryService) { service = inventoryService; }
    CInventoryService* GetInventoryService() const { return service; }

    void SetPrograms(std::vector<ProgramRecord> list) { programs = std::move(list); }
    std::vector<ProgramRecord> GetPrograms() const { return programs; }

    void SetTotalSize(uint64_t bytes) { totalSize = bytes; }
    uint64_t GetTotalSize() const { return totalSize; }

    // What the program manages, for the title bar and the About dialog: the
    // Wine prefix's folder; empty on Windows, where it is the machine itself.
    void SetTargetName(const QString& name) { targetName = name; }
    QString TargetName() const { return targetName; }

    void SetWindows10(bool on) { windows10 = on; }
    bool IsWindows10() const { return windows10; }

    // Sets the Windows-10 flag from the host (major file version of
    // "kernel32.dll" 10 or more); elsewhere the flag stays cleared.
    void ProbeWindowsVersion();

    // Opens the help page named by "URL"/"ID_LINK_HELP" with OpenLink;
    // nothing happens when no link is configured.
    void OpenHelpLink();

    // Hands a web address to the browser. Where none can be opened, a
    // message box shows the address, where it can be selected and copied.
    // An empty address opens nothing.
    void OpenLink(const QString& url);

    // Looks the value up in "userconfig", then in "uiconfig", both beside the
    // executable (installed on Linux: "userconfig" in the user's settings
    // folder, "uiconfig" in the data folder; support/HostPaths.h). The file
    // name is accepted for the callers' sake and ignored: the order is
    // always the same. False when neither has it.
    bool ReadSetting(const QString& section, const QString& key, QVariant& value,
                     const QString& fileName = QStringLiteral("uiconfig")) const;

    // Stores the value in "userconfig" (the user's file, made when missing);
    // false when it could not be written.
    bool WriteUserSetting(const QString& section, const QString& key, const QVariant& value) const;

    // One file's step of ReadSetting.
    static bool ReadIniValue(const QString& section, const QString& key, QVariant& value, const QString& fileName);

private:
    CUIPublic() = default;

    QWidget* mainWindow = nullptr;
    CUninstallerCore* core = nullptr;
    CInventoryService* service = nullptr;
    std::vector<ProgramRecord> programs;
    uint64_t totalSize = 0;
    bool windows10 = false;
    QString targetName;
};
