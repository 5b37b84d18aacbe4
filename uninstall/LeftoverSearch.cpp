#include "uninstall/LeftoverSearch.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <vector>

#include "include/PathText.h"
#include "inventory/AppEnum.h"
#include "uninstall/ProtectedFolders.h"
#include "uninstall/TargetPath.h"

namespace {

// Words that name no program of their own ("bin", "x64", "Files", ...).
const char* const kGenericWords[] = {
    "bin",     "x64",     "x86",         "amd64",   "arm64",   "win32",   "win64",  "app",   "apps", "application",
    "current", "program", "programs",    "files",   "common",  "shared",  "data",   "tools", "tool", "software",
    "setup",   "install", "installer",   "version", "edition", "windows", "system", "inc",   "ltd",  "llc",
    "gmbh",    "corp",    "corporation", "company", "the",     "and",     "for",    "lib",   "libs", "plugins",
    "client",  "service", "services",    "update",  "updater", "release", "stable"};

// The words of a text that can name a program: runs of letters and digits
// of at least three characters, not only digits and not generic.
QSet<QString> Words(const QString& text) {
    static const QSet<QString> generic = [] {
        QSet<QString> words;
        for (const char* word : kGenericWords)
            words.insert(WindowsNameKey(QLatin1String(word)));
        return words;
    }();
    QSet<QString> words;
    QString word;
    auto finish = [&]() {
        bool digits = true;
        for (QChar c : word)
            digits = digits && c.isDigit();
        if (word.size() >= CLeftoverSearch::kMinimumNameLength && !digits && !generic.contains(word))
            words.insert(word);
        word.clear();
    };
    // In the form names compare in, so that a word matches in any case
    // and script ("ΣΗΜΕΙΏΣΕΙΣ" and "Σημειώσεις" end in different sigmas).
    for (QChar c : WindowsNameKey(text)) {
        if (c.isLetterOrNumber())
            word += c;
        else
            finish();
    }
    finish();
    return words;
}

// A pattern as the search is given it: "Acme/" or "Acme\" asks for a folder
// of that name above the entry; "Acme" also takes the entry itself.
struct Pattern {
    QString name;
    bool onlyAbove = false;

    explicit Pattern(const QString& text) {
        onlyAbove = !text.isEmpty() && CTargetPath::IsSeparator(text.back());
        name = onlyAbove ? text.left(text.size() - 1) : text;
    }
};

// A trailing part of a display name that names no program: a version
// ("5.4", "v2", "2019"), an architecture ("x64", "64-bit") or a language
// ("en-US"), alone or in brackets, after a space, a comma or a dash.
const QRegularExpression& TrailingQualifier() {
    static const QString part = QStringLiteral(
        "(?:v?\\d+(?:[._]\\d+)*[a-z]?|x64|x86|amd64|arm64|ia32|win32|win64|(?:32|64)-?bit|(?-i:[a-z]{2}-[A-Z]{2}))");
    static const QRegularExpression qualifier(
        QStringLiteral("[\\s,\\-]+(?:%1|\\(\\s*%1(?:[\\s,/]+%1)*\\s*\\))$").arg(part),
        QRegularExpression::CaseInsensitiveOption);
    return qualifier;
}

QString KeptText(int32_t because) {
    switch (because) {
    case KeptClaimedByOther:
        return QStringLiteral("another installed program claims it, or something in it");
    case KeptKnownFolder:
        return QStringLiteral("it is, or holds, a protected folder");
    case KeptBehindLink:
        return QStringLiteral("it is reached through a link");
    case KeptOutsideMachine:
        return QStringLiteral("it lies outside the machine's own disk");
    default:
        return QStringLiteral("what it is could not be told");
    }
}

} // namespace

void CLeftoverSearch::Keep(const QString& path, int32_t because) {
    kept.append(SkippedLeftover{path, KeptText(because), because});
}

