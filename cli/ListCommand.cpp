// "list": the installed programs of the target machine, in the order the
// inventory reads them, as a table or as JSON.

#include <QJsonDocument>
#include <QJsonObject>
#include <memory>
#include <thread>

#include "cli/CliCommandTable.h"
#include "cli/CliCommon.h"
#include "include/FormatSize.h"
#include "uninstall/UninstallerCore.h"

namespace {

void PrintJson(const std::vector<ProgramRecord>& records) {
    cli::WriteJsonArray(cli::Out(), records.size(), [&records](size_t index) {
        const ProgramRecord& record = records[index];
        const ProgramText& t = record.text;
        QJsonObject object;
        object.insert(QStringLiteral("displayName"), t.name);
        object.insert(QStringLiteral("publisher"), t.publisher);
        object.insert(QStringLiteral("displayVersion"), t.version);
        // Below 3 GiB by construction, so a JSON number holds it exactly.
        object.insert(QStringLiteral("sizeBytes"), double(record.program.sizeBytes));
        object.insert(QStringLiteral("uninstallCommand"), t.uninstallCommand);
        object.insert(QStringLiteral("installLocation"), t.installLocation);
        object.insert(QStringLiteral("displayIcon"), t.displayIcon);
        object.insert(QStringLiteral("iconGroup"), t.iconGroup);
        object.insert(QStringLiteral("source"), QLatin1String(ProgramSourceName(record.source)));
        return object;
    });
}

QString Fit(const QString& text, int width) {
    if (text.size() <= width) return text.leftJustified(width);
    return text.left(width - 3) + QStringLiteral("...");
}

void PrintTable(const std::vector<ProgramRecord>& records) {
    // Columns as wide as their widest entry, within a cap that keeps a row
    // on one line of a wide terminal.
    int nameWidth = 4, publisherWidth = 9, versionWidth = 7;
    for (const ProgramRecord& record : records) {
        const ProgramText& t = record.text;
        nameWidth = std::max(nameWidth, int(t.name.size()));
        publisherWidth = std::max(publisherWidth, int(t.publisher.size()));
        versionWidth = std::max(versionWidth, int(t.version.size()));
    }
    nameWidth = std::min(nameWidth, 50);
    publisherWidth = std::min(publisherWidth, 30);
    versionWidth = std::min(versionWidth, 20);
    const int sizeWidth = 12;

    QTextStream& out = cli::Out();
    out << Fit(QStringLiteral("Name"), nameWidth) << "  " << Fit(QStringLiteral("Publisher"), publisherWidth) << "  "
        << Fit(QStringLiteral("Version"), versionWidth) << "  " << QStringLiteral("Size").rightJustified(sizeWidth)
        << "\n";
    for (const ProgramRecord& record : records) {
        const ProgramText& t = record.text;
        out << Fit(t.name, nameWidth) << "  " << Fit(t.publisher, publisherWidth) << "  "
            << Fit(t.version, versionWidth) << "  " << FormatSize(record.program.sizeBytes).rightJustified(sizeWidth)
            << "\n";
    }
    out << "\n" << records.size() << (records.size() == 1 ? " program\n" : " programs\n");
    out.flush();
}

cli::ExitCode RunList(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lists the installed programs that can be removed, machine-wide "
                                                    "(32-bit view, then 64-bit view) and then the current user's."));
    cli::AddPrefixOption(parser);
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON array of the programs."));
    parser.addOption(json);
    if (const std::optional<cli::ExitCode> parsed = cli::ParseArguments(parser, arguments)) return *parsed;
    if (!parser.positionalArguments().isEmpty())
        return cli::UsageError(parser, arguments,
                               QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));

    cli::ExitCode exitCode = cli::ExitCode::BackendFailed;
    std::unique_ptr<platform::IPlatform> platform = cli::OpenPlatform(parser, &exitCode);
    if (!platform) return exitCode;

    // Nothing is printed unless every call succeeded: a list cut short by a
    // failed host would look like a machine with fewer programs.
    auto core = std::make_unique<CUninstallerCore>(*platform);
    const Expected<std::vector<ProgramRecord>, BackendFailure> records = core->Records();
    if (!records) return cli::ReportFailure(records.Error());
    // The host has done its part: it ends, and is waited for, while the list
    // is printed.
    std::thread closing([&core, &platform] {
        core.reset();
        platform.reset();
    });
    if (parser.isSet(json))
        PrintJson(*records);
    else
        PrintTable(*records);
    closing.join();
    return cli::ExitCode::Success;
}

const CCliCommandTable::Registration listRegistration("list", "List the installed programs.", &RunList);

} // namespace
