#include "platform/wine/WineRegistry.h"

#include <utility>

#include "platform/wine/WineHostConnection.h"
#include "platform/winehost/WireReader.h"
#include "platform/winehost/WireWriter.h"

namespace platform {
namespace {

using wire::KeySnapshot;
using wire::Op;
using wire::WireReader;
using wire::WireWriter;

// Keys answered here carry this bit; the host numbers its keys from 1.
constexpr RegKey kLocalKey = RegKey(1) << 62;
constexpr uint32_t kViewBits = kKeyWow64_32Key | kKeyWow64_64Key;
constexpr uint32_t kReadControl = 0x20000;
// A key with more subkeys than this is not worth reading in one go.
constexpr size_t kMaxChildren = 20000;

// Registry names compare without regard to case. Only ASCII letters are
// folded here; a name with other letters is left to the host.
std::string Upper(const std::string& text) {
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return upper;
}

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

bool IsAscii(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// An open that asks for nothing but reading values.
bool ReadsValuesOnly(uint32_t access) {
    return (access & kKeyQueryValue) != 0 && (access & ~(kKeyQueryValue | kViewBits | kReadControl)) == 0;
}

uint32_t StatusOf(const std::string& reply) {
    WireReader in(reply);
    const uint32_t status = in.U32();
    return in.Failed() ? static_cast<uint32_t>(kErrorBackendFailure) : status;
}

// Whether two opens see the same registry view. HKEY_CURRENT_USER is one
// registry for both views, but for its redirected Software\Classes part.
bool SameView(Hive hive, const std::string& upperPath, uint32_t first, uint32_t second) {
    if ((first & kViewBits) == (second & kViewBits)) return true;
    return hive == Hive::CurrentUser && upperPath.rfind("SOFTWARE\\CLASSES", 0) != 0;
}

} // namespace

CWineRegistry::CWineRegistry(CWineHostConnection& host, bool useSnapshots)
    : host_(host), useSnapshots_(useSnapshots), nextLocalKey_(kLocalKey | 1) {}

std::shared_ptr<const KeySnapshot> CWineRegistry::Snapshot(RegKey key) {
    const auto it = keys_.find(key);
    return it == keys_.end() ? nullptr : it->second.snapshot;
}

void CWineRegistry::DropCaches() {
    for (auto& entry : keys_) {
        entry.second.snapshot.reset();
        entry.second.children.reset();
    }
}

uint32_t CWineRegistry::OpenOnHost(Op op, Hive hive, const std::string& subKey, uint32_t access, uint32_t want,
                                   RegKey* key, std::shared_ptr<const KeySnapshot>* snapshot,
                                   std::shared_ptr<const ChildTable>* children) {
    *key = 0;
    WireWriter request;
    request.U32(static_cast<uint32_t>(op)).U32(static_cast<uint32_t>(hive)).Bytes(subKey).U32(access).U32(want);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    const RegKey opened = in.U64();
    auto read = std::make_shared<KeySnapshot>();
    if (!wire::ReadKeySnapshot(in, read.get())) return kErrorBackendFailure;
    std::shared_ptr<ChildTable> table;
    if ((want & wire::kWantChildren) && in.U32() != 0) {
        const uint32_t count = in.U32();
        if (in.Failed() || count != read->subKeys.size()) return kErrorBackendFailure;
        table = std::make_shared<ChildTable>();
        table->reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            Child child;
            child.status = in.U32();
            auto values = std::make_shared<KeySnapshot>();
            if (!wire::ReadKeySnapshot(in, values.get())) return kErrorBackendFailure;
            if (values->hasValues) child.snapshot = std::move(values);
            table->emplace(Upper(read->subKeys[i]), std::move(child));
        }
    }
    if (in.Failed()) return kErrorBackendFailure;
    if (status != kErrorSuccess) return status;
    *key = opened;
    if (snapshot && (want & wire::kWantSnapshot) && (read->hasValues || read->hasSubKeys)) *snapshot = std::move(read);
    if (children && table && snapshot && *snapshot) *children = std::move(table);
    return kErrorSuccess;
}

uint32_t CWineRegistry::FetchChildren(KeyState& parent, uint32_t access) {
    const std::vector<std::string>& names = parent.snapshot->subKeys;
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::ReadChildren)).U32(static_cast<uint32_t>(parent.hive)).Bytes(parent.path);
    request.U32(access).U32(static_cast<uint32_t>(names.size()));
    for (const std::string& name : names)
        request.Bytes(name);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    const uint32_t count = in.U32();
    auto table = std::make_shared<ChildTable>();
    for (uint32_t i = 0; i < count && i < names.size() && !in.Failed(); ++i) {
        Child child;
        child.status = in.U32();
        auto snapshot = std::make_shared<KeySnapshot>();
        if (!wire::ReadKeySnapshot(in, snapshot.get())) break;
        if (snapshot->hasValues) child.snapshot = std::move(snapshot);
        table->emplace(Upper(names[i]), std::move(child));
    }
    if (in.Failed()) return kErrorBackendFailure;
    if (status != kErrorSuccess) return status;
    parent.children = std::move(table);
    parent.childrenAccess = access;
    readWhole_.insert(Upper(parent.path));
    return kErrorSuccess;
}

