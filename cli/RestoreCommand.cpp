// "restore": the restore points deep cleans left, and putting one back.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/CliCommandTable.h"
#include "cli/CliCommon.h"
#include "include/FormatSize.h"
#include "uninstall/UninstallerCore.h"

namespace {

QJsonObject SummaryToJson(const CRestoreStore::Summary& point) {
    QJsonObject object;
    object.insert(QStringLiteral("id"), point.id);
    object.insert(QStringLiteral("created"), point.created.toString(Qt::ISODate));
    object.insert(QStringLiteral("programs"), QJsonArray::fromStringList(point.programs));
    object.insert(QStringLiteral("items"), point.items);
    object.insert(QStringLiteral("sizeBytes"), double(point.size));
    object.insert(QStringLiteral("open"), point.open);
    object.insert(QStringLiteral("error"), point.error);
    return object;
}

cli::ExitCode PrintList(const CRestoreStore& store, bool json) {
    const QList<CRestoreStore::Summary> points = store.List();
    QTextStream& out = cli::Out();
    if (json) {
        QJsonArray array;
        for (const CRestoreStore::Summary& point : points)
            array.append(SummaryToJson(point));
        cli::WriteJson(out, QJsonDocument(array));
        return cli::ExitCode::Success;
    }
    for (const CRestoreStore::Summary& point : points) {
        out << point.id << '\t';
        if (!point.error.isEmpty())
            out << "cannot be read: " << point.error << '\n';
        else
            out << point.created.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) << '\t'
                << point.programs.join(QStringLiteral(", ")) << '\t' << point.items
                << (point.items == 1 ? " item\t" : " items\t") << FormatSize(point.size) << '\n';
    }
    out << points.size() << (points.size() == 1 ? " restore point\n" : " restore points\n");
    out.flush();
    return cli::ExitCode::Success;
}

cli::ExitCode Restore(CRestoreStore& store, const QString& id, bool json, const QString& command) {
    bool known = false;
    for (const CRestoreStore::Summary& point : store.List())
        known = known || point.id == id;
    if (!known) {
        cli::Err() << command << ": there is no restore point '" << id << "'\n";
        cli::Err().flush();
        return cli::ExitCode::UnknownName;
    }
    const Expected<CRestoreStore::Outcome, QString> outcome = store.Restore(id);
    if (!outcome) {
        cli::Err() << command << ": " << outcome.Error() << "\n";
        cli::Err().flush();
        return cli::ExitCode::Incomplete;
    }
    if (outcome->backendFailed) return cli::ExitCode::BackendFailed; // told by the caller
    QTextStream& out = cli::Out();
    if (json) {
        QJsonObject object;
        object.insert(QStringLiteral("id"), id);
        object.insert(QStringLiteral("restored"), outcome->restored);
        object.insert(QStringLiteral("existing"), QJsonArray::fromStringList(outcome->existing));
        object.insert(QStringLiteral("failed"), QJsonArray::fromStringList(outcome->failed));
        object.insert(QStringLiteral("lost"), QJsonArray::fromStringList(outcome->lost));
        object.insert(QStringLiteral("pointKept"), !outcome->pointDropped);
        cli::WriteJson(out, QJsonDocument(object));
    } else {
        for (const QString& entry : outcome->existing)
            out << "exists again, left as it is\t" << entry << '\n';
        for (const QString& entry : outcome->failed)
            out << "not restored\t" << entry << '\n';
        for (const QString& entry : outcome->lost)
            out << "missing from the store\t" << entry << '\n';
        out << outcome->restored << (outcome->restored == 1 ? " entry" : " entries") << " restored, "
            << outcome->existing.size() + outcome->failed.size() << " left in restore point " << id << '\n';
        out.flush();
    }
    return outcome->existing.isEmpty() && outcome->failed.isEmpty() && outcome->lost.isEmpty()
               ? cli::ExitCode::Success
               : cli::ExitCode::Incomplete;
}

cli::ExitCode RunRestore(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Puts back what a deep clean removed: with --list, lists the restore points (id, date, programs, items, "
        "size); with an ID, moves that point's files and folders back to their places, with their attributes and "
        "times, and writes its registry keys and values again. A file or value that exists again is never "
        "overwritten: it is reported and stays in the point. Exits with 1 when some entry was not restored."));
    cli::AddPrefixOption(parser);
    const QCommandLineOption list(QStringLiteral("list"), QStringLiteral("List the restore points."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print JSON."));
    parser.addOption(list);
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("ID"), QStringLiteral("The restore point to put back."), "[ID]");
    if (const std::optional<cli::ExitCode> parsed = cli::ParseArguments(parser, arguments)) return *parsed;
    const QStringList ids = parser.positionalArguments();
    if (parser.isSet(list) ? !ids.isEmpty() : ids.size() != 1)
        return cli::UsageError(parser, arguments, QStringLiteral("expected --list or one restore point id"));

    cli::ExitCode exitCode = cli::ExitCode::BackendFailed;
    std::unique_ptr<platform::IPlatform> platform = cli::OpenPlatform(parser, &exitCode);
    if (!platform) return exitCode;
    CUninstallerCore core(*platform);
    cli::PrepareRestoreStore(core, *platform);
    if (parser.isSet(list)) return PrintList(*core.RestoreStore(), parser.isSet(json));
    const cli::ExitCode restored = Restore(*core.RestoreStore(), ids.front(), parser.isSet(json), arguments[0]);
    const Expected<void, BackendFailure> reachable = core.Reachable();
    return reachable ? restored : cli::ReportFailure(reachable.Error());
}

const CCliCommandTable::Registration restoreRegistration("restore", "List restore points, or put one back.",
                                                         &RunRestore);

} // namespace
