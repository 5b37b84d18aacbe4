#include "inventory/AppEnum.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/WindowsFacts.h"
#include "support/Log.h"

using platform::Hive;
using platform::RegKey;
using platform::ScopedRegKey;

namespace {

constexpr uint32_t kNameBufferSize = platform::kTextBufferSize;
// Sizes of 3 GiB and more (counted in KiB) are taken as bogus.
constexpr uint64_t kSizeLimitKiB = 3145728;

// Access masks per pass: the list key is read with its view flag; the
// subkeys are opened for querying values in the 64-bit view for the 64-bit
// pass and in the 32-bit view for the other two.
constexpr uint32_t kListAccess32 = platform::kKeyRead | platform::kKeyWow64_32Key;        // 0x20219
constexpr uint32_t kListAccess64 = platform::kKeyRead | platform::kKeyWow64_64Key;        // 0x20119
constexpr uint32_t kListAccessUser = platform::kKeyRead;                                  // 0x20019
constexpr uint32_t kValueAccess32 = platform::kKeyQueryValue | platform::kKeyWow64_32Key; // 0x201
constexpr uint32_t kValueAccess64 = platform::kKeyQueryValue | platform::kKeyWow64_64Key; // 0x101

bool IsText(uint32_t type) {
    return type == platform::kRegSz || type == platform::kRegExpandSz;
}
bool IsNumber(uint32_t type) {
    return type == platform::kRegDword || type == platform::kRegQword;
}

bool IsUnsupported(const char* text) {
    return std::strcmp(text, "(Unsupported)") == 0;
}

} // namespace

const char* ProgramSourceName(ProgramSource source) {
    switch (source) {
    case ProgramSource::LocalMachine32:
        return "HKLM32";
    case ProgramSource::LocalMachine64:
        return "HKLM64";
    case ProgramSource::CurrentUser:
        return "HKCU";
    }
    return "";
}

CAppEnum::CAppEnum(platform::IRegistry& targetRegistry, platform::ISystem& targetSystem)
    : registry(targetRegistry), system(targetSystem),
      is64BitOs(targetSystem.NativeProcessorArchitecture() == platform::kArchitectureAmd64) {}

uint32_t CAppEnum::Enum() {
    std::lock_guard<std::mutex> enumLock(enumMutex);
    enumBackendFailed = false;
    // Built aside and swapped in at the end, so that a reader never sees a
    // list that is half read.
    PassResult result;

    bool read = true;
    if (is64BitOs) {
        LogTimedLine("CAppEnum::Enum64Bit begin with %s\r\n");
        read = RunPass(Hive::LocalMachine, PassMode::View32, &result);
        LogTimedLine("CAppEnum::Enum64Bit end with %s\r\n");
        read = read && RunPass(Hive::LocalMachine, PassMode::View64, &result);
        LogTimedLine("CAppEnum::Enum32Bit end with %s\r\n");
    } else {
        read = RunPass(Hive::LocalMachine, PassMode::View32, &result);
    }
    read = read && RunPass(Hive::CurrentUser, PassMode::CurrentUser, &result);
    LogTimedLine("CAppEnum::EnumLocalUser end with %s\r\n");
    if (!read) return platform::kErrorBackendFailure;

    std::lock_guard<std::mutex> listLock(listMutex);
    programs.swap(result.programs);
    sources.swap(result.sources);
    return platform::kErrorSuccess;
}

std::vector<InstalledProgram> CAppEnum::GetPrograms() const {
    std::lock_guard<std::mutex> lock(listMutex);
    return programs;
}

void CAppEnum::ReadProgramsWithSources(
    const std::function<void(const std::vector<InstalledProgram>&, const std::vector<ProgramSource>&)>& read) const {
    std::lock_guard<std::mutex> lock(listMutex);
    read(programs, sources);
}

