#include "uninstall/WineMenuFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include "include/PathText.h"
#include "support/WinePrefix.h"
#include "uninstall/RestorePoint.h"

namespace {

const QString kDesktopSuffix = QStringLiteral(".desktop");
// Larger than any launcher; a bigger file is no menu builder's.
constexpr qint64 kMaxFileSize = 1 << 20;

bool ReadSmallFile(const QString& path, QString* text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize) return false;
    *text = QString::fromUtf8(file.read(kMaxFileSize));
    return file.error() == QFileDevice::NoError;
}

// A regular file, not reached through a symbolic link of its own.
bool IsPlainFile(const QString& path) {
    const QFileInfo info(path);
    return !info.isSymLink() && info.isFile();
}

// The escapes of a desktop entry's string value.
QString UnescapeValue(const QString& value) {
    QString text;
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            text += c;
            continue;
        }
        const QChar next = value.at(++i);
        if (next == QLatin1Char('s'))
            text += QLatin1Char(' ');
        else if (next == QLatin1Char('n'))
            text += QLatin1Char('\n');
        else if (next == QLatin1Char('t'))
            text += QLatin1Char('\t');
        else if (next == QLatin1Char('r'))
            text += QLatin1Char('\r');
        else if (next == QLatin1Char('\\'))
            text += QLatin1Char('\\');
        else
            text += QLatin1Char('\\') + QString(next);
    }
    return text;
}

// The arguments of an Exec value: double-quoted parts with their escapes,
// and, as Wine writes them, backslash escapes outside quotes. False for an
// unclosed quote.
bool SplitExec(const QString& exec, QStringList* arguments) {
    QString current;
    bool inArgument = false;
    QChar quote;
    for (int i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quote == QLatin1Char('"')) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size() && QStringLiteral("\"`$\\").contains(exec.at(i + 1)))
                current += exec.at(++i);
            else if (c == QLatin1Char('"'))
                quote = QChar();
            else
                current += c;
        } else if (quote == QLatin1Char('\'')) {
            if (c == QLatin1Char('\''))
                quote = QChar();
            else
                current += c;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArgument) arguments->append(current);
            current.clear();
            inArgument = false;
        } else {
            inArgument = true;
            if (c == QLatin1Char('"') || c == QLatin1Char('\''))
                quote = c;
            else if (c == QLatin1Char('\\') && i + 1 < exec.size())
                current += exec.at(++i);
            else
                current += c;
        }
    }
    if (!quote.isNull()) return false;
    if (inArgument) arguments->append(current);
    return true;
}

QString BaseName(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool IsWineCommand(const QString& argument) {
    static const QRegularExpression wine(QStringLiteral("^wine(64)?(-[a-z]+)?$"));
    return wine.match(BaseName(argument)).hasMatch();
}

bool IsLink(const QString& path) {
    return path.endsWith(QStringLiteral(".lnk"), Qt::CaseInsensitive);
}

// Wine names the icons it extracts "<4 hex digits>_<name>.<index>".
bool IsWineIconName(const QString& name) {
    static const QRegularExpression icon(QStringLiteral("^[0-9A-Fa-f]{4}_[^/]+$"));
    return icon.match(name).hasMatch();
}

QString CleanAbsolute(const QString& path) {
    return QDir::isAbsolutePath(path) ? QDir::cleanPath(path) : QString();
}

void AddOnce(QStringList* list, const QString& path) {
    const QString clean = CleanAbsolute(path);
    if (!clean.isEmpty() && !list->contains(clean)) list->append(clean);
}

// XDG_DESKTOP_DIR of user-dirs.dirs: "$HOME/..." or an absolute path.
QString UserDesktop(const QString& userDirs, const QString& home) {
    QString text;
    if (!ReadSmallFile(userDirs, &text)) return QString();
    const QString key = QStringLiteral("XDG_DESKTOP_DIR=");
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (!line.startsWith(key)) continue;
        QString value = line.mid(key.size());
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        if (value == QStringLiteral("$HOME") || value.startsWith(QStringLiteral("$HOME/"))) value = home + value.mid(5);
        return CleanAbsolute(value);
    }
    return QString();
}