bool CLeftoverSearch::IsKept(const QString& name, const CRealPath& path, bool folder) {
    const bool claimed = policy.IsClaimedName(name);
    if (!claimed && !(folder ? policy.IsRefusedFolder(path) : policy.IsRefusedFile(path))) return false;
    Keep(path.Native(), claimed ? KeptClaimedByOther : policy.WhyRefused(path));
    return true;
}

CLeftoverSearch::CLeftoverSearch(platform::IFileSystem& targetFiles, CProtectedFolders& folderPolicy,
                                 CAppEnum& inventory, CBackendWatch& backendWatch)
    : files(targetFiles), policy(folderPolicy), appEnum(inventory), watch(backendWatch) {}

QList<LeftoverItem> CLeftoverSearch::CollectInstallFolder(const CTargetPath& folder) {
    // A relative text would name a folder relative to whatever the current
    // folder is; a shared folder would make unrelated files leftovers.
    if (folder.IsEmpty()) return {};
    uint32_t attributes = platform::kInvalidAttributes;
    if (!watch.Ok(files.GetAttributes(folder.Utf8(), &attributes))) return {};
    if (!(attributes & platform::kAttrDirectory)) return {};
    // A linked install folder would take the link's target with it.
    if (attributes & platform::kAttrReparsePoint) {
        Keep(folder.Native(), KeptBehindLink);
        return {};
    }
    // Judged, listed and named by its real location: a junction on the way
    // must not carry the search into a known folder.
    const CProtectedFolders::Location location = policy.FinalLocation(folder);
    if (location.place != CProtectedFolders::Place::Found) return {};
    const CRealPath& real = location.real;
    if (policy.IsKnownFolder(real) || policy.IsInsideClaim(real)) return {};
    std::vector<platform::FileEntry> entries;
    if (!watch.Ok(files.ListFolder(real.Exact(), platform::kListFiles | platform::kListDirs, &entries))) return {};

    QList<LeftoverItem> folders;
    QList<LeftoverItem> fileItems;
    for (const platform::FileEntry& entry : entries) {
        const QString name = CTargetPath::FromUtf8(entry.name);
        const CRealPath path = real.Child(name);
        LeftoverItem item;
        item.target = path.Slashed();
        item.displayText = item.target;
        if (entry.isDir()) {
            // Another program's folder inside this one (a vendor folder
            // holding its other products) stays, and so does what holds it.
            if (IsKept(name, path, true)) continue;
            item.kind = LeftoverFolder;
            folders.append(item);
        } else {
            if (IsKept(CTargetPath::Stem(name), path, false)) continue;
            item.kind = LeftoverFile;
            fileItems.append(item);
        }
    }
    return folders + fileItems;
}

bool CLeftoverSearch::SharesProgramWord(const QString& one, const QString& other) {
    return Words(one).intersects(Words(other));
}

QString CLeftoverSearch::ProgramLeaf(const CTargetPath& folder, const QString& displayName, const QString& publisher,
                                     const std::function<bool(const CTargetPath&)>& isKnownFolder) {
    if (folder.IsEmpty()) return QString();
    const QStringList parts = folder.Native().split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    const QSet<QString> programWords = Words(displayName + QLatin1Char(' ') + publisher);
    for (int i = parts.size() - 1; i >= 1; --i) {
        // Nothing at or above a known folder names the program: "Program
        // Files" or a user's name would reach every program.
        if (isKnownFolder &&
            isKnownFolder(CTargetPath::FromText(QStringList(parts.mid(0, i + 1)).join(QLatin1Char('\\')))))
            break;
        if (parts[i].size() < CLeftoverSearch::kMinimumNameLength) continue;
        for (const QString& word : Words(parts[i]))
            if (programWords.contains(word)) return parts[i];
    }
    return QString();
}