bool CAppEnum::RunPass(Hive hive, PassMode mode, PassResult* result) {
    const uint32_t listAccess = mode == PassMode::View32   ? kListAccess32
                                : mode == PassMode::View64 ? kListAccess64
                                                           : kListAccessUser;
    const uint32_t valueAccess = mode == PassMode::View64 ? kValueAccess64 : kValueAccess32;
    const ProgramSource source = mode == PassMode::View32   ? ProgramSource::LocalMachine32
                                 : mode == PassMode::View64 ? ProgramSource::LocalMachine64
                                                            : ProgramSource::CurrentUser;
    const std::string uninstallKey = kUninstallKey;
    constexpr uint32_t kFailed = platform::kErrorBackendFailure;

    ScopedRegKey listKey(registry);
    uint32_t status = registry.OpenKey(hive, uninstallKey, listAccess, listKey.out());
    if (status != platform::kErrorSuccess) return status != kFailed;

    // First walk: which subkeys are programs at all. Updates name their
    // parent by these names, so the whole set is needed before any record
    // can be judged.
    std::unordered_set<std::string> acceptedKeys;
    std::string name;
    for (uint32_t index = 0;; ++index) {
        // Any error ends the walk, a name too long for the buffer included.
        status = registry.EnumKey(listKey.get(), index, kNameBufferSize, &name);
        if (status != platform::kErrorSuccess) break;
        ScopedRegKey subKey(registry);
        status = registry.OpenKey(hive, uninstallKey + "\\" + name, valueAccess, subKey.out());
        if (status == kFailed) return false;
        if (status != platform::kErrorSuccess) continue;
        if (AcceptKey(subKey.get())) acceptedKeys.insert(name);
        if (enumBackendFailed) return false;
    }
    if (status == kFailed) return false;

    // Second walk: read the accepted ones. The list key is opened again with
    // a view flag even for the current user, whose keys both views share,
    // while the first is still open: a backend that keeps what it read with
    // an open key then answers the second walk from the first.
    const uint32_t secondAccess = mode == PassMode::View64 ? kListAccess64 : kListAccess32;
    ScopedRegKey secondKey(registry);
    status = registry.OpenKey(hive, uninstallKey, secondAccess, secondKey.out());
    listKey.reset();
    if (status != platform::kErrorSuccess) return status != kFailed;
    // Room for the passes to come as well: pages never written cost
    // nothing, while growing the list copies its 2 KB records into fresh
    // pages, whose first writes are slow.
    const size_t needed = result->programs.size() + acceptedKeys.size();
    if (needed > result->programs.capacity()) {
        result->programs.reserve(std::max<size_t>(4 * needed, 1024));
        result->sources.reserve(result->programs.capacity());
    }
    for (uint32_t index = 0;; ++index) {
        status = registry.EnumKey(secondKey.get(), index, kNameBufferSize, &name);
        if (status != platform::kErrorSuccess) break;
        if (acceptedKeys.count(name) == 0) continue;
        ScopedRegKey subKey(registry);
        status = registry.OpenKey(hive, uninstallKey + "\\" + name, valueAccess, subKey.out());
        if (status == kFailed) return false;
        if (status != platform::kErrorSuccess) continue;
        // Read in place: a record is about 2 KB, and a list of a thousand
        // was copied once more for each program.
        InstalledProgram& program = result->programs.emplace_back();
        bool mainEntry = false;
        const bool complete = ReadProgram(subKey.get(), name, acceptedKeys, &program, &mainEntry);
        if (enumBackendFailed) return false;
        if (complete && mainEntry)
            result->sources.push_back(source);
        else
            result->programs.pop_back();
    }
    return status != kFailed;
}

bool CAppEnum::AcceptKey(RegKey key) {
    if (ReadDword(key, "SystemComponent") == 1) return false;
    char text[InstalledProgram::kTextSize] = {};
    if (!ReadText(key, "DisplayName", text, true)) return false;
    std::memset(text, 0, sizeof text);
    ReadText(key, "UninstallString", text);
    return text[0] != '\0' && !IsUnsupported(text);
}

