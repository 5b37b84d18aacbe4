#include "cli/CliCommandTable.h"

#include <algorithm>

std::vector<CCliCommandTable::Command>& CCliCommandTable::Table() {
    // Built on first use: registrations run during static initialisation,
    // in an order across files that nothing guarantees.
    static std::vector<Command> table;
    return table;
}

CCliCommandTable::Registration::Registration(const char* name, const char* summary, Run run) {
    Table().push_back(Command{QString::fromLatin1(name), QString::fromLatin1(summary), run});
}

std::vector<CCliCommandTable::Command> CCliCommandTable::Commands() {
    std::vector<Command> commands = Table();
    std::sort(commands.begin(), commands.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
    return commands;
}

const CCliCommandTable::Command* CCliCommandTable::Find(const QString& name) {
    for (const Command& command : Table())
        if (command.name == name) return &command;
    return nullptr;
}