QStringList CLeftoverSearch::ProgramNames(const QString& displayName) {
    QStringList names;
    auto add = [&names](const QString& name) {
        if (name.size() >= CLeftoverSearch::kMinimumNameLength && !Words(name).isEmpty() &&
            !names.contains(name, Qt::CaseInsensitive))
            names << name;
    };
    const QString name = displayName.trimmed();
    add(name);
    QString bare = name;
    for (QRegularExpressionMatch match = TrailingQualifier().match(bare); match.hasMatch();
         match = TrailingQualifier().match(bare))
        bare.truncate(match.capturedStart());
    add(bare);
    return names;
}

CTargetPath CLeftoverSearch::FolderNamingProgram(const QList<CTargetPath>& programFiles, const QString& displayName,
                                                 const QString& publisher) {
    const auto isKnownFolder = [this](const CTargetPath& path) { return policy.IsKnownFolder(path); };
    for (const CTargetPath& file : programFiles) {
        const CTargetPath folder = file.Parent();
        // The refusal covers the Windows folder and all in it (Windows
        // Installer's cache of package icons among them), the known folders
        // and what holds them, and whatever another program claims.
        if (folder.IsEmpty() || policy.IsRefusedFolder(folder)) continue;
        if (ProgramLeaf(folder, displayName, publisher, isKnownFolder).isEmpty()) continue;
        const CProtectedFolders::Location location = policy.FinalLocation(folder);
        if (location.place != CProtectedFolders::Place::Found || policy.IsRefusedFolder(location.real)) continue;
        return folder;
    }
    return CTargetPath();
}

QList<LeftoverItem> CLeftoverSearch::CollectWholeFolder(const CRealPath& folder, bool isLink) {
    TreeFinds finds;
    // A link is taken as a link: its target is never entered.
    const bool holdsClaim = !isLink && WalkTree(folder, folder.Name(), folder.Name(), true, &finds);
    QList<LeftoverItem> found = finds.All();
    if (holdsClaim) {
        Keep(folder.Native(), KeptClaimedByOther);
        return found;
    }
    if (IsKept(QString(), folder, true)) return found;
    LeftoverItem item;
    item.target = folder.Native();
    item.displayText = item.target;
    item.kind = LeftoverFolder;
    found.append(item);
    return found;
}

QList<LeftoverItem> CLeftoverSearch::SearchProgramFolders(const QString& displayName, const QString& publisher) {
    const QStringList names = ProgramNames(displayName);
    if (names.isEmpty()) return {};
    const QString vendor = publisher.trimmed();
    const bool byVendor = vendor.size() >= CLeftoverSearch::kMinimumNameLength && !Words(vendor).isEmpty();
    auto named = [&names](const QString& name) {
        for (const QString& programName : names)
            if (CTargetPath::SameName(name, programName)) return true;
        return false;
    };
    auto tag = [](QList<LeftoverItem> items, LeftoverReason reason) {
        for (LeftoverItem& item : items)
            item.reason = reason;
        return items;
    };
    // The folders of a folder, hidden ones included.
    auto folders = [this](const CRealPath& folder, std::vector<platform::FileEntry>* entries) {
        return watch.Ok(files.ListFolder(folder.Exact(), platform::kListDirs | platform::kListHidden, entries));
    };

    QList<LeftoverItem> found;
    for (int csidl : {platform::kCsidlAppData, platform::kCsidlLocalAppData, platform::kCsidlCommonAppData,
                      platform::kCsidlCommonPrograms}) {
        std::string basePath;
        if (!watch.Ok(files.SpecialFolder(csidl, &basePath)) || basePath.empty()) continue;
        const CProtectedFolders::Location location =
            policy.FinalLocation(CTargetPath::FromText(CTargetPath::FromUtf8(basePath)));
        if (location.place != CProtectedFolders::Place::Found) continue;
        std::vector<platform::FileEntry> entries;
        if (!folders(location.real, &entries)) continue;
        for (const platform::FileEntry& entry : entries) {
            if (!entry.isDir()) continue;
            const QString name = CTargetPath::FromUtf8(entry.name);
            const CRealPath path = location.real.Child(name);
            // A folder named after another installed program is its; only
            // one named after this program is worth a note when kept.
            if (named(name) ? IsKept(name, path, true) : policy.IsClaimedName(name) || policy.IsRefusedFolder(path))
                continue;
            // The publisher's folder is entered, never taken, also where the
            // program bears the publisher's name ("Juniper 7" by "Juniper"):
            // it may hold the publisher's other programs. It goes only once
            // the deletion leaves it empty.
            const bool vendorFolder = byVendor && CTargetPath::SameName(name, vendor);
            if (named(name) && !vendorFolder) {
                found += tag(CollectWholeFolder(path, entry.isLink()), LeftoverNamedAfterProgram);
                continue;
            }
            if (!vendorFolder || entry.isLink()) continue;
            std::vector<platform::FileEntry> inner;
            if (!folders(path, &inner)) continue;
            for (const platform::FileEntry& program : inner) {
                const QString programName = CTargetPath::FromUtf8(program.name);
                if (!program.isDir() || !named(programName)) continue;
                const CRealPath programPath = path.Child(programName);
                if (IsKept(programName, programPath, true)) continue;
                found += tag(CollectWholeFolder(programPath, program.isLink()), LeftoverNamedAfterPublisher);
            }
        }
    }
    return found;
}

