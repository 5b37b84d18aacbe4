#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "cli/CliCommon.h"

// The commands of tolvanire-uninstaller-cli. Each command's source file
// registers it with a static CCliCommandTable::Registration, so adding a
// command touches no shared file but cli/CMakeLists.txt.
class CCliCommandTable {
public:
    // `arguments` starts with "tolvanire-uninstaller-cli <command>" as one
    // entry (what the command's usage shows), then the command's own
    // options. Returns the process exit code.
    using Run = cli::ExitCode (*)(const QStringList& arguments);

    struct Command {
        QString name;
        QString summary;
        Run run = nullptr;
    };

    struct Registration {
        Registration(const char* name, const char* summary, Run run);
    };

    // Every registered command, sorted by name.
    static std::vector<Command> Commands();
    // Null when there is no command of that name.
    static const Command* Find(const QString& name);

private:
    static std::vector<Command>& Table();
};
