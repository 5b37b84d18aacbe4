#include "platform/wine/WineRegistry.h"

#include <utility>

#include "platform/WindowsFacts.h"
#include "platform/wine/WineHostConnection.h"

namespace platform {
namespace {

namespace calls = wire::calls;
using wire::KeySnapshot;

// Keys answered here carry this bit; the host numbers its keys from 1.
constexpr RegKey kLocalKey = RegKey(1) << 62;
constexpr uint32_t kViewBits = kKeyWow64_32Key | kKeyWow64_64Key;
constexpr uint32_t kReadControl = 0x20000;
// A key with more subkeys than this is not worth reading in one go.
constexpr size_t kMaxChildren = 20000;

// Upper-case `wanted` against a name as the registry compares them (ASCII
// letters folded), without building a string: the enumeration asks a dozen
// values of every key.
bool SameName(const std::string& name, const std::string& wanted) {
    if (name.size() != wanted.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (c != wanted[i]) return false;
    }
    return true;
}

// An open that asks for nothing but reading values.
bool ReadsValuesOnly(uint32_t access) {
    return (access & kKeyQueryValue) != 0 && (access & ~(kKeyQueryValue | kViewBits | kReadControl)) == 0;
}

// Whether two opens see the same registry view. HKEY_CURRENT_USER is one
// registry for both views, but for its redirected Software\Classes part.
bool SameView(Hive hive, const std::string& upperPath, uint32_t first, uint32_t second) {
    if ((first & kViewBits) == (second & kViewBits)) return true;
    return hive == Hive::CurrentUser && upperPath.rfind("SOFTWARE\\CLASSES", 0) != 0;
}

} // namespace

CWineRegistry::CWineRegistry(CWineHostConnection& host, bool useSnapshots)
    : host(host), useSnapshots(useSnapshots), nextLocalKey(kLocalKey | 1) {
    // The inventory reads every subkey of the program list: reading it whole
    // at the first open saves a walk of its names on the host.
    readWhole.insert(UpperAscii(kUninstallListKey));
}

std::shared_ptr<const KeySnapshot> CWineRegistry::Snapshot(RegKey key) {
    const auto it = keys.find(key);
    return it == keys.end() ? nullptr : it->second.snapshot;
}

void CWineRegistry::DropCaches() {
    for (auto& entry : keys) {
        entry.second.snapshot.reset();
        entry.second.children.reset();
    }
}

uint32_t CWineRegistry::OpenOnHost(bool create, Hive hive, const std::string& subKey, uint32_t access, uint32_t want,
                                   RegKey* key, std::shared_ptr<const KeySnapshot>* snapshot,
                                   std::shared_ptr<const ChildTable>* children) {
    *key = 0;
    const wire::OpenRequest request{hive, subKey, access, want};
    wire::OpenReply reply;
    const uint32_t status =
        create ? host.Call<calls::CreateKey>(request, &reply) : host.Call<calls::OpenKey>(request, &reply);
    if (status != kErrorSuccess) return status;
    std::shared_ptr<ChildTable> table;
    if (reply.hasChildren) {
        if (reply.children.size() != reply.snapshot.subKeys.size())
            return host.Broken("the Wine host sent subkey values that match no subkey");
        table = std::make_shared<ChildTable>();
        table->reserve(reply.children.size());
        for (size_t i = 0; i < reply.children.size(); ++i) {
            Child child;
            child.status = reply.children[i].status;
            if (reply.children[i].snapshot.hasValues)
                child.snapshot = std::make_shared<KeySnapshot>(std::move(reply.children[i].snapshot));
            table->emplace(UpperAscii(reply.snapshot.subKeys[i]), std::move(child));
        }
    }
    *key = reply.key;
    if (snapshot && (want & wire::kWantSnapshot) && (reply.snapshot.hasValues || reply.snapshot.hasSubKeys))
        *snapshot = std::make_shared<KeySnapshot>(std::move(reply.snapshot));
    if (children && table && snapshot && *snapshot) *children = std::move(table);
    return kErrorSuccess;
}

uint32_t CWineRegistry::FetchChildren(KeyState& parent, uint32_t access) {
    calls::ReadChildrenReply reply;
    const uint32_t status =
        host.Call<calls::ReadChildren>({parent.hive, parent.path, access, parent.snapshot->subKeys}, &reply);
    if (status != kErrorSuccess) return status;
    const std::vector<std::string>& names = parent.snapshot->subKeys;
    if (reply.children.size() != names.size())
        return host.Broken("the Wine host sent subkey values that match no subkey");
    auto table = std::make_shared<ChildTable>();
    for (size_t i = 0; i < names.size(); ++i) {
        Child child;
        child.status = reply.children[i].status;
        if (reply.children[i].snapshot.hasValues)
            child.snapshot = std::make_shared<KeySnapshot>(std::move(reply.children[i].snapshot));
        table->emplace(UpperAscii(names[i]), std::move(child));
    }
    parent.children = std::move(table);
    parent.childrenAccess = access;
    readWhole.insert(UpperAscii(parent.path));
    return kErrorSuccess;
}

bool CWineRegistry::OpenFromParent(Hive hive, const std::string& subKey, uint32_t access, RegKey* key,
                                   uint32_t* status) {
    const size_t slash = subKey.rfind('\\');
    if (slash == std::string::npos || slash == 0 || slash + 1 == subKey.size()) return false;
    const std::string parentPath = UpperAscii(subKey.substr(0, slash));
    const std::string name = UpperAscii(subKey.substr(slash + 1));
    KeyState* parent = nullptr;
    for (auto& entry : keys) {
        KeyState& state = entry.second;
        if (state.snapshot && state.snapshot->hasSubKeys && state.hive == hive &&
            SameView(hive, parentPath, state.access, access) && state.snapshot->subKeys.size() <= kMaxChildren &&
            UpperAscii(state.path) == parentPath) {
            parent = &state;
            break;
        }
    }
    if (!parent) return false;
    const auto fits = [access](const KeyState& state) {
        return state.children && (state.childrenAccess == 0 || state.childrenAccess == access);
    };
    if (!fits(*parent)) {
        // Another key open on the same path may have read them already (the
        // enumeration opens its root twice, the second time while the first
        // is still open).
        for (const auto& entry : keys) {
            const KeyState& other = entry.second;
            if (&other != parent && fits(other) && other.hive == hive &&
                SameView(hive, parentPath, other.access, access) && UpperAscii(other.path) == parentPath) {
                parent->children = other.children;
                parent->childrenAccess = other.childrenAccess;
                break;
            }
        }
    }
    if (!fits(*parent)) {
        const uint32_t fetched = FetchChildren(*parent, access);
        if (fetched == kErrorBackendFailure) {
            *status = fetched;
            return true;
        }
        if (fetched != kErrorSuccess) return false;
    }
    const auto found = parent->children->find(name);
    if (found == parent->children->end()) return false; // not there when the parent was read: ask the host
    if (found->second.status != kErrorSuccess) {
        *status = found->second.status;
        return true;
    }
    KeyState state;
    state.hive = hive;
    state.path = subKey;
    state.access = access;
    state.snapshot = found->second.snapshot;
    *key = nextLocalKey++;
    keys.emplace(*key, std::move(state));
    *status = kErrorSuccess;
    return true;
}

bool CWineRegistry::OpenFromTwin(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) {
    // Only a read-only open: anything else must reach the host, which
    // decides whether it is allowed.
    if ((access & ~(kKeyRead | kViewBits)) != 0) return false;
    const bool enumerates = (access & kKeyEnumerateSubKeys) != 0;
    const bool queries = (access & kKeyQueryValue) != 0;
    const std::string upperPath = UpperAscii(subKey);
    for (const auto& entry : keys) {
        const KeyState& other = entry.second;
        // The twin's snapshot must hold what this open may read: names when
        // it enumerates, values when it queries, taken in the same view.
        if (!other.snapshot || other.hive != hive || (enumerates && !other.snapshot->hasSubKeys) ||
            (queries && !other.snapshot->hasValues) || !SameView(hive, upperPath, other.access, access) ||
            UpperAscii(other.path) != upperPath)
            continue;
        KeyState state;
        state.hive = hive;
        state.path = subKey;
        state.access = access;
        state.snapshot = other.snapshot;
        state.children = other.children;
        state.childrenAccess = other.childrenAccess;
        *key = nextLocalKey++;
        keys.emplace(*key, std::move(state));
        return true;
    }
    return false;
}

const CWineRegistry::KeyState* CWineRegistry::ChildrenHolder(Hive hive, const std::string& upperPath,
                                                             uint32_t access) const {
    for (const auto& entry : keys) {
        const KeyState& state = entry.second;
        if (state.children && state.hive == hive && SameView(hive, upperPath, state.access, access) &&
            UpperAscii(state.path) == upperPath)
            return &state;
    }
    return nullptr;
}

uint32_t CWineRegistry::OpenKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) {
    std::lock_guard<std::mutex> lock(mutex);
    *key = 0;
    uint32_t status = kErrorSuccess;
    if (useSnapshots && ReadsValuesOnly(access) && OpenFromParent(hive, subKey, access, key, &status)) return status;
    if (useSnapshots && OpenFromTwin(hive, subKey, access, key)) return kErrorSuccess;
    uint32_t want = 0;
    if (useSnapshots && (access & (kKeyQueryValue | kKeyEnumerateSubKeys)) != 0) want = wire::kWantSnapshot;
    // Read whole again only when no key still open on the same path holds
    // what its subkeys hold: an open one lends its own.
    const KeyState* holder = want ? ChildrenHolder(hive, UpperAscii(subKey), access) : nullptr;
    const std::shared_ptr<const ChildTable> lent = holder ? holder->children : nullptr;
    const uint32_t lentAccess = holder ? holder->childrenAccess : 0;
    if (want && !lent && (access & kKeyEnumerateSubKeys) != 0 && readWhole.count(UpperAscii(subKey)) != 0)
        want |= wire::kWantChildren;
    KeyState state;
    status = OpenOnHost(false, hive, subKey, access, want, &state.real, &state.snapshot, &state.children);
    if (status != kErrorSuccess) return status;
    state.childrenAccess = 0;
    if (!state.children && lent) {
        state.children = lent;
        state.childrenAccess = lentAccess;
    }
    state.hive = hive;
    state.path = subKey;
    state.access = access;
    *key = state.real;
    keys[*key] = std::move(state);
    return kErrorSuccess;
}