bool CWineRegistry::OpenFromParent(Hive hive, const std::string& subKey, uint32_t access, RegKey* key,
                                   uint32_t* status) {
    const size_t slash = subKey.rfind('\\');
    if (slash == std::string::npos || slash == 0 || slash + 1 == subKey.size()) return false;
    const std::string parentPath = Upper(subKey.substr(0, slash));
    const std::string name = Upper(subKey.substr(slash + 1));
    KeyState* parent = nullptr;
    for (auto& entry : keys_) {
        KeyState& state = entry.second;
        if (state.snapshot && state.snapshot->hasSubKeys && state.hive == hive &&
            SameView(hive, parentPath, state.access, access) && state.snapshot->subKeys.size() <= kMaxChildren &&
            Upper(state.path) == parentPath) {
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
        for (const auto& entry : keys_) {
            const KeyState& other = entry.second;
            if (&other != parent && fits(other) && other.hive == hive &&
                SameView(hive, parentPath, other.access, access) && Upper(other.path) == parentPath) {
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
    *key = nextLocalKey_++;
    keys_.emplace(*key, std::move(state));
    *status = kErrorSuccess;
    return true;
}

uint32_t CWineRegistry::OpenKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) {
    std::lock_guard<std::mutex> lock(mutex_);
    *key = 0;
    uint32_t status = kErrorSuccess;
    if (useSnapshots_ && ReadsValuesOnly(access) && OpenFromParent(hive, subKey, access, key, &status)) return status;
    uint32_t want = 0;
    if (useSnapshots_ && (access & (kKeyQueryValue | kKeyEnumerateSubKeys)) != 0) want = wire::kWantSnapshot;
    if (want && (access & kKeyEnumerateSubKeys) != 0 && readWhole_.count(Upper(subKey)) != 0)
        want |= wire::kWantChildren;
    KeyState state;
    status = OpenOnHost(Op::OpenKey, hive, subKey, access, want, &state.real, &state.snapshot, &state.children);
    if (status != kErrorSuccess) return status;
    state.childrenAccess = 0;
    state.hive = hive;
    state.path = subKey;
    state.access = access;
    *key = state.real;
    keys_[*key] = std::move(state);
    return kErrorSuccess;
}

uint32_t CWineRegistry::CreateKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) {
    std::lock_guard<std::mutex> lock(mutex_);
    *key = 0;
    DropCaches(); // the new key changes its parent's list of subkeys
    KeyState state;
    const uint32_t status = OpenOnHost(Op::CreateKey, hive, subKey, access, 0, &state.real, nullptr);
    if (status != kErrorSuccess) return status;
    state.hive = hive;
    state.path = subKey;
    state.access = access;
    *key = state.real;
    keys_[*key] = std::move(state);
    return kErrorSuccess;
}

uint32_t CWineRegistry::HostKey(RegKey key, RegKey* real) {
    const auto it = keys_.find(key);
    if (it == keys_.end()) {
        *real = key; // unknown or closed: the host answers as Windows does
        return kErrorSuccess;
    }
    KeyState& state = it->second;
    if (state.real == 0) {
        const uint32_t status = OpenOnHost(Op::OpenKey, state.hive, state.path, state.access, 0, &state.real, nullptr);
        if (status != kErrorSuccess) return status;
    }
    *real = state.real;
    return kErrorSuccess;
}

uint32_t CWineRegistry::EnumKey(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name) {
    std::lock_guard<std::mutex> lock(mutex_);
    name->clear();
    const auto snapshot = Snapshot(key);
    if (snapshot && snapshot->hasSubKeys) {
        if (index >= snapshot->subKeys.size()) return kErrorNoMoreItems;
        const std::string& found = snapshot->subKeys[index];
        if (found.size() + 1 > nameBufferSize) return kErrorMoreData;
        *name = found;
        return kErrorSuccess;
    }
    RegKey real = 0;
    uint32_t status = HostKey(key, &real);
    if (status != kErrorSuccess) return status;
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::EnumKey)).U64(real).U32(index).U32(nameBufferSize);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    status = in.U32();
    std::string text = in.Bytes();
    if (in.Failed()) return kErrorBackendFailure;
    if (status == kErrorSuccess) *name = std::move(text);
    return status;
}

