// "prefixes": the Wine prefixes of the user, where each was found and about
// how many programs it holds, as a table or as JSON.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/CliCommandTable.h"
#include "cli/CliCommon.h"
#include "support/PrefixFinder.h"

namespace {

void PrintJson(const std::vector<CPrefixFinder::Found>& prefixes) {
    QJsonArray array;
    for (const CPrefixFinder::Found& prefix : prefixes) {
        QJsonObject object;
        object.insert(QStringLiteral("path"), prefix.path);
        object.insert(QStringLiteral("foundIn"), prefix.foundIn);
        object.insert(QStringLiteral("programs"), prefix.programs);
        array.append(object);
    }
    cli::WriteJson(cli::Out(), QJsonDocument(array));
}

void PrintTable(const std::vector<CPrefixFinder::Found>& prefixes) {
    QTextStream& out = cli::Out();
#ifdef _WIN32
    out << "There are no Wine prefixes on Windows: the program manages this machine itself.\n";
#else
    if (prefixes.empty()) out << "No Wine prefix was found.\n";
#endif
    if (prefixes.empty()) {
        out.flush();
        return;
    }
    // A path is never cut: it is what the user passes to --prefix.
    int pathWidth = 4;
    for (const CPrefixFinder::Found& prefix : prefixes)
        pathWidth = std::max(pathWidth, int(prefix.path.size()));
    out << QStringLiteral("Path").leftJustified(pathWidth) << "  " << QStringLiteral("Found in").leftJustified(12)
        << "  Programs\n";
    for (const CPrefixFinder::Found& prefix : prefixes)
        out << prefix.path.leftJustified(pathWidth) << "  " << prefix.foundIn.leftJustified(12) << "  "
            << QString::number(prefix.programs).rightJustified(8) << "\n";
    out << "\n" << prefixes.size() << (prefixes.size() == 1 ? " prefix\n" : " prefixes\n");
    out.flush();
}

cli::ExitCode RunPrefixes(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lists the Wine prefixes found in $WINEPREFIX, ~/.wine, ~/.local/share/wineprefixes, Bottles, "
                       "Lutris, Steam (Proton) and PlayOnLinux, with where each was found and about how many "
                       "programs it holds (read from its registry files, without starting Wine)."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON array of the prefixes."));
    parser.addOption(json);
    if (const std::optional<cli::ExitCode> parsed = cli::ParseArguments(parser, arguments)) return *parsed;
    if (!parser.positionalArguments().isEmpty())
        return cli::UsageError(parser, arguments,
                               QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));

    const std::vector<CPrefixFinder::Found> prefixes = CPrefixFinder::ForThisProcess();
    if (parser.isSet(json))
        PrintJson(prefixes);
    else
        PrintTable(prefixes);
    return cli::ExitCode::Success;
}

const CCliCommandTable::Registration prefixesRegistration("prefixes", "List the Wine prefixes found for this user.",
                                                          &RunPrefixes);

} // namespace