uint32_t CWineRegistry::CreateKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) {
    std::lock_guard<std::mutex> lock(mutex);
    *key = 0;
    DropCaches(); // the new key changes its parent's list of subkeys
    KeyState state;
    const uint32_t status = OpenOnHost(true, hive, subKey, access, 0, &state.real, nullptr);
    if (status != kErrorSuccess) return status;
    state.hive = hive;
    state.path = subKey;
    state.access = access;
    *key = state.real;
    keys[*key] = std::move(state);
    return kErrorSuccess;
}

uint32_t CWineRegistry::HostKey(RegKey key, RegKey* real) {
    const auto it = keys.find(key);
    if (it == keys.end()) {
        *real = key; // unknown or closed: the host answers as Windows does
        return kErrorSuccess;
    }
    KeyState& state = it->second;
    if (state.real == 0) {
        const uint32_t status = OpenOnHost(false, state.hive, state.path, state.access, 0, &state.real, nullptr);
        if (status != kErrorSuccess) return status;
    }
    *real = state.real;
    return kErrorSuccess;
}

uint32_t CWineRegistry::EnumKey(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name) {
    std::lock_guard<std::mutex> lock(mutex);
    name->clear();
    const auto snapshot = Snapshot(key);
    if (snapshot && snapshot->hasSubKeys) {
        if (index >= snapshot->subKeys.size()) return kErrorNoMoreItems;
        const std::string& found = snapshot->subKeys[index];
        if (Utf16Length(found) + 1 > nameBufferSize) return kErrorMoreData;
        *name = found;
        return kErrorSuccess;
    }
    RegKey real = 0;
    uint32_t status = HostKey(key, &real);
    if (status != kErrorSuccess) return status;
    wire::NameReply reply;
    status = host.Call<calls::EnumKey>({real, index, nameBufferSize}, &reply);
    if (status == kErrorSuccess) *name = std::move(reply.name);
    return status;
}

