#include "uninstall/RegistryNameRecovery.h"

#include <vector>

#include "platform/WindowsFacts.h"
#include "uninstall/TargetPath.h"

namespace {

constexpr uint32_t kBufferSize = platform::kTextBufferSize;

// UTF-8 keeps exactly the characters below 0x80 as single bytes below 0x80.
bool IsAscii(const QString& text) {
    return platform::IsAscii(text.toStdString());
}

} // namespace

CRegistryNameRecovery::CRegistryNameRecovery(platform::IRegistry& targetRegistry, platform::ISystem& targetSystem,
                                             CBackendWatch& backendWatch)
    : registry(targetRegistry), system(targetSystem), watch(backendWatch) {}

bool CRegistryNameRecovery::AnsiName(platform::RegKey key, const QString& name, bool value, std::string* ansi) {
    if (IsAscii(name)) {
        *ansi = name.toStdString();
        return true;
    }
    // The stored ANSI name is found among the key's names by its decoded
    // text, so that no text outside Latin-1 is lost on the way back.
    std::vector<std::string> stored;
    for (uint32_t index = 0;; ++index) {
        std::string entry;
        uint32_t type = 0;
        const uint32_t error = value ? registry.EnumValue(key, index, kBufferSize, &entry, &type)
                                     : registry.EnumKey(key, index, kBufferSize, &entry);
        if (error == platform::kErrorMoreData) continue;
        if (!watch.Ok(error)) break;
        stored.push_back(entry);
    }
    std::vector<std::string> decoded;
    if (!watch.Ok(system.AnsiToUtf8(stored, &decoded))) return false;
    for (size_t i = 0; i < decoded.size() && i < stored.size(); ++i) {
        if (CTargetPath::FromUtf8(decoded[i]) == name) {
            *ansi = stored[i];
            return true;
        }
    }
    return false;
}

bool CRegistryNameRecovery::AnsiKeyPath(platform::Hive hive, uint32_t access, const QString& path, std::string* ansi) {
    if (IsAscii(path)) {
        *ansi = path.toStdString();
        return true;
    }
    const int slash = path.lastIndexOf(QLatin1Char('\\'));
    if (slash < 0 || !IsAscii(path.left(slash))) return false;
    const std::string parent = path.left(slash).toStdString();
    platform::ScopedRegKey key(registry);
    if (!watch.Ok(registry.OpenKey(hive, parent, platform::kKeyRead | access, key.out()))) return false;
    std::string leaf;
    if (!AnsiName(key.get(), path.mid(slash + 1), false, &leaf)) return false;
    *ansi = parent + "\\" + leaf;
    return true;
}
