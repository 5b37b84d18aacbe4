#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include "cli/CliCommon.h"
#include "uninstall/UninstallerCore.h"

// The work of "tolvanire-uninstaller-cli uninstall" over the core face:
// finds the named programs, then uninstalls them one after another, with
// their leftovers when asked. Progress goes to the terminal while it waits
// (every `progressEveryMs` the processes it still waits for); a report per
// program follows (a table, or JSON on `out`, progress then on `err`).
class CCliUninstall {
public:
    struct Options {
        QStringList names;
        bool clean = false;
        bool json = false;
        bool quiet = false; // nobody answers: uninstallers run without their windows where they can
        // A program whose uninstaller is missing has its entry and
        // leftovers removed; without this such a program stops the run
        // before anything runs.
        bool forceMissing = false;
        int progressEveryMs = CUninstallerCore::kSlowWaitMs;
        CUninstallerCore::WaitTimes waitTimes;
    };

    CCliUninstall(CUninstallerCore& core, QTextStream& out, QTextStream& err);

    // Success when all were removed, Incomplete when some were not,
    // BackendFailed when the target machine or a wait failed (the run stops
    // there), UnknownName when a name names no installed program, and
    // UninstallerMissing when a program's uninstaller is missing and
    // forceMissing is not set (nothing is run then).
    cli::ExitCode Run(const Options& options);

private:
    CUninstallerCore& core;
    QTextStream& out;
    QTextStream& err;
};
