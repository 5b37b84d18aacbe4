// "leftovers" and "clean": what an installed program would leave behind,
// and removing it. Both collect exactly as the uninstall run does after a
// program's own uninstaller has ended.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/CliCommandTable.h"
#include "cli/CliCommon.h"
#include "uninstall/UninstallerCore.h"

namespace {

void PrintSkipped(const QList<SkippedLeftover>& skipped) {
    for (const SkippedLeftover& skip : skipped)
        cli::Out() << "skipped\t" << skip.reason << '\t' << skip.path << "\t\n";
}

void PrintLine(const QString& prefix, const LeftoverItem& written) {
    const LeftoverItem item = AsWritten(written);
    QTextStream& out = cli::Out();
    if (!prefix.isEmpty()) out << prefix << '\t';
    out << cli::LeftoverKindName(item.kind) << '\t' << item.displayText << '\t' << item.target << '\t' << item.valueName
        << '\n';
}

cli::ExitCode Run(const QStringList& arguments, bool clean) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        clean ? QStringLiteral("Deletes what the installed program NAME leaves behind (install folder content, "
                               "AppData, ProgramData, Start Menu and desktop entries, its uninstall key, MuiCache "
                               "values, and in a Wine prefix the Linux menu entries, launchers and icons Wine made "
                               "for its shortcuts), then tells for each entry whether it is gone. What goes is kept "
                               "in a restore point (see 'restore'). Exits with 1 when some entry remains or nothing "
                               "could be collected.")
              : QStringLiteral("Lists what the installed program NAME would leave behind, in the order a clean "
                               "would delete it: kind, display text, target and value name. Deletes nothing."));
    cli::AddPrefixOption(parser);
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print JSON."));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("The program's display name."));
    if (const std::optional<cli::ExitCode> parsed = cli::ParseArguments(parser, arguments)) return *parsed;
    if (parser.positionalArguments().size() != 1)
        return cli::UsageError(parser, arguments, QStringLiteral("expected one program name"));
    const QString name = parser.positionalArguments().front();

    cli::ExitCode exitCode = cli::ExitCode::BackendFailed;
    std::unique_ptr<platform::IPlatform> platform = cli::OpenPlatform(parser, &exitCode);
    if (!platform) return exitCode;
    CUninstallerCore core(*platform);
    cli::PrepareRestoreStore(core, *platform);
    const Expected<std::vector<ProgramRecord>, BackendFailure> records = core.Records();
    if (!records) return cli::ReportFailure(records.Error());
    const ProgramRecord* program = CUninstallerCore::FindByName(*records, name);
    if (program == nullptr) {
        cli::Err() << arguments[0] << ": no installed program is named '" << name << "'\n";
        cli::Err().flush();
        return cli::ExitCode::UnknownName;
    }

    if (!clean) {
        const Expected<LeftoverCollection, BackendFailure> collection = core.CollectLeftovers(*program);
        if (!collection) return cli::ReportFailure(collection.Error());
        if (parser.isSet(json)) {
            QJsonArray array;
            for (const LeftoverItem& item : collection->items)
                array.append(cli::LeftoverToJson(item));
            for (const SkippedLeftover& skip : collection->skipped)
                array.append(cli::SkippedToJson(skip));
            cli::WriteJson(cli::Out(), QJsonDocument(array));
        } else {
            for (const LeftoverItem& item : collection->items)
                PrintLine(QString(), item);
            PrintSkipped(collection->skipped);
            const int count = collection->items.size();
            cli::Out() << count << (count == 1 ? " leftover\n" : " leftovers\n");
            cli::Out().flush();
        }
        return cli::ExitCode::Success;
    }

    const Expected<LeftoverCleanup, BackendFailure> cleanup = core.CleanLeftovers(*program);
    if (!cleanup) return cli::ReportFailure(cleanup.Error());
    const QList<LeftoverItem> remaining = cleanup->Remaining();
    if (parser.isSet(json)) {
        QJsonArray deleted;
        QJsonArray notDeleted;
        for (const CleanedLeftover& cleaned : cleanup->items)
            (cleaned.remains ? notDeleted : deleted).append(cli::LeftoverToJson(cleaned.item));
        QJsonObject object;
        object.insert(QStringLiteral("deleted"), deleted);
        object.insert(QStringLiteral("notDeleted"), notDeleted);
        QJsonArray skippedArray;
        for (const SkippedLeftover& skip : cleanup->skipped)
            skippedArray.append(cli::SkippedToJson(skip));
        object.insert(QStringLiteral("skipped"), skippedArray);
        object.insert(QStringLiteral("restorePoint"), cleanup->restorePoint);
        object.insert(QStringLiteral("stopReason"), cleanup->stopReason);
        cli::WriteJson(cli::Out(), QJsonDocument(object));
    } else {
        for (const CleanedLeftover& cleaned : cleanup->items)
            PrintLine(cleaned.remains ? QStringLiteral("not deleted") : QStringLiteral("deleted"), cleaned.item);
        PrintSkipped(cleanup->skipped);
        cli::Out() << cleanup->items.size() - remaining.size() << " deleted, " << remaining.size() << " not deleted";
        if (!cleanup->restorePoint.isEmpty()) cli::Out() << " (restore point " << cleanup->restorePoint << ")";
        if (!cleanup->stopReason.isEmpty()) cli::Out() << " (left alone: " << cleanup->stopReason << ")";
        cli::Out() << "\n";
        cli::Out().flush();
    }
    // A collection that stopped removed nothing of what the program left.
    return remaining.isEmpty() && cleanup->stopReason.isEmpty() ? cli::ExitCode::Success : cli::ExitCode::Incomplete;
}

cli::ExitCode RunLeftovers(const QStringList& arguments) {
    return Run(arguments, false);
}
cli::ExitCode RunClean(const QStringList& arguments) {
    return Run(arguments, true);
}

const CCliCommandTable::Registration leftoversRegistration("leftovers", "List what a program would leave behind.",
                                                           &RunLeftovers);
const CCliCommandTable::Registration cleanRegistration("clean", "Delete what a program leaves behind.", &RunClean);

} // namespace
