#include "uninstall/ClaimReader.h"

#include <QRegularExpression>

#include "include/PathText.h"
#include "inventory/AppEnum.h"
#include "platform/WindowsFacts.h"
#include "uninstall/LeftoverSearch.h"

using platform::Hive;
using platform::RegKey;
using platform::ScopedRegKey;

namespace {

constexpr uint32_t kFirstBuffer = platform::kTextBufferSize;
// A key name holds at most 255 characters; a value is read up to 16 MiB.
constexpr uint32_t kLargestName = 4096;
constexpr uint32_t kLargestValue = 16u << 20;

std::string TextOf(const std::string& data) {
    return data.substr(0, std::min(data.find('\0'), data.size()));
}

QString Decoded(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size()));
}

QString LastName(const QString& text) {
    const int slash = text.lastIndexOf(QLatin1Char('\\'));
    return slash < 0 ? text : text.mid(slash + 1);
}

// The folder holding a file; none for a file at a drive root.
CTargetPath FolderOfFile(const QString& path) {
    const CTargetPath parent = CTargetPath::FromText(path).Parent();
    return parent.IsDriveRoot() ? CTargetPath() : parent;
}

// A variable the expansion left as written: "%NAME%".
const QRegularExpression& Unexpanded() {
    static const QRegularExpression variable(QStringLiteral("%[^%\\\\/]+%"));
    return variable;
}

// The folder names after the last variable that could not be expanded:
// whatever folder such a text names has them ("%VendorRoot%\Other Tool"
// could be any folder called "Other Tool"). The last name of a file's path
// is the file. None when every variable was expanded.
QStringList NamesAfterUnexpanded(const QString& text, bool endsInFile) {
    int end = -1;
    for (QRegularExpressionMatchIterator it = Unexpanded().globalMatch(text); it.hasNext();)
        end = it.next().capturedEnd();
    if (end < 0) return {};
    QStringList names = text.mid(end).split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
    if (endsInFile && !names.isEmpty()) names.removeLast();
    return names;
}

// The forms a text may take once expanded: itself, and for a program-files
// variable also the other view's folder, since the text says nothing of
// the bitness of the program that expands it.
QStringList ExpansionForms(const QString& text) {
    QStringList forms{text};
    for (const char* variable : {"%ProgramFiles%", "%CommonProgramFiles%"}) {
        const QString name = QLatin1String(variable);
        if (!text.contains(name, Qt::CaseInsensitive)) continue;
        QString other = text;
        other.replace(name, name.left(name.size() - 1) + QLatin1String("(x86)%"), Qt::CaseInsensitive);
        forms << other;
    }
    return forms;
}

} // namespace

CClaimReader::CClaimReader(platform::IRegistry& targetRegistry, platform::ISystem& targetSystem,
                           CBackendWatch& backendWatch, bool is64Bit)
    : registry(targetRegistry), system(targetSystem), watch(backendWatch), is64BitOs(is64Bit) {}

bool CClaimReader::Fail(const QString& why) {
    reason = why;
    return false;
}

bool CClaimReader::ReadText(RegKey key, const char* name, const QString& where, std::string* text) {
    text->clear();
    for (uint32_t size = kFirstBuffer;; size *= 16) {
        uint32_t type = platform::kRegNone;
        std::string data;
        const uint32_t status = registry.QueryValue(key, name, size, &type, &data);
        if (status == platform::kErrorFileNotFound) return true;
        if (status == platform::kErrorMoreData && size < kLargestValue) continue;
        if (!watch.Ok(status))
            return Fail(QStringLiteral("the value \"%1\" of %2 cannot be read (error %3)")
                            .arg(QLatin1String(name), where)
                            .arg(status));
        // A number or binary value names no folder.
        if (type == platform::kRegSz || type == platform::kRegExpandSz) *text = TextOf(data);
        return true;
    }
}

bool CClaimReader::ReadEntry(RegKey key, const QString& where, Entry* entry) {
    return ReadText(key, "DisplayName", where, &entry->displayName) &&
           ReadText(key, "Inno Setup: Icon Group", where, &entry->iconGroup) &&
           ReadText(key, "InstallLocation", where, &entry->installLocation) &&
           ReadText(key, "DisplayIcon", where, &entry->displayIcon) &&
           ReadText(key, "QuietUninstallString", where, &entry->quietUninstall) &&
           ReadText(key, "UninstallString", where, &entry->uninstall) &&
           ReadText(key, "Publisher", where, &entry->publisher);
}

