#include "tests/fake/MemoryRegistry.h"

#include <algorithm>

#include "platform/WindowsFacts.h"
#include "tests/fake/WindowsCase.h"

using namespace platform;

namespace {

std::string Upper(const std::string& text) {
    return fake::UpcaseName(text);
}

std::vector<std::string> Split(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

} // namespace

MemoryRegistry::MemoryRegistry(bool is64BitOs) : is64BitOs(is64BitOs) {
    for (Hive hive : {Hive::ClassesRoot, Hive::CurrentUser, Hive::LocalMachine})
        roots[hive] = std::make_shared<Node>();
}

MemoryRegistry::~MemoryRegistry() = default;

std::vector<std::string> MemoryRegistry::ResolvePath(Hive hive, const std::string& subKey, uint32_t access) const {
    std::vector<std::string> parts = Split(subKey);
    // A 32-bit program on 64-bit Windows sees HKLM\SOFTWARE\WOW6432Node as
    // HKLM\SOFTWARE; the 32-bit view flag asks for that same redirection.
    if (hive == Hive::LocalMachine && is64BitOs && (access & kKeyWow64_32Key) != 0 && !parts.empty() &&
        Upper(parts[0]) == "SOFTWARE" && (parts.size() < 2 || Upper(parts[1]) != "WOW6432NODE")) {
        parts.insert(parts.begin() + 1, "WOW6432Node");
    }
    return parts;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Find(Hive hive, const std::vector<std::string>& parts) const {
    auto root = roots.find(hive);
    if (root == roots.end()) return nullptr;
    std::shared_ptr<Node> node = root->second;
    for (const std::string& part : parts) {
        auto child = node->children.find(Upper(part));
        if (child == node->children.end()) return nullptr;
        node = child->second;
    }
    return node;
}

uint32_t MemoryRegistry::Lookup(RegKey key, uint32_t needed, std::shared_ptr<Node>* node) const {
    auto it = handles.find(key);
    if (it == handles.end()) return kErrorInvalidHandle;
    if (it->second.node->deleted) return kErrorKeyDeleted;
    if ((it->second.access & needed) != needed) return kErrorAccessDenied;
    *node = it->second.node;
    return kErrorSuccess;
}

RegKey MemoryRegistry::AddHandle(std::shared_ptr<Node> node, uint32_t access) {
    RegKey key = nextKey++;
    handles[key] = Handle{std::move(node), access};
    return key;
}

uint32_t MemoryRegistry::OpenKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) {
    std::lock_guard<std::mutex> lock(mutex);
    *key = 0;
    std::shared_ptr<Node> node = Find(hive, ResolvePath(hive, subKey, access));
    if (!node) return kErrorFileNotFound;
    if (node->openFailure) return node->openFailure;
    *key = AddHandle(node, access);
    return kErrorSuccess;
}

uint32_t MemoryRegistry::EnumKey(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name) {
    std::lock_guard<std::mutex> lock(mutex);
    name->clear();
    std::shared_ptr<Node> node;
    if (uint32_t error = Lookup(key, kKeyEnumerateSubKeys, &node)) return error;
    if (node->enumFailure) return node->enumFailure;
    if (index >= node->children.size()) return kErrorNoMoreItems;
    auto it = node->children.begin();
    std::advance(it, index);
    // The buffer must hold the name and its terminating zero.
    if (Utf16Length(it->second->name) + 1 > nameBufferSize) return kErrorMoreData;
    *name = it->second->name;
    return kErrorSuccess;
}

uint32_t MemoryRegistry::QueryValue(RegKey key, const std::string& valueName, uint32_t bufferSize, uint32_t* type,
                                    std::string* data) {
    std::lock_guard<std::mutex> lock(mutex);
    data->clear();
    std::shared_ptr<Node> node;
    if (uint32_t error = Lookup(key, kKeyQueryValue, &node)) return error;
    const std::string wanted = Upper(valueName);
    for (const Value& value : node->values) {
        if (Upper(value.name) != wanted) continue;
        *type = value.type;
        if (WideDataSize(value.type, value.data) > bufferSize) return kErrorMoreData;
        *data = value.data;
        return kErrorSuccess;
    }
    return kErrorFileNotFound;
}

uint32_t MemoryRegistry::QueryValueCount(RegKey key, uint32_t* count) {
    std::lock_guard<std::mutex> lock(mutex);
    *count = 0;
    std::shared_ptr<Node> node;
    if (uint32_t error = Lookup(key, kKeyQueryValue, &node)) return error;
    *count = static_cast<uint32_t>(node->values.size());
    return kErrorSuccess;
}

uint32_t MemoryRegistry::EnumValue(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name,
                                   uint32_t* type) {
    std::lock_guard<std::mutex> lock(mutex);
    name->clear();
    std::shared_ptr<Node> node;
    if (uint32_t error = Lookup(key, kKeyQueryValue, &node)) return error;
    if (index >= node->values.size()) return kErrorNoMoreItems;
    const Value& value = node->values[index];
    if (Utf16Length(value.name) + 1 > nameBufferSize) return kErrorMoreData;
    *name = value.name;
    *type = value.type;
    return kErrorSuccess;
}

uint32_t MemoryRegistry::DeleteKey(Hive hive, const std::string& subKey) {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> parts = ResolvePath(hive, subKey, 0);
    if (parts.empty()) return kErrorAccessDenied; // a hive root is never deleted
    std::shared_ptr<Node> node = Find(hive, parts);
    if (!node) return kErrorFileNotFound;
    if (!node->children.empty()) return kErrorAccessDenied;
    std::vector<std::string> parentParts(parts.begin(), parts.end() - 1);
    std::shared_ptr<Node> parent = Find(hive, parentParts);
    parent->children.erase(Upper(parts.back()));
    node->deleted = true;
    return kErrorSuccess;
}

uint32_t MemoryRegistry::DeleteValue(RegKey key, const std::string& valueName) {
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<Node> node;
    if (uint32_t error = Lookup(key, kKeySetValue, &node)) return error;
    const std::string wanted = Upper(valueName);
    auto it = std::find_if(node->values.begin(), node->values.end(),
                           [&](const Value& value) { return Upper(value.name) == wanted; });
    if (it == node->values.end()) return kErrorFileNotFound;
    node->values.erase(it);
    return kErrorSuccess;
}

void MemoryRegistry::CloseKey(RegKey key) {
    std::lock_guard<std::mutex> lock(mutex);
    handles.erase(key);
}

uint32_t MemoryRegistry::CreateKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) {
    std::lock_guard<std::mutex> lock(mutex);
    *key = 0;
    std::shared_ptr<Node> node = roots[hive];
    for (const std::string& part : ResolvePath(hive, subKey, access)) {
        std::shared_ptr<Node>& child = node->children[Upper(part)];
        if (!child) {
            child = std::make_shared<Node>();
            child->name = part;
        }
        node = child;
    }
    *key = AddHandle(node, access);
    return kErrorSuccess;
}

