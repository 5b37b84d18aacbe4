#pragma once

#include <QString>

#include "uninstall/RestoreStore.h"

// Whether deep cleans write restore points, where the store lies, and its
// limits: the user's settings (section "Restore" of userconfig: Enabled,
// KeepDays, MaxSizeMiB), read in one place for the window and the command
// line.
struct RestoreSettings {
    bool enabled = true;
    QString folder;
    CRestoreStore::Limits limits;

    // For the prefix at `linuxPrefix` (empty on Windows): the store's folder
    // is RestoreDirectory's; a setting missing or out of range keeps its
    // default.
    static RestoreSettings ForThisUser(const QString& linuxPrefix);
};
