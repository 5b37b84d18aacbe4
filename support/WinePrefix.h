#pragma once

#include <QString>

// Which Wine prefix the program manages, decided in one place for the
// window and the command line: the folder given with --prefix, else
// $WINEPREFIX, else the prefix the window last switched to when it is still
// one, else ~/.wine, that one only when it is there. A relative
// folder is taken from the working directory, as the user typed it. Nothing
// is ever created: a folder that does not exist, or one that is not a Wine
// prefix (it has no system.reg), is an error that says so.
class CWinePrefix {
public:
    struct Choice {
        QString path;  // absolute, no trailing separator; empty on error and on Windows
        QString error; // a sentence for the user; empty when the choice may be used
    };

    // `option`: the value of --prefix; `environment`: the value of
    // WINEPREFIX; either empty when not given. `home`: the user's home
    // folder; `workingFolder`: where a relative folder starts;
    // `remembered`: the window's last choice (absolute), passed over in
    // silence when it is no prefix any more.
    static Choice Choose(const QString& option, const QString& environment, const QString& home,
                         const QString& workingFolder, const QString& remembered = QString());

    // The same from this process's environment and working directory. On
    // Windows the program manages the machine itself: no prefix, no error.
    static Choice ForThisProcess(const QString& option, const QString& remembered = QString());

    // Whether `folder` holds a Wine prefix: its system.reg is a file.
    static bool IsPrefix(const QString& folder);

    // Whether two prefix folders are one: compared as paths (trailing and
    // doubled separators do not count, ~/.wine is not ~/.wine2), or by their
    // real folder when both exist. A relative folder is never the same.
    static bool SamePrefix(const QString& a, const QString& b);

    // A short name of a prefix folder that stays the same for the folder
    // (a hash of its real path, so that two names of one folder meet):
    // 16 hexadecimal digits.
    static QString Id(const QString& prefix);
};
