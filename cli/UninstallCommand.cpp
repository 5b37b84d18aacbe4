// "uninstall": runs the uninstallers of the named programs one after
// another, waits for each to finish completely, and tells which programs
// are really gone; with --clean it removes the leftovers of each removed
// program.

#include "cli/CliCommandTable.h"
#include "cli/CliCommon.h"
#include "cli/CliUninstall.h"
#include "uninstall/UninstallerCore.h"

namespace {

cli::ExitCode RunUninstall(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the uninstaller of each program NAME (its display name), one after another, and waits "
                       "until the whole uninstaller has finished. A program counts as removed when its uninstall "
                       "entry or its uninstaller file is gone. Exit codes: 0 all removed, 1 some not removed, "
                       "2 usage error, 3 the Wine host failed, 4 a NAME names no installed program (nothing is "
                       "run), 5 a program's uninstaller is missing and --force-missing was not given (nothing is "
                       "run)."));
    cli::AddPrefixOption(parser);
    const QCommandLineOption clean(QStringLiteral("clean"),
                                   QStringLiteral("Remove the leftovers of each program that was removed."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print the report as JSON (progress goes to stderr)."));
    const QCommandLineOption quiet(
        QStringLiteral("quiet"),
        QStringLiteral("Run unattended: each entry's quiet uninstall command where it has one, and Windows Installer "
                       "packages removed without their window."));
    const QCommandLineOption forceMissing(
        QStringLiteral("force-missing"),
        QStringLiteral("For a program whose uninstaller file is missing (its folder was deleted by hand): remove its "
                       "uninstall entry instead, and with --clean its leftovers, and count it as removed. A program "
                       "whose uninstaller is there always runs it."));
    parser.addOption(clean);
    parser.addOption(forceMissing);
    parser.addOption(json);
    parser.addOption(quiet);
    parser.addPositionalArgument(QStringLiteral("NAME..."), QStringLiteral("Display names of the programs."));
    if (const std::optional<cli::ExitCode> parsed = cli::ParseArguments(parser, arguments)) return *parsed;
    if (parser.positionalArguments().isEmpty())
        return cli::UsageError(parser, arguments, QStringLiteral("expected at least one program name"));

    cli::ExitCode exitCode = cli::ExitCode::BackendFailed;
    std::unique_ptr<platform::IPlatform> platform = cli::OpenPlatform(parser, &exitCode);
    if (!platform) return exitCode;
    CUninstallerCore core(*platform);
    cli::PrepareRestoreStore(core, *platform);
    CCliUninstall command(core, cli::Out(), cli::Err());
    CCliUninstall::Options options;
    options.names = parser.positionalArguments();
    options.clean = parser.isSet(clean);
    options.json = parser.isSet(json);
    options.quiet = parser.isSet(quiet);
    options.forceMissing = parser.isSet(forceMissing);
    return command.Run(options);
}

const CCliCommandTable::Registration
    uninstallRegistration("uninstall", "Uninstall programs and remove their leftovers.", &RunUninstall);

} // namespace