uint32_t CWineRegistry::QueryValue(RegKey key, const std::string& valueName, uint32_t bufferSize, uint32_t* type,
                                   std::string* data) {
    std::lock_guard<std::mutex> lock(mutex);
    data->clear();
    *type = kRegNone;
    const auto snapshot = Snapshot(key);
    // A name with letters outside ASCII may match a value whose name differs
    // in case by Windows's own rules; the host knows them.
    if (snapshot && snapshot->hasValues && IsAscii(valueName)) {
        const std::string wanted = UpperAscii(valueName);
        for (const KeySnapshot::Value& value : snapshot->values) {
            if (!SameName(value.name, wanted)) continue;
            if (WideDataSize(value.type, value.data) > bufferSize) return kErrorMoreData;
            *type = value.type;
            *data = value.data;
            return kErrorSuccess;
        }
        return kErrorFileNotFound;
    }
    RegKey real = 0;
    uint32_t status = HostKey(key, &real);
    if (status != kErrorSuccess) return status;
    calls::QueryValueReply reply;
    status = host.Call<calls::QueryValue>({real, valueName, bufferSize}, &reply);
    if (status == kErrorSuccess) {
        *type = reply.type;
        *data = std::move(reply.data);
    }
    return status;
}

uint32_t CWineRegistry::QueryValueCount(RegKey key, uint32_t* count) {
    std::lock_guard<std::mutex> lock(mutex);
    *count = 0;
    const auto snapshot = Snapshot(key);
    if (snapshot && snapshot->hasValues) {
        *count = static_cast<uint32_t>(snapshot->values.size());
        return kErrorSuccess;
    }
    RegKey real = 0;
    uint32_t status = HostKey(key, &real);
    if (status != kErrorSuccess) return status;
    wire::CountReply reply;
    status = host.Call<calls::QueryValueCount>({real}, &reply);
    if (status == kErrorSuccess) *count = reply.count;
    return status;
}

