#pragma once

#include <QString>
#include <QStringList>

// The command line of the graphical program, read before any window (and
// before a display is needed): --help and --version print and end the
// program with 0, a bad command line prints the error and the usage and ends
// it with 2. Qt's own options (-platform, -style, ...) are left to Qt.
class CStartupOptions {
public:
    enum Action { Run, PrintHelp, PrintVersion, UsageError };

    // `arguments` as the process got them, the program's name first.
    static CStartupOptions Parse(const QStringList& arguments);

    // The usage text, ending with a line break.
    static QString Usage();
    // "tolvanire-uninstaller 3.2", ending with a line break.
    static QString VersionText();

    Action action = Run;
    QString prefix; // the value of --prefix; empty when not given
    QString error;  // for UsageError
};
