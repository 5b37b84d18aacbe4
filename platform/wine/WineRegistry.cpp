#include "platform/wine/WineRegistry.h"

#include "platform/wine/WineHostConnection.h"
#include "platform/winehost/WireReader.h"
#include "platform/winehost/WireWriter.h"

namespace platform {
namespace {

using wire::Op;
using wire::WireReader;
using wire::WireWriter;

// Registry names compare without regard to case. Letters outside ASCII are
// folded for the Latin code page that Wine and most Windows installations
// use; other code pages fall back to a query on the host (see QueryValue).
char Fold(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
    return c;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

bool IsAscii(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

} // namespace

CWineRegistry::CWineRegistry(CWineHostConnection& host, bool useSnapshots)
    : host_(host), useSnapshots_(useSnapshots) {}

std::shared_ptr<const wire::KeySnapshot> CWineRegistry::Cached(RegKey key) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = snapshots_.find(key);
    return it == snapshots_.end() ? nullptr : it->second;
}

void CWineRegistry::DropCaches() {
    std::lock_guard<std::mutex> lock(mutex_);
    snapshots_.clear();
}

uint32_t CWineRegistry::Open(Op op, Hive hive, const std::string& subKey, uint32_t access, RegKey* key) {
    *key = 0;
    const bool wantSnapshot = useSnapshots_ && (access & (kKeyQueryValue | kKeyEnumerateSubKeys)) != 0;
    WireWriter request;
    request.U32(static_cast<uint32_t>(op)).U32(static_cast<uint32_t>(hive)).Bytes(subKey).U32(access).U32(
        wantSnapshot ? 1 : 0);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    const RegKey opened = in.U64();
    auto snapshot = std::make_shared<wire::KeySnapshot>();
    if (!wire::ReadKeySnapshot(in, snapshot.get())) return kErrorBackendFailure;
    if (status != kErrorSuccess) return status;
    *key = opened;
    if (wantSnapshot && (snapshot->hasValues || snapshot->hasSubKeys)) {
        std::lock_guard<std::mutex> lock(mutex_);
        snapshots_[opened] = std::move(snapshot);
    }
    return kErrorSuccess;
}

uint32_t CWineRegistry::OpenKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) {
    return Open(Op::OpenKey, hive, subKey, access, key);
}

uint32_t CWineRegistry::CreateKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) {
    DropCaches(); // the new key changes its parent's list of subkeys
    return Open(Op::CreateKey, hive, subKey, access, key);
}

uint32_t CWineRegistry::EnumKey(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name) {
    name->clear();
    const auto snapshot = Cached(key);
    if (snapshot && snapshot->hasSubKeys) {
        if (index >= snapshot->subKeys.size()) return kErrorNoMoreItems;
        const std::string& found = snapshot->subKeys[index];
        if (found.size() + 1 > nameBufferSize) return kErrorMoreData;
        *name = found;
        return kErrorSuccess;
    }
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::EnumKey)).U64(key).U32(index).U32(nameBufferSize);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    std::string text = in.Bytes();
    if (in.Failed()) return kErrorBackendFailure;
    if (status == kErrorSuccess) *name = std::move(text);
    return status;
}

uint32_t CWineRegistry::QueryValue(RegKey key, const std::string& valueName, uint32_t bufferSize, uint32_t* type,
                                   std::string* data) {
    data->clear();
    *type = kRegNone;
    const auto snapshot = Cached(key);
    // A name with letters outside ASCII may match a value whose name differs
    // in case by the code page's own rules; the host knows them.
    if (snapshot && snapshot->hasValues && IsAscii(valueName)) {
        for (const wire::KeySnapshot::Value& value : snapshot->values) {
            if (!SameName(value.name, valueName)) continue;
            if (value.data.size() > bufferSize) return kErrorMoreData;
            *type = value.type;
            *data = value.data;
            return kErrorSuccess;
        }
        return kErrorFileNotFound;
    }
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::QueryValue)).U64(key).Bytes(valueName).U32(bufferSize);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
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
    *count = 0;
    const auto snapshot = Cached(key);
    if (snapshot && snapshot->hasValues) {
        *count = static_cast<uint32_t>(snapshot->values.size());
        return kErrorSuccess;
    }
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::QueryValueCount)).U64(key);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    const uint32_t values = in.U32();
    if (in.Failed()) return kErrorBackendFailure;
    if (status == kErrorSuccess) *count = values;
    return status;
}

uint32_t CWineRegistry::EnumValue(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name,
                                  uint32_t* type) {
    name->clear();
    *type = kRegNone;
    const auto snapshot = Cached(key);
    if (snapshot && snapshot->hasValues) {
        if (index >= snapshot->values.size()) return kErrorNoMoreItems;
        const wire::KeySnapshot::Value& value = snapshot->values[index];
        if (value.name.size() + 1 > nameBufferSize) return kErrorMoreData;
        *name = value.name;
        *type = value.type;
        return kErrorSuccess;
    }
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::EnumValue)).U64(key).U32(index).U32(nameBufferSize);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
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
    DropCaches();
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::DeleteKey)).U32(static_cast<uint32_t>(hive)).Bytes(subKey);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    return in.Failed() ? static_cast<uint32_t>(kErrorBackendFailure) : status;
}

uint32_t CWineRegistry::DeleteValue(RegKey key, const std::string& valueName) {
    DropCaches();
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::DeleteValue)).U64(key).Bytes(valueName);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    return in.Failed() ? static_cast<uint32_t>(kErrorBackendFailure) : status;
}

void CWineRegistry::CloseKey(RegKey key) {
    if (key == 0) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        snapshots_.erase(key);
    }
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::CloseKey)).U64(key);
    host_.Send(request.Frame());
}

uint32_t CWineRegistry::SetValue(RegKey key, const std::string& valueName, uint32_t type, const std::string& data) {
    DropCaches();
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::SetValue)).U64(key).Bytes(valueName).U32(type).Bytes(data);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    return in.Failed() ? static_cast<uint32_t>(kErrorBackendFailure) : status;
}

} // namespace platform