bool CAppEnum::IsMainEntry(RegKey key, const std::unordered_set<std::string>& acceptedKeys) {
    char text[InstalledProgram::kTextSize] = {};
    ReadText(key, "ParentKeyName", text);
    if (text[0] == '\0') return true;
    if (acceptedKeys.count(text) != 0) return false;
    std::memset(text, 0, sizeof text);
    ReadText(key, "ReleaseType", text);
    // Exact, case-sensitive: these are the names installers write.
    if (std::strcmp(text, "Security Update") == 0 || std::strcmp(text, "Hotfix") == 0 ||
        std::strcmp(text, "Service Pack") == 0)
        return false;
    return ReadDword(key, "IsMinorUpgrade") != 1;
}

bool CAppEnum::ReadProgram(RegKey key, const std::string& keyName, const std::unordered_set<std::string>& acceptedKeys,
                           InstalledProgram* program, bool* mainEntry) {
    *mainEntry = IsMainEntry(key, acceptedKeys);
    if (!ReadText(key, "DisplayName", program->displayName, true)) return false;
    ReadText(key, "DisplayIcon", program->displayIcon);
    ReadText(key, "Inno Setup: Icon Group", program->iconGroup);
    // The quiet command runs without questions, so it is preferred.
    ReadText(key, "QuietUninstallString", program->uninstallCommand);
    if (program->uninstallCommand[0] == '\0') {
        ReadText(key, "UninstallString", program->uninstallCommand);
        if (program->uninstallCommand[0] == '\0' || IsUnsupported(program->uninstallCommand)) return false;
    }
    ReadText(key, "InstallLocation", program->installLocation);
    ReadText(key, "Publisher", program->publisher, true);
    ReadText(key, "DisplayVersion", program->displayVersion, true);
    const uint64_t sizeKiB = ReadQword(key, "EstimatedSize");
    if (sizeKiB != 0 && (sizeKiB >> 32) == 0 && sizeKiB < kSizeLimitKiB) program->sizeBytes = sizeKiB * 1024;
    // Windows Installer names a package's entry after its product code.
    if (platform::IsProductCode(keyName) && ReadDword(key, "WindowsInstaller") == 1)
        std::memcpy(program->productCode, keyName.data(), keyName.size());
    return true;
}

bool CAppEnum::ReadText(RegKey key, const char* valueName, char (&field)[InstalledProgram::kTextSize], bool cut) {
    uint32_t type = platform::kRegNone;
    std::string data;
    const uint32_t status = registry.QueryValue(key, valueName, platform::kTextDataBufferSize, &type, &data);
    if (status == platform::kErrorBackendFailure) enumBackendFailed = true;
    if (status != platform::kErrorSuccess) return false;
    // A number or binary value is no text to show or run.
    if (!IsText(type)) return false;
    // Data that fills the whole buffer without a terminating zero does not
    // fit as a string.
    const size_t zero = data.find('\0');
    if (zero == std::string::npos && platform::Utf16Length(data) >= sizeof field) return false;
    const std::string text = FieldValue(data.substr(0, zero), cut);
    if (text.empty() && zero != 0 && !data.empty()) return false;
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), text.size());
    return true;
}

uint64_t CAppEnum::ReadNumber(RegKey key, const char* valueName, uint32_t bufferSize) {
    uint32_t type = platform::kRegNone;
    std::string data;
    const uint32_t status = registry.QueryValue(key, valueName, bufferSize, &type, &data);
    if (status == platform::kErrorBackendFailure) enumBackendFailed = true;
    if (status != platform::kErrorSuccess) return 0;
    if (!IsNumber(type) || data.size() > bufferSize || data.size() > sizeof(uint64_t)) return 0;
    uint64_t value = 0;
    std::memcpy(&value, data.data(), data.size()); // little-endian, as the registry stores it
    return value;
}