QList<LeftoverItem> CLeftoverSearch::SearchAppDataFolders(const CTargetPath& folder, const QString& displayName,
                                                          const QString& publisher) {
    // A bare uninstaller stem is used for the MuiCache search only, and a
    // refused folder lends its name to no search.
    if (folder.IsEmpty() || policy.IsKnownFolder(folder) || policy.IsInsideClaim(folder)) return {};
    QList<LeftoverItem> found = CollectInstallFolder(folder);

    // Only a folder name that names the program is searched for: the leaf
    // "bin" of "Acme Studio\bin" would take every other program's "bin".
    const QString leaf = ProgramLeaf(folder, displayName, publisher,
                                     [this](const CTargetPath& path) { return policy.IsKnownFolder(path); });
    if (leaf.size() < CLeftoverSearch::kMinimumNameLength) return found;

    std::string appDataPath;
    if (!watch.Ok(files.SpecialFolder(platform::kCsidlAppData, &appDataPath)) || appDataPath.empty()) return found;
    const CTargetPath appData = CTargetPath::FromText(CTargetPath::FromUtf8(appDataPath));
    if (appData.IsEmpty()) return found;
    QList<LeftoverItem> named = SearchFolderTree(appData, leaf + QLatin1Char('/'), leaf + QLatin1Char('\\')).All();

    const CTargetPath programData = CTargetPath::FromText(appData.Native().left(3) + QLatin1String("ProgramData"));
    named += SearchFolderTree(programData, leaf + QLatin1Char('/'), leaf + QLatin1Char('\\')).All();
    for (LeftoverItem& item : named)
        item.reason = LeftoverNamedAfterProgram;
    return found + named;
}

CLeftoverSearch::TreeFinds CLeftoverSearch::SearchStartMenu(const QString& name) {
    return SearchNamedFolder(platform::kCsidlCommonPrograms, name, true);
}

CLeftoverSearch::TreeFinds CLeftoverSearch::SearchDesktop(const QString& name) {
    return SearchNamedFolder(platform::kCsidlCommonDesktop, name, false);
}

