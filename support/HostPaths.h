#pragma once

#include <QString>

// Where this program's own files are on the machine it runs on, for the core
// (settings files, the log) and the command-line program alike. The
// graphical program reaches them through CHostServices.

// The folder of the running executable, without a trailing separator. Known
// before (and without) an application object.
QString ExecutableDirectory();

// The folder of the diagnostic log: on Windows beside the executable;
// elsewhere $XDG_STATE_HOME/tolvanire-uninstaller, or
// ~/.local/state/tolvanire-uninstaller when XDG_STATE_HOME is not set (or
// not absolute, which the base directory specification says to ignore).
QString DefaultLogFolder();