uint32_t CWineRegistry::EnumValue(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name,
                                  uint32_t* type) {
    std::lock_guard<std::mutex> lock(mutex);
    name->clear();
    *type = kRegNone;
    const auto snapshot = Snapshot(key);
    if (snapshot && snapshot->hasValues) {
        if (index >= snapshot->values.size()) return kErrorNoMoreItems;
        const KeySnapshot::Value& value = snapshot->values[index];
        if (Utf16Length(value.name) + 1 > nameBufferSize) return kErrorMoreData;
        *name = value.name;
        *type = value.type;
        return kErrorSuccess;
    }
    RegKey real = 0;
    uint32_t status = HostKey(key, &real);
    if (status != kErrorSuccess) return status;
    calls::EnumValueReply reply;
    status = host.Call<calls::EnumValue>({real, index, nameBufferSize}, &reply);
    if (status == kErrorSuccess) {
        *name = std::move(reply.name);
        *type = reply.type;
    }
    return status;
}

uint32_t CWineRegistry::DeleteKey(Hive hive, const std::string& subKey) {
    std::lock_guard<std::mutex> lock(mutex);
    DropCaches();
    return host.Call<calls::DeleteKey>({hive, subKey});
}

uint32_t CWineRegistry::DeleteValue(RegKey key, const std::string& valueName) {
    std::lock_guard<std::mutex> lock(mutex);
    DropCaches();
    RegKey real = 0;
    const uint32_t status = HostKey(key, &real);
    if (status != kErrorSuccess) return status;
    return host.Call<calls::DeleteValue>({real, valueName});
}

uint32_t CWineRegistry::SetValue(RegKey key, const std::string& valueName, uint32_t type, const std::string& data) {
    std::lock_guard<std::mutex> lock(mutex);
    DropCaches();
    RegKey real = 0;
    const uint32_t status = HostKey(key, &real);
    if (status != kErrorSuccess) return status;
    return host.Call<calls::SetValue>({real, valueName, type, data});
}

void CWineRegistry::CloseKey(RegKey key) {
    std::lock_guard<std::mutex> lock(mutex);
    const auto it = keys.find(key);
    if (it == keys.end()) return;
    const RegKey real = it->second.real;
    keys.erase(it);
    if (real == 0) return;
    host.Call<calls::CloseKey>({real});
}

} // namespace platform
