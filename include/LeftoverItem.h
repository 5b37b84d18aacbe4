#pragma once

#include <QString>

enum LeftoverKind : int32_t {
    LeftoverFile = 0,
    LeftoverFolder = 1,
    LeftoverRegistry = 2,
    LeftoverMuiCacheValue = 3,
};

// One thing a removed program left behind.
struct LeftoverItem {
    QString displayText; // identifies the entry to a person
    QString target;      // absolute path, registry key path or MuiCache value name
    QString valueName;   // registry value name; empty for everything else
    int32_t kind = LeftoverFile;
};