CLeftoverSearch::TreeFinds CLeftoverSearch::SearchNamedFolder(int csidl, const QString& name, bool withSeparator) {
    if (name.isEmpty()) return {};
    std::string basePath;
    if (!watch.Ok(files.SpecialFolder(csidl, &basePath)) || basePath.empty()) return {};
    QString leaf = name;
    const int slash = leaf.lastIndexOf(QLatin1Char('\\'));
    if (slash >= 0) leaf = leaf.mid(slash + 1);
    if (leaf.size() < CLeftoverSearch::kMinimumNameLength) return {};
    const CTargetPath base = CTargetPath::FromText(CTargetPath::FromUtf8(basePath));
    TreeFinds finds = withSeparator ? SearchFolderTree(base, leaf + QLatin1Char('/'), leaf + QLatin1Char('\\'))
                                    : SearchFolderTree(base, leaf, leaf);
    for (QList<LeftoverItem>* items : {&finds.leftoverFiles, &finds.leftoverFolders})
        for (LeftoverItem& item : *items)
            item.reason = LeftoverNamedAfterProgram;
    return finds;
}

CLeftoverSearch::TreeFinds CLeftoverSearch::SearchFolderTree(const CTargetPath& base, const QString& filePattern,
                                                             const QString& folderPattern) {
    TreeFinds finds;
    // The base is walked at its real location, so that every folder below
    // it is judged where it really is.
    const CProtectedFolders::Location location = policy.FinalLocation(base);
    if (location.place != CProtectedFolders::Place::Found) return finds;
    WalkTree(location.real, filePattern, folderPattern, false, &finds);
    return finds;
}

