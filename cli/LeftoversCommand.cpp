// "leftovers" and "clean": what an installed program would leave behind,
// and removing it. Both collect exactly as the uninstall run does after a
// program's own uninstaller has ended.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "cli/CliCommandTable.h"
#include "cli/CliCommon.h"
#include "inventory/AppEnum.h"
#include "uninstall/LeftoverCleaner.h"
#include "uninstall/UninstallService.h"

namespace {

// NAME names no installed program.
constexpr int kExitNoProgram = 4;

// A place left alone on purpose: kind "skipped", the reason as its text.
QJsonObject ToJson(const SkippedLeftover& skip) {
    QJsonObject object;
    object.insert(QStringLiteral("kind"), QStringLiteral("skipped"));
    object.insert(QStringLiteral("displayText"), skip.reason);
    object.insert(QStringLiteral("target"), skip.path);
    object.insert(QStringLiteral("valueName"), QString());
    return object;
}

void PrintSkipped(const QList<SkippedLeftover>& skipped) {
    for (const SkippedLeftover& skip : skipped)
        cli::Out() << "skipped\t" << skip.reason << '\t' << skip.path << "\t\n";
}

void PrintLine(const QString& prefix, const LeftoverItem& item) {
    QTextStream& out = cli::Out();
    if (!prefix.isEmpty()) out << prefix << '\t';
    out << cli::LeftoverKindName(item.kind) << '\t' << item.displayText << '\t' << item.target << '\t' << item.valueName
        << '\n';
}

void WriteJson(const QJsonDocument& document) {
    const QByteArray json = document.toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    std::fflush(stdout);
}

// The first installed program whose display name is `name`: an exact match
// first, else one that differs only in case.
bool FindProgram(platform::IPlatform& platform, const QString& name, InstalledProgram* found) {
    CAppEnum appEnum(platform.Registry(), platform.System());
    if (appEnum.Enum() != platform::kErrorSuccess) return false;
    const std::vector<InstalledProgram> programs = appEnum.GetPrograms();
    std::vector<std::string> ansi;
    for (const InstalledProgram& program : programs)
        ansi.emplace_back(program.displayName);
    std::vector<std::string> names;
    if (platform.System().AnsiToUtf8(ansi, &names) != platform::kErrorSuccess) return false;
    for (Qt::CaseSensitivity sensitivity : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        for (size_t i = 0; i < names.size() && i < programs.size(); ++i) {
            if (QString::fromStdString(names[i]).compare(name, sensitivity) == 0) {
                *found = programs[i];
                return true;
            }
        }
    }
    return false;
}

int Run(const QStringList& arguments, bool clean) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        clean ? QStringLiteral("Deletes what the installed program NAME leaves behind (install folder content, "
                               "AppData, ProgramData, Start Menu and desktop entries, its uninstall key, MuiCache "
                               "values), then tells for each entry whether it is gone. Exits with 1 when some "
                               "entry remains.")
              : QStringLiteral("Lists what the installed program NAME would leave behind, in the order a clean "
                               "would delete it: kind, display text, target and value name. Deletes nothing."));
    cli::AddPrefixOption(parser);
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print JSON."));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("The program's display name."));
    const int parsed = cli::ParseArguments(parser, arguments);
    if (parsed >= 0) return parsed;
    if (parser.positionalArguments().size() != 1) {
        cli::Err() << arguments[0] << ": expected one program name\n\n" << parser.helpText();
        cli::Err().flush();
        return cli::kExitUsage;
    }
    const QString name = parser.positionalArguments().front();

    int exitCode = cli::kExitPlatform;
    std::unique_ptr<platform::IPlatform> platform = cli::OpenPlatform(parser, &exitCode);
    if (!platform) return exitCode;

    InstalledProgram program;
    const bool found = FindProgram(*platform, name, &program);
    if (cli::ReportBackendFailure(*platform)) return cli::kExitPlatform;
    if (!found) {
        cli::Err() << arguments[0] << ": no installed program is named '" << name << "'\n";
        cli::Err().flush();
        return kExitNoProgram;
    }

    CAppEnum appEnum(platform->Registry(), platform->System());
    CLeftoverCleaner cleaner(platform->Files(), platform->Registry(), platform->System(), appEnum);
    cleaner.SetOwnFolder(CUninstallService::OwnFolderOnTarget());
    // A collection or deletion whose backend failed stops there: nothing
    // more is deleted and no list is printed.
    QList<SkippedLeftover> skipped;
    const QList<LeftoverItem> leftovers = cleaner.CollectLeftovers(program, &skipped);
    if (cleaner.BackendFailed()) return cli::ExitForBackendFailure(*platform);
    if (clean) cleaner.DeleteLeftovers(leftovers);
    if (cleaner.BackendFailed()) return cli::ExitForBackendFailure(*platform);
    QList<bool> remaining;
    if (clean)
        for (const LeftoverItem& item : leftovers)
            remaining.append(cleaner.LeftoverExists(item));
    if (cli::ReportBackendFailure(*platform)) return cli::kExitPlatform;

    if (!clean) {
        if (parser.isSet(json)) {
            QJsonArray array;
            for (const LeftoverItem& item : leftovers)
                array.append(cli::LeftoverToJson(item));
            for (const SkippedLeftover& skip : skipped)
                array.append(ToJson(skip));
            WriteJson(QJsonDocument(array));
        } else {
            for (const LeftoverItem& item : leftovers)
                PrintLine(QString(), item);
            PrintSkipped(skipped);
            cli::Out() << leftovers.size() << (leftovers.size() == 1 ? " leftover\n" : " leftovers\n");
            cli::Out().flush();
        }
        return cli::kExitSuccess;
    }

    const bool anyRemaining = remaining.contains(true);
    if (parser.isSet(json)) {
        QJsonArray deleted;
        QJsonArray notDeleted;
        for (int i = 0; i < leftovers.size(); ++i)
            (remaining[i] ? notDeleted : deleted).append(cli::LeftoverToJson(leftovers[i]));
        QJsonObject object;
        object.insert(QStringLiteral("deleted"), deleted);
        object.insert(QStringLiteral("notDeleted"), notDeleted);
        QJsonArray skippedArray;
        for (const SkippedLeftover& skip : skipped)
            skippedArray.append(ToJson(skip));
        object.insert(QStringLiteral("skipped"), skippedArray);
        WriteJson(QJsonDocument(object));
    } else {
        for (int i = 0; i < leftovers.size(); ++i)
            PrintLine(remaining[i] ? QStringLiteral("not deleted") : QStringLiteral("deleted"), leftovers[i]);
        PrintSkipped(skipped);
        cli::Out() << remaining.count(false) << " deleted, " << remaining.count(true) << " not deleted\n";
        cli::Out().flush();
    }
    // A collection that stopped removed nothing of what the program left.
    return anyRemaining || !cleaner.StopReason().isEmpty() ? cli::kExitFailure : cli::kExitSuccess;
}

int RunLeftovers(const QStringList& arguments) {
    return Run(arguments, false);
}
int RunClean(const QStringList& arguments) {
    return Run(arguments, true);
}

const CCliCommandTable::Registration leftoversRegistration("leftovers", "List what a program would leave behind.",
                                                           &RunLeftovers);
const CCliCommandTable::Registration cleanRegistration("clean", "Delete what a program leaves behind.", &RunClean);

} // namespace