bool CClaimReader::ReadPass(Hive hive, uint32_t view, const QString& where, std::vector<Entry>* entries) {
    const QString list = where + QLatin1Char('\\') + QLatin1String(CAppEnum::kUninstallKey);
    const QString inView = view == platform::kKeyWow64_32Key ? QStringLiteral(" (32-bit view)")
                           : hive == Hive::LocalMachine      ? QStringLiteral(" (64-bit view)")
                                                             : QString();
    ScopedRegKey listKey(registry);
    const uint32_t opened = registry.OpenKey(hive, CAppEnum::kUninstallKey, platform::kKeyRead | view, listKey.out());
    // A view without the key lists no program.
    if (opened == platform::kErrorFileNotFound) return true;
    if (!watch.Ok(opened))
        return Fail(QStringLiteral("the list of installed programs %1%2 cannot be opened (error %3)")
                        .arg(list, inView)
                        .arg(opened));
    for (uint32_t index = 0;; ++index) {
        std::string name;
        uint32_t status = platform::kErrorMoreData;
        for (uint32_t size = kFirstBuffer; status == platform::kErrorMoreData && size <= kLargestName; size *= 4)
            status = registry.EnumKey(listKey.get(), index, size, &name);
        if (status == platform::kErrorNoMoreItems) return true;
        if (!watch.Ok(status))
            return Fail(QStringLiteral("the list of installed programs %1%2 cannot be read (error %3)")
                            .arg(list, inView)
                            .arg(status));
        const QString entryWhere = list + QLatin1Char('\\') + Decoded(name) + inView;
        ScopedRegKey key(registry);
        const uint32_t keyOpened = registry.OpenKey(hive, std::string(CAppEnum::kUninstallKey) + "\\" + name,
                                                    platform::kKeyQueryValue | view, key.out());
        // Gone since it was listed: it claims nothing any more.
        if (keyOpened == platform::kErrorFileNotFound) continue;
        if (!watch.Ok(keyOpened))
            return Fail(QStringLiteral("the registration %1 cannot be read (error %2)").arg(entryWhere).arg(keyOpened));
        Entry entry;
        if (!ReadEntry(key.get(), entryWhere, &entry)) return false;
        entries->push_back(std::move(entry));
    }
}

bool CClaimReader::IsRecordOf(const Entry& entry, const InstalledProgram& program) {
    // The record holds each text as its 260-byte field keeps it.
    auto field = [](const std::string& text) { return FieldValue(text, false); };
    const std::string quiet = field(entry.quietUninstall);
    return FieldValue(entry.displayName, true) == FieldText(program.displayName) &&
           field(entry.installLocation) == FieldText(program.installLocation) &&
           (quiet.empty() ? field(entry.uninstall) : quiet) == FieldText(program.uninstallCommand) &&
           field(entry.displayIcon) == FieldText(program.displayIcon);
}

bool CClaimReader::Read(const InstalledProgram& program, const QString& ownName, const KnownFolderTest& isKnownFolder,
                        Claims* claims) {
    reason.clear();
    *claims = Claims();
    std::vector<Entry> entries;
    if (!ReadPass(Hive::LocalMachine, platform::kKeyWow64_32Key, QStringLiteral("HKLM"), &entries)) return false;
    if (is64BitOs && !ReadPass(Hive::LocalMachine, platform::kKeyWow64_64Key, QStringLiteral("HKLM"), &entries))
        return false;
    if (!ReadPass(Hive::CurrentUser, platform::kKeyWow64_64Key, QStringLiteral("HKCU"), &entries)) return false;

    // The texts of every other registration.
    constexpr size_t kFields = 7;
    std::vector<std::string> utf8;
    for (const Entry& entry : entries)
        if (!IsRecordOf(entry, program))
            for (const std::string* text :
                 {&entry.displayName, &entry.iconGroup, &entry.publisher, &entry.installLocation, &entry.displayIcon,
                  &entry.quietUninstall, &entry.uninstall})
                utf8.push_back(*text);

    // The four path texts of each, in every form they may expand to, in one
    // call: a text of another registration claims what it names once
    // expanded, as its program reads it.
    std::vector<std::string> unexpanded;
    for (size_t i = 0; i < utf8.size(); i += kFields)
        for (size_t field = 3; field < kFields; ++field)
            for (const QString& form : ExpansionForms(Decoded(utf8[i + field])))
                unexpanded.push_back(form.toStdString());
    std::vector<std::string> expanded;
    const uint32_t expandedStatus = system.ExpandEnvironment(unexpanded, &expanded);
    if (!watch.Ok(expandedStatus) || expanded.size() != unexpanded.size())
        return Fail(
            QStringLiteral("the texts of the other registrations cannot be expanded (error %1)").arg(expandedStatus));

    QStringList names;
    size_t next = 0;
    for (size_t i = 0; i < utf8.size(); i += kFields) {
        const QString displayName = Decoded(utf8[i]);
        const QString publisher = Decoded(utf8[i + 2]);
        names << displayName << LastName(Decoded(utf8[i + 1]));
        claims->bearers << displayName << publisher;
        for (size_t field = 3; field < kFields; ++field) {
            const int formCount = ExpansionForms(Decoded(utf8[i + field])).size();
            for (int form = 0; form < formCount; ++form) {
                const QString text = Decoded(expanded[next++]);
                if (field == 3) {
                    // A folder name may hold a comma.
                    const QString folderText = CleanFolderText(text);
                    const CTargetPath location = CTargetPath::FromText(folderText);
                    claims->folders << location;
                    names << CLeftoverSearch::ProgramLeaf(location, displayName, publisher, isKnownFolder)
                          << NamesAfterUnexpanded(folderText, false);
                } else {
                    const QString file = field == 4 ? CleanPathText(text) : CommandPath(text);
                    claims->folders << FolderOfFile(file);
                    names << NamesAfterUnexpanded(file, true);
                }
            }
        }
    }
    claims->folders.removeAll(CTargetPath());
    claims->bearers.removeAll(QString());
    // A name the program itself bears is no claim against it: the same
    // name registered twice must not hide the program's own folders.
    for (const QString& name : names) {
        const QString trimmed = name.trimmed();
        if (trimmed.size() >= CLeftoverSearch::kMinimumNameLength &&
            !CTargetPath::SameName(trimmed, ownName.trimmed()) && !claims->names.contains(trimmed))
            claims->names << trimmed;
    }
    return true;
}