bool CLeftoverSearch::WalkTree(const CRealPath& listBase, const QString& filePattern, const QString& folderPattern,
                               bool whole, TreeFinds* treeFinds) {
    TreeFinds& finds = *treeFinds;
    const Pattern filePat(filePattern);
    const Pattern folderPat(folderPattern);
    if (filePat.name.isEmpty() || folderPat.name.isEmpty()) return false;

    // The whole tree in one call; links are listed but not entered, and
    // system entries are left out as a plain listing leaves them out.
    std::vector<platform::TreeEntry> entries;
    if (!watch.Ok(files.ListTree(listBase.Exact(),
                                 platform::kListFiles | platform::kListDirs | platform::kListHidden |
                                     platform::kListNoFileAttributes,
                                 &entries)))
        return true;
    const size_t root = entries.size();
    std::vector<std::vector<uint32_t>> children(entries.size() + 1);
    for (uint32_t i = 0; i < entries.size(); ++i) {
        const uint32_t parent = entries[i].parent;
        if (parent == platform::TreeEntry::kTreeRoot)
            children[root].push_back(i);
        else if (parent < i)
            children[parent].push_back(i);
    }
    std::vector<QString> names(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        names[i] = CTargetPath::FromUtf8(entries[i].entry.name);

    // Depth first, as a recursive listing would go: the files of a folder,
    // then each subfolder's tree, then the subfolder itself. `fileAbove`
    // and `folderAbove` tell whether a folder between the base and here
    // has the pattern's name.
    struct Visit {
        platform::IFileSystem& files;
        CBackendWatch& watch;
        CProtectedFolders& policy;
        TreeFinds& finds;
        const std::vector<platform::TreeEntry>& entries;
        const std::vector<std::vector<uint32_t>>& children;
        const std::vector<QString>& names;
        const Pattern& filePat;
        const Pattern& folderPat;
        CLeftoverSearch& search;

        // True when the folder holds a folder that another program claims.
        bool operator()(size_t folder, const CRealPath& folderPath, bool fileAbove, bool folderAbove) const {
            bool holdsClaim = false;
            for (uint32_t child : children[folder]) {
                if (entries[child].entry.isDir()) continue;
                const QString& name = names[child];
                const bool match =
                    fileAbove || (!filePat.onlyAbove && (CTargetPath::SameName(name, filePat.name) ||
                                                         CTargetPath::SameName(CTargetPath::Stem(name), filePat.name)));
                if (!match) continue;
                const CRealPath path = folderPath.Child(name);
                if (search.IsKept(CTargetPath::Stem(name), path, false)) continue;
                LeftoverItem item;
                item.target = path.Slashed();
                item.displayText = item.target;
                item.kind = LeftoverFile;
                // The walk may have listed files without their attributes: a
                // system file is no leftover, and one whose attributes cannot
                // be read is kept.
                uint32_t attributes = entries[child].entry.attributes;
                if (!(attributes & platform::kAttrSystem) &&
                    !watch.Ok(files.GetAttributes(path.Exact(), &attributes))) {
                    search.Keep(path.Native(), KeptUndecided);
                    continue;
                }
                if (!(attributes & platform::kAttrSystem)) finds.leftoverFiles.append(item);
            }
            for (uint32_t child : children[folder]) {
                if (!entries[child].entry.isDir()) continue;
                const QString& name = names[child];
                const CRealPath childPath = folderPath.Child(name);
                // A folder named after another installed program is its,
                // and so is all of it; what holds it is not collected.
                if (policy.IsClaimedName(name)) {
                    holdsClaim = true;
                    if (folderAbove || (!folderPat.onlyAbove && CTargetPath::SameName(name, folderPat.name)))
                        search.Keep(childPath.Native(), KeptClaimedByOther);
                    continue;
                }
                // A known folder, or one that holds known folders, does not
                // count as the program's folder however it is named: the
                // leaf "Microsoft" must not take AppData's Microsoft folder.
                const bool fileNamed = CTargetPath::SameName(name, filePat.name);
                const bool folderNamed = CTargetPath::SameName(name, folderPat.name);
                const bool known = (fileNamed || folderNamed) && policy.IsRefusedFolder(childPath);
                bool childHoldsClaim = false;
                if (!entries[child].entry.isLink())
                    childHoldsClaim = (*this)(child, childPath, fileAbove || (fileNamed && !known),
                                              folderAbove || (folderNamed && !known));
                holdsClaim = holdsClaim || childHoldsClaim;
                const bool match = folderAbove || (!folderPat.onlyAbove && CTargetPath::SameName(name, folderPat.name));
                if (!match) continue;
                if (childHoldsClaim) {
                    search.Keep(childPath.Native(), KeptClaimedByOther);
                    continue;
                }
                if (search.IsKept(QString(), childPath, true)) continue;
                LeftoverItem item;
                item.target = childPath.Native();
                item.displayText = item.target;
                item.kind = LeftoverFolder;
                finds.leftoverFolders.append(item);
            }
            return holdsClaim;
        }
    };
    return Visit{files, watch, policy, finds, entries, children, names, filePat, folderPat, *this}(root, listBase,
                                                                                                   whole, whole);
}

QList<LeftoverItem> CLeftoverSearch::CollectRegistryLeftovers(const QString& name, const QString& folder,
                                                              bool folderInReach,
                                                              const CAppEnum::UninstallKeyCheck& mayTake) {
    if (folder.isEmpty()) return {};
    // The uninstall key is still taken for a refused folder; the MuiCache
    // values naming such a folder are not, nor those naming what another
    // program claims.
    const CTargetPath path = CTargetPath::FromText(folder);
    const bool refused =
        !folderInReach || (!path.IsEmpty() && (policy.IsKnownFolder(path) || policy.IsInsideClaim(path)));
    QList<LeftoverItem> found;
    QStringList otherKeys;
    watch.Ok(appEnum.FindRegistryLeftovers(name, refused ? QString() : folder, &found, mayTake, &otherKeys));
    for (const QString& key : otherKeys)
        Keep(key, KeptClaimedByOther);
    for (int i = found.size() - 1; i >= 0; --i) {
        if (found[i].kind == LeftoverMuiCacheValue && policy.IsInsideClaim(CTargetPath::FromText(found[i].target))) {
            Keep(found[i].displayText, KeptClaimedByOther);
            found.removeAt(i);
        } else
            found[i].reason = found[i].kind == LeftoverRegistry ? LeftoverUninstallEntry : LeftoverInInstallFolder;
    }
    return found;
}