uint32_t MemoryRegistry::SetValue(RegKey key, const std::string& valueName, uint32_t type, const std::string& data) {
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<Node> node;
    if (uint32_t error = Lookup(key, kKeySetValue, &node)) return error;
    // A text without its terminating zero gets one (IRegistry::SetValue).
    std::string stored = data;
    if (IsTextType(type) && !stored.empty() && stored.back() != '\0') stored.push_back('\0');
    const std::string wanted = Upper(valueName);
    for (Value& value : node->values) {
        if (Upper(value.name) == wanted) {
            value.type = type;
            value.data = stored;
            return kErrorSuccess;
        }
    }
    node->values.push_back(Value{valueName, type, stored});
    return kErrorSuccess;
}

void MemoryRegistry::SetRaw(Hive hive, const std::string& subKey, const std::string& name, uint32_t type,
                            const std::string& data, uint32_t access) {
    RegKey key = 0;
    if (CreateKey(hive, subKey, kKeyAllAccess | access, &key) != kErrorSuccess) return;
    SetValue(key, name, type, data);
    CloseKey(key);
}

void MemoryRegistry::SetString(Hive hive, const std::string& subKey, const std::string& name, const std::string& text,
                               uint32_t access) {
    SetRaw(hive, subKey, name, kRegSz, text + std::string(1, '\0'), access);
}

void MemoryRegistry::SetDword(Hive hive, const std::string& subKey, const std::string& name, uint32_t value,
                              uint32_t access) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    SetRaw(hive, subKey, name, kRegDword, data, access);
}

void MemoryRegistry::FailKey(Hive hive, const std::string& subKey, uint32_t open, uint32_t enumerate, uint32_t access) {
    RegKey key = 0;
    if (CreateKey(hive, subKey, kKeyAllAccess | access, &key) != kErrorSuccess) return;
    CloseKey(key);
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<Node> node = Find(hive, ResolvePath(hive, subKey, access));
    node->openFailure = open;
    node->enumFailure = enumerate;
}

bool MemoryRegistry::KeyExists(Hive hive, const std::string& subKey, uint32_t access) {
    std::lock_guard<std::mutex> lock(mutex);
    return Find(hive, ResolvePath(hive, subKey, access)) != nullptr;
}

bool MemoryRegistry::ValueExists(Hive hive, const std::string& subKey, const std::string& name, uint32_t access) {
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<Node> node = Find(hive, ResolvePath(hive, subKey, access));
    if (!node) return false;
    const std::string wanted = Upper(name);
    return std::any_of(node->values.begin(), node->values.end(),
                       [&](const Value& value) { return Upper(value.name) == wanted; });
}

size_t MemoryRegistry::OpenHandleCount() const {
    std::lock_guard<std::mutex> lock(mutex);
    return handles.size();
}
