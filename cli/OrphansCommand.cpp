// "orphans": the folders that programs already gone left behind, and
// deleting the ones named, when the scan still offers them.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/CliCommandTable.h"
#include "cli/CliCommon.h"
#include "include/FormatSize.h"
#include "uninstall/UninstallerCore.h"

namespace {

// The last change as UTC ISO text; empty when unknown.
QString ChangeText(const OrphanFolder& folder) {
    return folder.LastChangeUtc().toString(Qt::ISODate);
}

QJsonObject FolderToJson(const OrphanFolder& folder) {
    QJsonObject object;
    object.insert(QStringLiteral("path"), folder.path);
    object.insert(QStringLiteral("size"), folder.size < 0 ? QJsonValue() : QJsonValue(double(folder.size)));
    const QString change = ChangeText(folder);
    object.insert(QStringLiteral("lastChange"), change.isEmpty() ? QJsonValue() : QJsonValue(change));
    return object;
}

void ReportStop(const QString& command, const QString& reason) {
    cli::Err() << command << ": nothing is offered: " << reason << '\n';
    cli::Err().flush();
}

cli::ExitCode List(CUninstallerCore& core, const QString& command, bool json) {
    const Expected<OrphanList, BackendFailure> list = core.Orphans();
    if (!list) return cli::ReportFailure(list.Error());
    if (!list->stopReason.isEmpty()) ReportStop(command, list->stopReason);
    if (json) {
        QJsonArray array;
        for (const OrphanFolder& folder : list->folders)
            array.append(FolderToJson(folder));
        cli::WriteJson(cli::Out(), QJsonDocument(array));
    } else {
        for (const OrphanFolder& folder : list->folders)
            cli::Out() << folder.path << '\t' << (folder.size < 0 ? QStringLiteral("?") : FormatSize(folder.size))
                       << '\t' << ChangeText(folder) << '\n';
        const int count = list->folders.size();
        cli::Out() << count << (count == 1 ? " folder\n" : " folders\n");
        cli::Out().flush();
    }
    return list->stopReason.isEmpty() ? cli::ExitCode::Success : cli::ExitCode::Incomplete;
}

cli::ExitCode Delete(CUninstallerCore& core, const QString& command, const QStringList& paths, bool json) {
    const Expected<OrphanRemoval, BackendFailure> removal = core.DeleteOrphans(paths);
    if (!removal) return cli::ReportFailure(removal.Error());
    if (!removal->stopReason.isEmpty()) ReportStop(command, removal->stopReason);
    bool whole = removal->stopReason.isEmpty();
    QJsonArray array;
    for (const OrphanDeletion& result : removal->folders) {
        whole = whole && result.deleted;
        if (!result.offered)
            cli::Err() << command << ": '" << result.path
                       << "' is not offered: it is no folder that a program already gone left behind, or it is "
                          "claimed, in use or the system's own; it is left as it is\n";
        const QString state = !result.offered  ? QStringLiteral("refused")
                              : result.deleted ? QStringLiteral("deleted")
                                               : QStringLiteral("notDeleted");
        if (json) {
            QJsonObject object;
            object.insert(QStringLiteral("path"), result.path);
            object.insert(QStringLiteral("result"), state);
            array.append(object);
        } else {
            cli::Out() << (!result.offered  ? "refused"
                           : result.deleted ? "deleted"
                                            : "not deleted")
                       << '\t' << result.path << '\n';
        }
    }
    cli::Err().flush();
    if (json) {
        cli::WriteJson(cli::Out(), QJsonDocument(array));
    } else {
        if (!removal->restorePoint.isEmpty()) cli::Out() << "restore point " << removal->restorePoint << '\n';
        cli::Out().flush();
    }
    return whole ? cli::ExitCode::Success : cli::ExitCode::Incomplete;
}

cli::ExitCode Run(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lists the folders in Program Files (both), AppData (roaming and local), ProgramData and "
                       "the Start Menus that no registered program claims, that are not the system's or Wine's "
                       "own, and that hold no running program: path, size and last change. Deletes nothing. "
                       "With --delete, deletes the folders named that the scan still offers; any other is "
                       "refused. Exits with 1 when a folder was refused or remains, or nothing could be "
                       "offered."));
    cli::AddPrefixOption(parser);
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print JSON."));
    const QCommandLineOption remove(QStringLiteral("delete"), QStringLiteral("Delete the folders named."));
    parser.addOption(json);
    parser.addOption(remove);
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("With --delete: a folder the list shows."),
                                 QStringLiteral("[PATH...]"));
    if (const std::optional<cli::ExitCode> parsed = cli::ParseArguments(parser, arguments)) return *parsed;
    const QStringList paths = parser.positionalArguments();
    if (parser.isSet(remove) && paths.isEmpty())
        return cli::UsageError(parser, arguments, QStringLiteral("--delete needs at least one folder"));
    if (!parser.isSet(remove) && !paths.isEmpty())
        return cli::UsageError(parser, arguments, QStringLiteral("folders are named only with --delete"));

    cli::ExitCode exitCode = cli::ExitCode::BackendFailed;
    std::unique_ptr<platform::IPlatform> platform = cli::OpenPlatform(parser, &exitCode);
    if (!platform) return exitCode;
    CUninstallerCore core(*platform);
    cli::PrepareRestoreStore(core, *platform);
    return parser.isSet(remove) ? Delete(core, arguments[0], paths, parser.isSet(json))
                                : List(core, arguments[0], parser.isSet(json));
}

const CCliCommandTable::Registration
    orphansRegistration("orphans", "List, or delete, folders that programs already gone left behind.", &Run);

} // namespace