// The names in the <Filename> or <Directory> elements of a .menu file.
QStringList MenuNames(const QString& text, const QString& element) {
    const QRegularExpression pattern(QStringLiteral("<%1>([^<]*)</%1>").arg(element));
    QStringList names;
    QRegularExpressionMatchIterator it = pattern.globalMatch(text);
    while (it.hasNext()) {
        QString name = it.next().captured(1).trimmed();
        name.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
        name.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        name.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        name.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
        name.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        names.append(name);
    }
    return names;
}

QString MergedMenus(const QString& configHome) {
    return configHome + QStringLiteral("/menus/applications-merged");
}

LeftoverItem MenuFileItem(const QString& path) {
    LeftoverItem item;
    item.displayText = path;
    item.target = path;
    item.kind = LeftoverLinuxDesktopFile;
    item.reason = LeftoverForShortcut;
    return item;
}

} // namespace

struct CWineMenuFiles::Entry {
    QString path;
    QString menuId;         // its desktop file id under applications/, else empty
    bool candidate = false; // a menu entry of Wine's folder or a launcher on the desktop
    bool read = false;
    Launch launch;
    QString icon;
};

CWineMenuFiles::Places CWineMenuFiles::Places::From(const QString& home, const QString& dataHome,
                                                    const QString& configHome) {
    Places places;
    places.home = CleanAbsolute(home);
    if (places.home.isEmpty()) return places;
    AddOnce(&places.dataHomes, dataHome);
    AddOnce(&places.dataHomes, places.home + QStringLiteral("/.local/share"));
    AddOnce(&places.configHomes, configHome);
    AddOnce(&places.configHomes, places.home + QStringLiteral("/.config"));
    QString desktop = UserDesktop(places.configHomes.front() + QStringLiteral("/user-dirs.dirs"), places.home);
    if (desktop.isEmpty()) desktop = places.home + QStringLiteral("/Desktop");
    AddOnce(&places.desktops, desktop);
    AddOnce(&places.desktops, places.home);
    return places;
}

CWineMenuFiles::Places CWineMenuFiles::Places::ForThisProcess() {
    return From(QDir::homePath(), qEnvironmentVariable("XDG_DATA_HOME"), qEnvironmentVariable("XDG_CONFIG_HOME"));
}

CWineMenuFiles::Launch CWineMenuFiles::ParseExec(const QString& execValue) {
    Launch launch;
    QStringList arguments;
    if (!SplitExec(UnescapeValue(execValue), &arguments)) return launch;
    int i = 0;
    if (i < arguments.size() && BaseName(arguments[i]) == QStringLiteral("env")) {
        static const QRegularExpression assignment(QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)=(.*)$"),
                                                   QRegularExpression::DotMatchesEverythingOption);
        for (++i; i < arguments.size(); ++i) {
            const QRegularExpressionMatch match = assignment.match(arguments[i]);
            if (!match.hasMatch()) break;
            if (match.captured(1) != QStringLiteral("WINEPREFIX")) continue;
            launch.prefixNamed = true;
            launch.prefix = match.captured(2);
        }
    }
    if (i == arguments.size() || !IsWineCommand(arguments[i])) return Launch();
    const QStringList rest = arguments.mid(i + 1);
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:\\\\"));
    if (rest.size() == 1 && drive.match(rest[0]).hasMatch() && IsLink(rest[0])) {
        launch.link = rest[0];
    } else if (rest.size() == 3 &&
               (rest[0].compare(QStringLiteral("start"), Qt::CaseInsensitive) == 0 ||
                rest[0].endsWith(QStringLiteral("\\start.exe"), Qt::CaseInsensitive)) &&
               rest[1].compare(QStringLiteral("/unix"), Qt::CaseInsensitive) == 0 && QDir::isAbsolutePath(rest[2]) &&
               IsLink(rest[2])) {
        launch.link = rest[2];
        launch.unixLink = true;
    } else {
        return Launch();
    }
    launch.wine = true;
    return launch;
}

