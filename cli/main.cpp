#include <QCoreApplication>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "cli/CliCommandTable.h"
#include "cli/CliCommon.h"

namespace {

void PrintUsage(QTextStream& stream) {
    stream << "Usage: tolvanire-uninstaller-cli <command> [options]\n\n"
              "Lists and removes the Windows programs of a Wine prefix.\n\nCommands:\n";
    for (const CCliCommandTable::Command& command : CCliCommandTable::Commands())
        stream << "  " << command.name.leftJustified(12) << command.summary << "\n";
    stream << "\nRun 'tolvanire-uninstaller-cli <command> --help' for the options of a command.\n";
    stream.flush();
}

} // namespace

int main(int argc, char* argv[]) {
#ifdef __GLIBC__
    // A command runs for a moment and then ends, so the memory it frees is
    // kept for its next allocations: the program list's records (2 KB each)
    // are then built in pages already in use instead of in fresh ones, whose
    // first writes cost more than the rest of the work.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    mallopt(M_TOP_PAD, 16 << 20);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tolvanire-uninstaller-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOLVANIRE_VERSION));

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        PrintUsage(cli::Err());
        return int(cli::ExitCode::Usage);
    }
    const QString name = arguments[1];
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        PrintUsage(cli::Out());
        return int(cli::ExitCode::Success);
    }
    if (name == QLatin1String("--version")) {
        cli::Out() << "tolvanire-uninstaller-cli " << QCoreApplication::applicationVersion() << "\n";
        return int(cli::ExitCode::Success);
    }
    const CCliCommandTable::Command* command = CCliCommandTable::Find(name);
    if (command == nullptr) {
        cli::Err() << "tolvanire-uninstaller-cli: unknown command '" << name << "'\n\n";
        PrintUsage(cli::Err());
        return int(cli::ExitCode::Usage);
    }
    QStringList commandArguments = arguments.mid(2);
    commandArguments.prepend(QStringLiteral("tolvanire-uninstaller-cli ") + name);
    return int(command->run(commandArguments));
}