uint32_t CWineRegistry::QueryValue(RegKey key, const std::string& valueName, uint32_t bufferSize, uint32_t* type,
                                   std::string* data) {
    std::lock_guard<std::mutex> lock(mutex_);
    data->clear();
    *type = kRegNone;
    const auto snapshot = Snapshot(key);
    // A name with letters outside ASCII may match a value whose name differs
    // in case by the code page's own rules; the host knows them.
    if (snapshot && snapshot->hasValues && IsAscii(valueName)) {
        const std::string wanted = Upper(valueName);
        for (const KeySnapshot::Value& value : snapshot->values) {
            if (!SameName(value.name, wanted)) continue;
            if (value.data.size() > bufferSize) return kErrorMoreData;
            *type = value.type;
            *data = value.data;
            return kErrorSuccess;
        }
        return kErrorFileNotFound;
    }
    RegKey real = 0;
    uint32_t status = HostKey(key, &real);
    if (status != kErrorSuccess) return status;
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::QueryValue)).U64(real).Bytes(valueName).U32(bufferSize);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    status = in.U32();
    const uint32_t valueType = in.U32();
    std::string bytes = in.Bytes();
    if (in.Failed()) return kErrorBackendFailure;
    if (status == kErrorSuccess) {
        *type = valueType;
        *data = std::move(bytes);
    }
    return status;
}

uint32_t CWineRegistry::QueryValueCount(RegKey key, uint32_t* count) {
    std::lock_guard<std::mutex> lock(mutex_);
    *count = 0;
    const auto snapshot = Snapshot(key);
    if (snapshot && snapshot->hasValues) {
        *count = static_cast<uint32_t>(snapshot->values.size());
        return kErrorSuccess;
    }
    RegKey real = 0;
    uint32_t status = HostKey(key, &real);
    if (status != kErrorSuccess) return status;
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::QueryValueCount)).U64(real);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    status = in.U32();
    const uint32_t values = in.U32();
    if (in.Failed()) return kErrorBackendFailure;
    if (status == kErrorSuccess) *count = values;
    return status;
}

uint32_t CWineRegistry::EnumValue(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name,
                                  uint32_t* type) {
    std::lock_guard<std::mutex> lock(mutex_);
    name->clear();
    *type = kRegNone;
    const auto snapshot = Snapshot(key);
    if (snapshot && snapshot->hasValues) {
        if (index >= snapshot->values.size()) return kErrorNoMoreItems;
        const KeySnapshot::Value& value = snapshot->values[index];
        if (value.name.size() + 1 > nameBufferSize) return kErrorMoreData;
        *name = value.name;
        *type = value.type;
        return kErrorSuccess;
    }
    RegKey real = 0;
    uint32_t status = HostKey(key, &real);
    if (status != kErrorSuccess) return status;
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::EnumValue)).U64(real).U32(index).U32(nameBufferSize);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    status = in.U32();
    std::string text = in.Bytes();
    const uint32_t valueType = in.U32();
    if (in.Failed()) return kErrorBackendFailure;
    if (status == kErrorSuccess) {
        *name = std::move(text);
        *type = valueType;
    }
    return status;
}

uint32_t CWineRegistry::DeleteKey(Hive hive, const std::string& subKey) {
    std::lock_guard<std::mutex> lock(mutex_);
    DropCaches();
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::DeleteKey)).U32(static_cast<uint32_t>(hive)).Bytes(subKey);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    return StatusOf(reply);
}

uint32_t CWineRegistry::DeleteValue(RegKey key, const std::string& valueName) {
    std::lock_guard<std::mutex> lock(mutex_);
    DropCaches();
    RegKey real = 0;
    const uint32_t status = HostKey(key, &real);
    if (status != kErrorSuccess) return status;
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::DeleteValue)).U64(real).Bytes(valueName);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    return StatusOf(reply);
}

uint32_t CWineRegistry::SetValue(RegKey key, const std::string& valueName, uint32_t type, const std::string& data) {
    std::lock_guard<std::mutex> lock(mutex_);
    DropCaches();
    RegKey real = 0;
    const uint32_t status = HostKey(key, &real);
    if (status != kErrorSuccess) return status;
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::SetValue)).U64(real).Bytes(valueName).U32(type).Bytes(data);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    return StatusOf(reply);
}

void CWineRegistry::CloseKey(RegKey key) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = keys_.find(key);
    if (it == keys_.end()) return;
    const RegKey real = it->second.real;
    keys_.erase(it);
    if (real == 0) return;
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::CloseKey)).U64(real);
    host_.Send(request.Frame());
}

} // namespace platform
