// "list": the installed programs of the target machine, in the order the
// inventory reads them, as a table or as JSON.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "cli/CliCommandTable.h"
#include "cli/CliCommon.h"
#include "include/FormatSize.h"
#include "inventory/AppEnum.h"

namespace {

// The seven text fields of a record, converted to UTF-8.
constexpr int kFieldCount = 7;

struct ProgramText {
    QString displayName, publisher, displayVersion, uninstallCommand, installLocation, displayIcon, iconGroup;
};

// Registry text is in the target's ANSI code page; one batch converts all
// of it (one round trip through the Wine host). False when the backend
// failed.
bool ConvertText(platform::ISystem& system, const std::vector<InstalledProgram>& programs,
                 std::vector<ProgramText>* texts) {
    std::vector<std::string> ansi;
    ansi.reserve(programs.size() * kFieldCount);
    for (const InstalledProgram& p : programs) {
        for (const char* field : {p.displayName, p.publisher, p.displayVersion, p.uninstallCommand, p.installLocation,
                                  p.displayIcon, p.iconGroup})
            ansi.emplace_back(field);
    }
    std::vector<std::string> utf8;
    if (system.AnsiToUtf8(ansi, &utf8) != platform::kErrorSuccess) return false;
    texts->resize(programs.size());
    for (size_t i = 0; i < programs.size(); ++i) {
        const std::string* f = &utf8[i * kFieldCount];
        (*texts)[i] =
            ProgramText{QString::fromStdString(f[0]), QString::fromStdString(f[1]), QString::fromStdString(f[2]),
                        QString::fromStdString(f[3]), QString::fromStdString(f[4]), QString::fromStdString(f[5]),
                        QString::fromStdString(f[6])};
    }
    return true;
}

void PrintJson(const std::vector<InstalledProgram>& programs, const std::vector<ProgramSource>& sources,
               const std::vector<ProgramText>& texts) {
    QJsonArray array;
    for (size_t i = 0; i < programs.size(); ++i) {
        const ProgramText& t = texts[i];
        QJsonObject object;
        object.insert(QStringLiteral("displayName"), t.displayName);
        object.insert(QStringLiteral("publisher"), t.publisher);
        object.insert(QStringLiteral("displayVersion"), t.displayVersion);
        // Below 3 GiB by construction, so a JSON number holds it exactly.
        object.insert(QStringLiteral("sizeBytes"), double(programs[i].sizeBytes));
        object.insert(QStringLiteral("uninstallCommand"), t.uninstallCommand);
        object.insert(QStringLiteral("installLocation"), t.installLocation);
        object.insert(QStringLiteral("displayIcon"), t.displayIcon);
        object.insert(QStringLiteral("iconGroup"), t.iconGroup);
        object.insert(QStringLiteral("source"), QLatin1String(ProgramSourceName(sources[i])));
        array.append(object);
    }
    const QByteArray json = QJsonDocument(array).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    std::fflush(stdout);
}

QString Fit(const QString& text, int width) {
    if (text.size() <= width) return text.leftJustified(width);
    return text.left(width - 3) + QStringLiteral("...");
}

void PrintTable(const std::vector<InstalledProgram>& programs, const std::vector<ProgramText>& texts) {
    // Columns as wide as their widest entry, within a cap that keeps a row
    // on one line of a wide terminal.
    int nameWidth = 4, publisherWidth = 9, versionWidth = 7;
    for (const ProgramText& t : texts) {
        nameWidth = std::max(nameWidth, int(t.displayName.size()));
        publisherWidth = std::max(publisherWidth, int(t.publisher.size()));
        versionWidth = std::max(versionWidth, int(t.displayVersion.size()));
    }
    nameWidth = std::min(nameWidth, 50);
    publisherWidth = std::min(publisherWidth, 30);
    versionWidth = std::min(versionWidth, 20);
    const int sizeWidth = 12;

    QTextStream& out = cli::Out();
    out << Fit(QStringLiteral("Name"), nameWidth) << "  " << Fit(QStringLiteral("Publisher"), publisherWidth) << "  "
        << Fit(QStringLiteral("Version"), versionWidth) << "  " << QStringLiteral("Size").rightJustified(sizeWidth)
        << "\n";
    for (size_t i = 0; i < programs.size(); ++i) {
        const ProgramText& t = texts[i];
        out << Fit(t.displayName, nameWidth) << "  " << Fit(t.publisher, publisherWidth) << "  "
            << Fit(t.displayVersion, versionWidth) << "  "
            << FormatSize(programs[i].sizeBytes).rightJustified(sizeWidth) << "\n";
    }
    out << "\n" << programs.size() << (programs.size() == 1 ? " program\n" : " programs\n");
    out.flush();
}

int RunList(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lists the installed programs that can be removed, machine-wide "
                                                    "(32-bit view, then 64-bit view) and then the current user's."));
    cli::AddPrefixOption(parser);
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON array of the programs."));
    parser.addOption(json);
    const int parsed = cli::ParseArguments(parser, arguments);
    if (parsed >= 0) return parsed;
    if (!parser.positionalArguments().isEmpty()) {
        cli::Err() << arguments[0] << ": unexpected argument '" << parser.positionalArguments().first() << "'\n\n"
                   << parser.helpText();
        cli::Err().flush();
        return cli::kExitUsage;
    }

    int exitCode = cli::kExitPlatform;
    std::unique_ptr<platform::IPlatform> platform = cli::OpenPlatform(parser, &exitCode);
    if (!platform) return exitCode;

    // Nothing is printed unless every call succeeded: a list cut short by a
    // failed host would look like a machine with fewer programs.
    CAppEnum appEnum(platform->Registry(), platform->System());
    std::vector<InstalledProgram> programs;
    std::vector<ProgramSource> sources;
    std::vector<ProgramText> texts;
    if (appEnum.Enum() != platform::kErrorSuccess) return cli::ExitForBackendFailure(*platform);
    appEnum.GetProgramsWithSources(&programs, &sources);
    if (!ConvertText(platform->System(), programs, &texts)) return cli::ExitForBackendFailure(*platform);

    if (parser.isSet(json))
        PrintJson(programs, sources, texts);
    else
        PrintTable(programs, texts);
    return cli::kExitSuccess;
}

const CCliCommandTable::Registration registration("list", "List the installed programs.", &RunList);

} // namespace
