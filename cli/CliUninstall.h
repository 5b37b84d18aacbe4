#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include "platform/Platform.h"
#include "uninstall/UninstallStep.h"

// The work of "tolvanire-uninstaller-cli uninstall" on an open target
// machine: finds the named programs, then runs each one's uninstaller and
// waits for all of it, checks whether the program is gone and, with
// `clean`, removes the leftovers of each removed program, one program after
// another. Progress goes to the terminal while it waits (every
// `progressEveryMs` the processes it still waits for); a report per program
// follows (a table, or JSON on `out`, progress then on `err`).
class CCliUninstall {
public:
    // Exit codes besides cli::ExitCode: a NAME that names no installed
    // program (nothing is run then).
    static constexpr int kExitUnknownName = 4;

    struct Options {
        QStringList names;
        bool clean = false;
        bool json = false;
        int progressEveryMs = CUninstallStep::kSlowWaitMs;
        CUninstallStep::WaitTimes waitTimes;
    };

    CCliUninstall(platform::IPlatform& platform, QTextStream& out, QTextStream& err);

    // The folder of this program as the target machine sees it; nothing in
    // it is removed as a leftover.
    void SetOwnFolder(const QString& folder) { ownFolder = folder; }

    // 0 all removed, 1 some not removed, 3 the target machine failed,
    // 4 an unknown name.
    int Run(const Options& options);

private:
    bool ReportBackendFailure();

    platform::IPlatform& platform;
    QTextStream& out;
    QTextStream& err;
    QString ownFolder;
};