CWineMenuFiles::CWineMenuFiles(const QString& winePrefix, const Places& userPlaces)
    : prefix(CleanAbsolute(winePrefix)), places(userPlaces) {}

QList<CWineMenuFiles::Entry> CWineMenuFiles::ReadEntries(QList<SkippedLeftover>* skipped, bool* allRead) const {
    QList<Entry> entries;
    QSet<QString> seen;
    auto add = [&](const QString& path, const QString& menuId, bool candidate) {
        if (seen.contains(path)) return;
        seen.insert(path);
        Entry entry;
        entry.path = path;
        entry.menuId = menuId;
        entry.candidate = candidate && IsPlainFile(path);
        QString text;
        entry.read = ReadSmallFile(path, &text);
        if (!entry.read) {
            *allRead = false;
            if (skipped) skipped->append(SkippedLeftover{path, QStringLiteral("it cannot be read")});
        }
        bool inMainGroup = false;
        QString exec;
        for (const QString& raw : text.split(QLatin1Char('\n'))) {
            const QString line = raw.trimmed();
            if (line.startsWith(QLatin1Char('['))) {
                inMainGroup = line == QStringLiteral("[Desktop Entry]");
            } else if (inMainGroup) {
                const int equals = line.indexOf(QLatin1Char('='));
                const QString key = line.left(equals).trimmed();
                const QString value = line.mid(equals + 1).trimmed();
                if (equals > 0 && key == QStringLiteral("Exec") && exec.isEmpty()) exec = value;
                if (equals > 0 && key == QStringLiteral("Icon") && entry.icon.isEmpty())
                    entry.icon = UnescapeValue(value);
            }
        }
        entry.launch = ParseExec(exec);
        entries.append(entry);
    };
    for (const QString& data : places.dataHomes) {
        const QString applications = data + QStringLiteral("/applications");
        QDirIterator it(applications, QStringList{QStringLiteral("*.desktop")}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = path.mid(applications.size() + 1);
            const bool wineMenu = id.startsWith(QStringLiteral("wine/"));
            add(path, id.replace(QLatin1Char('/'), QLatin1Char('-')), wineMenu);
        }
    }
    for (const QString& desktop : places.desktops)
        for (const QFileInfo& info :
             QDir(desktop).entryInfoList(QStringList{QStringLiteral("*.desktop")}, QDir::Files | QDir::Hidden))
            add(info.absoluteFilePath(), QString(), true);
    return entries;
}

