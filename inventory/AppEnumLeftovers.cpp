// The registry side of the leftover search: uninstall keys and MuiCache
// values that a removed program left behind.

#include <algorithm>
#include <cstring>
#include <string>

#include "include/PathText.h"
#include "inventory/AppEnum.h"
#include "platform/WindowsFacts.h"

using platform::Hive;
using platform::RegKey;
using platform::ScopedRegKey;

namespace {

using platform::kMuiCacheKey;
constexpr uint32_t kBufferSize = platform::kTextBufferSize;
constexpr uint32_t kTextDataSize = platform::kTextDataBufferSize;
constexpr const char* kClassesRootDisplay = "HKEY_CLASSES_ROOT\\";
// A shorter folder text ("D:", "ab") would catch the MuiCache values of
// unrelated programs.
constexpr int kMinimumFolderLength = 3;

// Registry string data up to its first zero byte.
std::string TextOf(const std::string& data) {
    return data.substr(0, std::min(data.find('\0'), data.size()));
}

bool IsSeparator(QChar c) {
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

// Whether a MuiCache value name (an executable path, sometimes followed by
// ".FriendlyAppName" or ".ApplicationCompany") names something inside
// `folder`. An absolute folder must be followed by a separator, so that
// C:\Apps\Acme does not match C:\Apps\Acme Pro\acme.exe; a bare uninstaller
// stem must be a whole file name without its extensions, so that unins000
// matches ...\unins000.exe but not ...\myunins000.exe.
bool NamesFolder(const QString& valueName, const QString& folder, bool absolute) {
    // Searched in the form names compare in, which keeps every position.
    const QString nameKey = WindowsNameKey(valueName);
    const QString folderKey = WindowsNameKey(folder);
    for (int at = nameKey.indexOf(folderKey); at >= 0; at = nameKey.indexOf(folderKey, at + 1)) {
        const int end = at + folder.size();
        const QChar before = at > 0 ? valueName.at(at - 1) : QChar();
        const QChar after = end < valueName.size() ? valueName.at(end) : QChar();
        if (absolute) {
            if (at > 0 && before.isLetterOrNumber()) continue;
            if (end == valueName.size() || IsSeparator(after)) return true;
            // A file path text followed by the cache's own suffix
            // (".FriendlyAppName"), not a longer folder name ("Acme.old\").
            if (after == QLatin1Char('.') && valueName.indexOf(QLatin1Char('\\'), end) < 0 &&
                valueName.indexOf(QLatin1Char('/'), end) < 0)
                return true;
        } else {
            if (at > 0 && !IsSeparator(before)) continue;
            if (end == valueName.size() || after == QLatin1Char('.')) return true;
        }
    }
    return false;
}

bool IsAbsoluteFolder(const QString& folder) {
    return folder.size() >= 3 && folder.at(0).isLetter() && folder.at(1) == QLatin1Char(':') &&
           IsSeparator(folder.at(2));
}

} // namespace

uint32_t CAppEnum::LeftoverCall(uint32_t status) {
    if (status == platform::kErrorBackendFailure) leftoverBackendFailed = true;
    return status;
}

uint32_t CAppEnum::FindRegistryLeftovers(const QString& name, const QString& folder, QList<LeftoverItem>* found,
                                         const UninstallKeyCheck& mayTake, QStringList* kept) {
    std::lock_guard<std::mutex> lock(leftoverMutex);
    found->clear();
    leftoverResults.clear();
    leftoverBackendFailed = false;
    ScanUninstallKeys(Hive::LocalMachine, platform::kKeyWow64_32Key, name, mayTake, kept);
    if (is64BitOs && !leftoverBackendFailed)
        ScanUninstallKeys(Hive::LocalMachine, platform::kKeyWow64_64Key, name, mayTake, kept);
    if (!leftoverBackendFailed) ScanUninstallKeys(Hive::CurrentUser, platform::kKeyWow64_64Key, name, mayTake, kept);
    if (!leftoverBackendFailed) FindMuiCacheValues(folder);
    if (leftoverBackendFailed) {
        leftoverResults.clear();
        return platform::kErrorBackendFailure;
    }
    found->swap(leftoverResults);
    return platform::kErrorSuccess;
}

void CAppEnum::ScanUninstallKeys(Hive hive, uint32_t view, const QString& name, const UninstallKeyCheck& mayTake,
                                 QStringList* kept) {
    ScopedRegKey list(registry);
    if (LeftoverCall(registry.OpenKey(hive, kUninstallKey, platform::kKeyRead | view, list.out())) !=
        platform::kErrorSuccess)
        return;
    // The deletion works in the default (64-bit) view, so a key read
    // through the 32-bit view of a 64-bit system is named by the path that
    // reaches it from there.
    const bool redirected = hive == Hive::LocalMachine && is64BitOs && view == platform::kKeyWow64_32Key;
    const QString listPath = QString::fromLatin1(redirected ? kUninstallKey32On64 : kUninstallKey);
    for (uint32_t index = 0;; ++index) {
        std::string subKeyName;
        if (LeftoverCall(registry.EnumKey(list.get(), index, kBufferSize, &subKeyName)) != platform::kErrorSuccess)
            break;
        ScopedRegKey subKey(registry);
        const std::string path = std::string(kUninstallKey) + "\\" + subKeyName;
        const uint32_t opened =
            LeftoverCall(registry.OpenKey(hive, path, platform::kKeyQueryValue | view, subKey.out()));
        if (leftoverBackendFailed) return;
        if (opened != platform::kErrorSuccess) continue;
        const QString subKeyText = QString::fromStdString(subKeyName);
        const int found = leftoverResults.size();
        const QString keyPath = listPath + QLatin1Char('\\') + subKeyText;
        const bool taken = CollectUninstallKey(subKey.get(), name, keyPath, mayTake);
        if (leftoverBackendFailed) return;
        if (!taken && kept) kept->append(keyPath);
        // Deleted where it was found alone: the same subkey name in the other
        // hive may be another registration.
        for (int i = found; i < leftoverResults.size(); ++i) {
            leftoverResults[i].hive = hive == Hive::LocalMachine ? LeftoverLocalMachine : LeftoverCurrentUser;
            leftoverResults[i].view = view == platform::kKeyWow64_32Key ? 32 : 64;
        }
        subKey.reset();
        // Once one key is found, every later scan stops at its first key.
        if (!leftoverResults.isEmpty()) break;
    }
}

bool CAppEnum::CollectUninstallKey(RegKey key, const QString& name, const QString& keyPath,
                                   const UninstallKeyCheck& mayTake) {
    // Only an equal name: "Acme Notes" must not take the key of
    // "Acme Notes Pro".
    if (name.isEmpty()) return true;
    uint32_t type = platform::kRegNone;
    std::string data;
    if (LeftoverCall(registry.QueryValue(key, "DisplayName", kTextDataSize, &type, &data)) != platform::kErrorSuccess)
        return true;
    if (!SameWindowsName(QString::fromStdString(TextOf(data)), name)) return true;

    uint32_t count = 0;
    if (LeftoverCall(registry.QueryValueCount(key, &count)) != platform::kErrorSuccess) count = 0;
    std::vector<std::string> texts;
    for (uint32_t index = 0; index < count; ++index) {
        std::string valueName;
        uint32_t valueType = platform::kRegNone;
        if (LeftoverCall(registry.EnumValue(key, index, kBufferSize, &valueName, &valueType)) !=
            platform::kErrorSuccess)
            continue;
        std::string valueText;
        std::string valueData;
        uint32_t readType = platform::kRegNone;
        if (valueType == platform::kRegSz || valueType == platform::kRegExpandSz) {
            if (LeftoverCall(registry.QueryValue(key, valueName, kTextDataSize, &readType, &valueData)) ==
                platform::kErrorSuccess)
                valueText = TextOf(valueData);
        } else {
            uint32_t number = 0;
            if (LeftoverCall(registry.QueryValue(key, valueName, sizeof number, &readType, &valueData)) ==
                platform::kErrorSuccess)
                std::memcpy(&number, valueData.data(), std::min(valueData.size(), sizeof number));
            valueText = std::to_string(number);
        }
        texts.push_back(valueName);
        texts.push_back(valueText);
    }
    if (leftoverBackendFailed) return true;
    if (mayTake) {
        std::string command;
        std::string quietCommand;
        for (size_t i = 0; i + 1 < texts.size(); i += 2) {
            const QString valueName = QString::fromStdString(texts[i]);
            if (valueName.compare(QLatin1String("UninstallString"), Qt::CaseInsensitive) == 0) command = texts[i + 1];
            if (valueName.compare(QLatin1String("QuietUninstallString"), Qt::CaseInsensitive) == 0)
                quietCommand = texts[i + 1];
        }
        if (!mayTake(command, quietCommand)) return false;
    }
    for (size_t i = 0; i + 1 < texts.size(); i += 2) {
        LeftoverItem item;
        item.valueName = QString::fromStdString(texts[i]);
        item.target = keyPath;
        item.displayText =
            keyPath + QLatin1Char('|') + item.valueName + QLatin1Char(':') + QString::fromStdString(texts[i + 1]);
        item.kind = LeftoverRegistry;
        leftoverResults.append(item);
    }
    LeftoverItem keyItem;
    keyItem.displayText = keyPath;
    keyItem.target = keyPath;
    keyItem.kind = LeftoverRegistry;
    leftoverResults.append(keyItem);
    return true;
}

void CAppEnum::FindMuiCacheValues(const QString& folder) {
    if (folder.size() < kMinimumFolderLength) return;
    ScopedRegKey cache(registry);
    if (LeftoverCall(registry.OpenKey(Hive::ClassesRoot, kMuiCacheKey, platform::kKeyRead, cache.out())) !=
        platform::kErrorSuccess)
        return;
    uint32_t count = 0;
    if (LeftoverCall(registry.QueryValueCount(cache.get(), &count)) != platform::kErrorSuccess) return;
    std::vector<std::string> names;
    for (uint32_t index = 0; index < count; ++index) {
        std::string valueName;
        uint32_t type = platform::kRegNone;
        if (LeftoverCall(registry.EnumValue(cache.get(), index, kBufferSize, &valueName, &type)) ==
            platform::kErrorSuccess)
            names.push_back(valueName);
        if (leftoverBackendFailed) return;
    }
    const bool absolute = IsAbsoluteFolder(folder);
    for (const std::string& utf8 : names) {
        const QString valueName = QString::fromStdString(utf8);
        if (!NamesFolder(valueName, folder, absolute)) continue;
        LeftoverItem item;
        item.displayText =
            QString::fromLatin1(kClassesRootDisplay) + QString::fromLatin1(kMuiCacheKey) + QLatin1Char('|') + valueName;
        item.target = valueName;
        item.kind = LeftoverMuiCacheValue;
        leftoverResults.append(item);
    }
}
