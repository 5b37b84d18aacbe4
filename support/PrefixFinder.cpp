#include "support/PrefixFinder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>

#include "support/PrefixProgramCount.h"
#include "support/WinePrefix.h"

namespace {

// The prefixes found so far, in the order found, each real folder once.
class CCollector {
public:
    void Add(const QString& folder, const char* foundIn) {
        if (!QDir::isAbsolutePath(folder) || !CWinePrefix::IsPrefix(folder)) return;
        const QString real = QFileInfo(folder).canonicalFilePath();
        if (real.isEmpty() || seen.contains(real)) return;
        seen.insert(real);
        found.push_back(CPrefixFinder::Found{QDir::cleanPath(folder), QLatin1String(foundIn), 0});
    }

    // Every folder right under `parent` (plus `below` inside it, when given).
    void AddChildren(const QString& parent, const char* foundIn, const QString& below = QString()) {
        const QDir dir(parent);
        for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name))
            Add(dir.filePath(name) + below, foundIn);
    }

    std::vector<CPrefixFinder::Found> found;

private:
    QSet<QString> seen;
};

QStringList Lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    return stream.readAll().split(QLatin1Char('\n'));
}

// The "prefix:" of a Lutris game file ("game:" then "  prefix: /path",
// quoted or not, "~" for the home folder).
QString LutrisPrefix(const QString& gameFile, const QString& home) {
    static const QRegularExpression line(QStringLiteral("^\\s+prefix:\\s*(.*?)\\s*$"));
    for (const QString& text : Lines(gameFile)) {
        const QRegularExpressionMatch match = line.match(text);
        if (!match.hasMatch()) continue;
        QString value = match.captured(1);
        if (value.size() >= 2 && (value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char('\''))) &&
            value.endsWith(value.at(0)))
            value = value.mid(1, value.size() - 2);
        if (value == QLatin1String("~") || value.startsWith(QLatin1String("~/"))) value = home + value.mid(1);
        return value;
    }
    return QString();
}

// The library folders a Steam installation lists in
// steamapps/libraryfolders.vdf: "path" entries, or in the older form
// numbered entries whose value is the folder.
QStringList SteamLibraries(const QString& steam) {
    static const QRegularExpression entry(QStringLiteral("^\\s*\"(path|\\d+)\"\\s+\"(.*)\"\\s*$"));
    QStringList libraries{steam};
    for (const QString& text : Lines(steam + QStringLiteral("/steamapps/libraryfolders.vdf"))) {
        const QRegularExpressionMatch match = entry.match(text);
        if (!match.hasMatch()) continue;
        const QString folder = match.captured(2).replace(QLatin1String("\\\\"), QLatin1String("\\"));
        if (QDir::isAbsolutePath(folder)) libraries << folder;
    }
    return libraries;
}

} // namespace

std::vector<CPrefixFinder::Found> CPrefixFinder::Find(const QString& home, const QString& environment) {
    CCollector collector;
    collector.Add(environment, "WINEPREFIX");
    collector.Add(home + QStringLiteral("/.wine"), "default");
    collector.AddChildren(home + QStringLiteral("/.local/share/wineprefixes"), "wineprefixes");
    collector.AddChildren(home + QStringLiteral("/.local/share/bottles/bottles"), "Bottles");
    collector.AddChildren(home + QStringLiteral("/.var/app/com.usebottles.bottles/data/bottles/bottles"), "Bottles");
    for (const char* games : {"/.config/lutris/games", "/.local/share/lutris/games"}) {
        const QDir dir(home + QLatin1String(games));
        for (const QString& name : dir.entryList({QStringLiteral("*.yml")}, QDir::Files, QDir::Name))
            collector.Add(LutrisPrefix(dir.filePath(name), home), "Lutris");
    }
    collector.AddChildren(home + QStringLiteral("/Games"), "Lutris");
    // ~/.steam/steam is mostly a link to the installation: the real folder first.
    for (const char* steam : {"/.local/share/Steam", "/.steam/steam"})
        for (const QString& library : SteamLibraries(home + QLatin1String(steam)))
            collector.AddChildren(library + QStringLiteral("/steamapps/compatdata"), "Steam", QStringLiteral("/pfx"));
    collector.AddChildren(home + QStringLiteral("/.PlayOnLinux/wineprefix"), "PlayOnLinux");

    for (Found& prefix : collector.found)
        prefix.programs = CPrefixProgramCount::Count(prefix.path);
    return std::move(collector.found);
}

std::vector<CPrefixFinder::Found> CPrefixFinder::ForThisProcess() {
#ifdef _WIN32
    return {};
#else
    return Find(QDir::homePath(), qEnvironmentVariable("WINEPREFIX"));
#endif
}