QString CWineMenuFiles::WindowsLink(const Launch& launch) const {
    if (!launch.unixLink) return QString(launch.link).replace(QLatin1Char('/'), QLatin1Char('\\'));
    // A Linux path names the shortcut through the prefix's drive_c or one
    // of its drive links; anything else is outside this prefix.
    const QString path = QDir::cleanPath(launch.link);
    const QString driveC = prefix + QStringLiteral("/drive_c/");
    static const QRegularExpression driveLink(QStringLiteral("^([A-Za-z]):/(.*)$"));
    const QString dosDevices = prefix + QStringLiteral("/dosdevices/");
    QString windows;
    if (path.startsWith(driveC)) {
        windows = QStringLiteral("C:\\") + path.mid(driveC.size());
    } else if (path.startsWith(dosDevices)) {
        const QRegularExpressionMatch match = driveLink.match(path.mid(dosDevices.size()));
        if (!match.hasMatch()) return QString();
        windows = match.captured(1).toUpper() + QStringLiteral(":\\") + match.captured(2);
    } else {
        return QString();
    }
    return windows.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

bool CWineMenuFiles::Qualifies(const Entry& entry, const QList<LeftoverItem>& leftovers,
                               const LinkCheck& linkState) const {
    if (!entry.candidate || !entry.read || !entry.launch.wine || prefix.isEmpty()) return false;
    // Without WINEPREFIX Wine runs its default prefix.
    const QString launched = entry.launch.prefixNamed ? entry.launch.prefix : places.home + QStringLiteral("/.wine");
    if (!CWinePrefix::SamePrefix(launched, prefix)) return false;
    const QString link = WindowsLink(entry.launch);
    if (link.isEmpty()) return false;
    const QString key = WindowsNameKey(QDir::cleanPath(QString(link).replace(QLatin1Char('\\'), QLatin1Char('/'))));
    for (const LeftoverItem& item : leftovers) {
        if (item.kind != LeftoverFile && item.kind != LeftoverFolder) continue;
        const QString target =
            WindowsNameKey(QDir::cleanPath(QString(item.target).replace(QLatin1Char('\\'), QLatin1Char('/'))));
        if (target == key || (item.kind == LeftoverFolder && key.startsWith(target + QLatin1Char('/')))) return true;
    }
    return linkState && linkState(link) == LinkState::Gone;
}

QList<LeftoverItem> CWineMenuFiles::Collect(const QList<LeftoverItem>& leftovers, const LinkCheck& linkState,
                                            QList<SkippedLeftover>* skipped) const {
    QList<LeftoverItem> items;
    bool allRead = true;
    const QList<Entry> entries = ReadEntries(skipped, &allRead);

    QSet<QString> removedIds;
    QStringList removedIcons;
    QSet<QString> usedIcons;
    for (const Entry& entry : entries) {
        if (!Qualifies(entry, leftovers, linkState)) {
            usedIcons.insert(entry.icon);
            continue;
        }
        items.append(MenuFileItem(entry.path));
        if (!entry.menuId.isEmpty()) removedIds.insert(entry.menuId);
        if (!entry.icon.isEmpty() && !removedIcons.contains(entry.icon)) removedIcons.append(entry.icon);
    }

    // An entry's .menu goes when every entry it files goes with it.
    QStringList ids = removedIds.values();
    ids.sort();
    QSet<QString> removedMenus;
    QStringList directories;
    for (const QString& id : ids) {
        for (const QString& config : places.configHomes) {
            const QString path = MergedMenus(config) + QLatin1Char('/') + id.left(id.size() - kDesktopSuffix.size()) +
                                 QStringLiteral(".menu");
            if (!QFileInfo::exists(path) || !IsPlainFile(path)) continue;
            QString text;
            if (!ReadSmallFile(path, &text)) {
                if (skipped) skipped->append(SkippedLeftover{path, QStringLiteral("it cannot be read")});
                continue;
            }
            const QStringList files = MenuNames(text, QStringLiteral("Filename"));
            bool allGo = !files.isEmpty();
            for (const QString& file : files)
                allGo = allGo && removedIds.contains(file);
            if (!allGo) continue;
            items.append(MenuFileItem(path));
            removedMenus.insert(path);
            directories += MenuNames(text, QStringLiteral("Directory"));
        }
    }

    // A Start Menu folder's .directory goes when no other .menu names it;
    // Wine's own top folders stay.
    if (!directories.isEmpty()) {
        bool menusRead = true;
        QSet<QString> usedDirectories;
        for (const QString& config : places.configHomes) {
            for (const QFileInfo& info :
                 QDir(MergedMenus(config)).entryInfoList(QStringList{QStringLiteral("*.menu")}, QDir::Files)) {
                if (removedMenus.contains(info.absoluteFilePath())) continue;
                QString text;
                menusRead = menusRead && ReadSmallFile(info.absoluteFilePath(), &text);
                for (const QString& name : MenuNames(text, QStringLiteral("Directory")))
                    usedDirectories.insert(name);
            }
        }
        directories.removeDuplicates();
        for (const QString& name : directories) {
            if (!menusRead || usedDirectories.contains(name) || name.contains(QLatin1Char('/')) ||
                !name.startsWith(QStringLiteral("wine-Programs-")) || !name.endsWith(QStringLiteral(".directory")))
                continue;
            for (const QString& data : places.dataHomes) {
                const QString path = data + QStringLiteral("/desktop-directories/") + name;
                if (IsPlainFile(path)) items.append(MenuFileItem(path));
            }
        }
    }

    // An icon goes when no other launcher names it; when some launcher
    // could not be read, that cannot be told.
    if (allRead) {
        for (const QString& icon : removedIcons) {
            if (usedIcons.contains(icon) || !IsWineIconName(icon)) continue;
            for (const QString& data : places.dataHomes) {
                const QDir hicolor(data + QStringLiteral("/icons/hicolor"));
                for (const QString& size : hicolor.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
                    for (const QString& suffix : {QStringLiteral(".png"), QStringLiteral(".xpm")}) {
                        const QString path =
                            hicolor.path() + QLatin1Char('/') + size + QStringLiteral("/apps/") + icon + suffix;
                        if (IsPlainFile(path)) items.append(MenuFileItem(path));
                    }
                }
            }
        }
    }
    return items;
}

bool CWineMenuFiles::IsMenuBuilderFile(const QString& path) const {
    if (CleanAbsolute(path) != path) return false;
    const QFileInfo info(path);
    const QString folder = info.path();
    const QString name = info.fileName();
    if (name.endsWith(kDesktopSuffix)) {
        if (places.desktops.contains(folder)) return true;
        for (const QString& data : places.dataHomes)
            if (path.startsWith(data + QStringLiteral("/applications/wine/"))) return true;
        return false;
    }
    if (name.startsWith(QStringLiteral("wine-")) && name.endsWith(QStringLiteral(".menu"))) {
        for (const QString& config : places.configHomes)
            if (folder == MergedMenus(config)) return true;
        return false;
    }
    if (name.startsWith(QStringLiteral("wine-Programs-")) && name.endsWith(QStringLiteral(".directory"))) {
        for (const QString& data : places.dataHomes)
            if (folder == data + QStringLiteral("/desktop-directories")) return true;
        return false;
    }
    const QString suffix = QLatin1Char('.') + info.suffix();
    if ((suffix == QStringLiteral(".png") || suffix == QStringLiteral(".xpm")) &&
        IsWineIconName(name.left(name.size() - suffix.size())) &&
        QFileInfo(folder).fileName() == QStringLiteral("apps")) {
        const QString sizeFolder = QFileInfo(folder).path();
        for (const QString& data : places.dataHomes)
            if (QFileInfo(sizeFolder).path() == data + QStringLiteral("/icons/hicolor")) return true;
    }
    return false;
}

bool CWineMenuFiles::Delete(const LeftoverItem& item, CRestorePoint* point) const {
    const QString& path = item.target;
    if (item.kind != LeftoverLinuxDesktopFile || !IsMenuBuilderFile(path) || !IsPlainFile(path)) return false;
    if (point ? point->TakeLinuxFile(path) != 0 : !QFile::remove(path)) return false;
    // The menu entry's Start Menu folders, once empty.
    for (const QString& data : places.dataHomes) {
        const QString root = data + QStringLiteral("/applications/wine");
        if (!path.startsWith(root + QLatin1Char('/'))) continue;
        for (QString folder = QFileInfo(path).path();
             folder.startsWith(root + QLatin1Char('/')) && QDir().rmdir(folder); folder = QFileInfo(folder).path()) {
        }
    }
    return true;
}

bool CWineMenuFiles::Exists(const LeftoverItem& item) {
    const QFileInfo info(item.target);
    return info.exists() || info.isSymLink();
}
