#pragma once

#include <QString>

// Where this program's own files are on the machine it runs on, for the core
// (settings files, the log) and the command-line program alike. On Windows
// and in the Linux build tree they lie beside the executable; a Linux
// program installed into a prefix keeps its read-only files under the
// prefix and the user's files in the user's folders (platform::CInstallLayout
// tells which). The working directory plays no part.

// The folder of the running executable, without a trailing separator. Known
// before (and without) an application object.
QString ExecutableDirectory();

// The folder of the files the program reads and never writes: Resources/,
// QSS/ and the shipped "uiconfig". Beside the executable, or, installed on
// Linux, <prefix>/share/tolvanire-uninstaller.
QString DataDirectory();

// The folder of "userconfig", the user's settings over "uiconfig". Beside
// the executable, or, installed on Linux, where the program folders belong
// to the system, $XDG_CONFIG_HOME/tolvanire-uninstaller
// (~/.config/tolvanire-uninstaller).
QString UserSettingsDirectory();

// The folder of the files the program fetches and keeps for itself (the
// update description "Upgrade.ini"). Beside the executable, or, installed
// on Linux, $XDG_CACHE_HOME/tolvanire-uninstaller (~/.cache/...). It may
// not exist yet.
QString CacheDirectory();

// The folder of the diagnostic log: on Windows beside the executable;
// elsewhere $XDG_STATE_HOME/tolvanire-uninstaller, or
// ~/.local/state/tolvanire-uninstaller when XDG_STATE_HOME is not set (or
// not absolute, which the base directory specification says to ignore).
QString DefaultLogFolder();

// The folder of the restore store: on Windows
// %LOCALAPPDATA%\Tolvanire Uninstaller\restore; elsewhere
// $XDG_DATA_HOME/tolvanire-uninstaller/restore/<prefix id> (CWinePrefix::Id
// of `linuxPrefix`), outside the prefix, so that a prefix deleted or made
// anew never takes a user's restore points with it. It may not exist yet.
QString RestoreDirectory(const QString& linuxPrefix);
