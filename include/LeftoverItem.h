#pragma once

#include <QString>

enum LeftoverKind : int32_t {
    LeftoverFile = 0,
    LeftoverFolder = 1,
    LeftoverRegistry = 2,
    LeftoverMuiCacheValue = 3,
    // A file Wine's menu builder wrote in the Linux home for one of the
    // program's shortcuts (menu entry, desktop launcher, .menu, .directory,
    // icon); its target is a Linux path.
    LeftoverLinuxDesktopFile = 4,
};

// Where a registry leftover was found; it is deleted there alone.
enum LeftoverHive : int32_t {
    LeftoverNoHive = 0,
    LeftoverLocalMachine = 1,
    LeftoverCurrentUser = 2,
};

// Why an item was taken for the program's.
enum LeftoverReason : int32_t {
    LeftoverInInstallFolder = 0,     // in its install folder, or (MuiCache) naming it
    LeftoverNamedAfterProgram = 1,   // in a folder, or a file, named after the program
    LeftoverNamedAfterPublisher = 2, // in <Publisher>\<Name>
    LeftoverUninstallEntry = 3,      // its uninstall key and the values in it
    LeftoverForShortcut = 4,         // Wine made it for a shortcut that is a leftover, or gone
};

// Why a place that looked like the program's was left alone.
enum LeftoverKeptReason : int32_t {
    KeptUndecided = 0,      // what it is, or whose, could not be told: it stays
    KeptClaimedByOther = 1, // another registered program claims it, or it holds what one claims
    KeptKnownFolder = 2,    // a known folder (the system's, a profile's, this program's own) or one holding one
    KeptBehindLink = 3,     // reached through a link, whose target is not the program's
    KeptOutsideMachine = 4, // it lies outside the machine's own disk (under Wine: the Linux side)
};

// A place the leftover collection left alone on purpose, and why.
struct SkippedLeftover {
    QString path;
    QString reason; // for a person
    int32_t because = KeptUndecided;
};

// One thing a removed program left behind.
struct LeftoverItem {
    QString displayText; // identifies the entry to a person
    QString target;      // absolute path, registry key path or MuiCache value name
    QString valueName;   // registry value name; empty for everything else
    int32_t kind = LeftoverFile;
    // For LeftoverRegistry: the hive and the registry view (32 or 64) it was
    // found in. The key path already names the view's key as the default
    // view reaches it (SOFTWARE\WOW6432Node\... for the 32-bit view).
    int32_t hive = LeftoverNoHive;
    int32_t view = 0;
    int32_t reason = LeftoverInInstallFolder;
    // The bytes a file or folder held, once a clean has stored it in a
    // restore point (which records each file it takes); -1 when not known.
    int64_t size = -1;
};

// A leftover as it is shown: a file's or folder's path (its target and
// display text) as Windows writes it, with backslashes. Other kinds stay as
// they are: a registry key name may hold a slash.
inline LeftoverItem AsWritten(LeftoverItem item) {
    if (item.kind == LeftoverFile || item.kind == LeftoverFolder) {
        item.target.replace(QLatin1Char('/'), QLatin1Char('\\'));
        item.displayText.replace(QLatin1Char('/'), QLatin1Char('\\'));
    }
    return item;
}
