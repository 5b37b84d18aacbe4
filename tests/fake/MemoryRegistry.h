#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Registry.h"

// A registry held in memory that answers like the wide registry calls of a
// 64-bit (or, when asked, 32-bit) Windows, with UTF-8 text (IRegistry):
// - HKLM\SOFTWARE seen through the 32-bit view of a 64-bit system is
//   SOFTWARE\WOW6432Node; HKCU is the same in both views; the default view
//   is the 64-bit one.
// - names compare ignoring case as Windows compares them (WindowsCase.h);
//   subkeys enumerate in that order, values in the order they were created.
// - handles carry their access rights: enumerating subkeys needs
//   KEY_ENUMERATE_SUB_KEYS, reading values KEY_QUERY_VALUE, writing them
//   KEY_SET_VALUE (ERROR_ACCESS_DENIED otherwise).
// - a deleted key answers ERROR_KEY_DELETED through handles still open on it.
class MemoryRegistry : public platform::IRegistry {
public:
    static constexpr uint32_t kErrorKeyDeleted = 1018;

    explicit MemoryRegistry(bool is64BitOs = true);
    ~MemoryRegistry() override;

    uint32_t OpenKey(platform::Hive hive, const std::string& subKey, uint32_t access, platform::RegKey* key) override;
    uint32_t EnumKey(platform::RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name) override;
    uint32_t QueryValue(platform::RegKey key, const std::string& valueName, uint32_t bufferSize, uint32_t* type,
                        std::string* data) override;
    uint32_t QueryValueCount(platform::RegKey key, uint32_t* count) override;
    uint32_t EnumValue(platform::RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name,
                       uint32_t* type) override;
    uint32_t DeleteKey(platform::Hive hive, const std::string& subKey) override;
    uint32_t DeleteValue(platform::RegKey key, const std::string& valueName) override;
    void CloseKey(platform::RegKey key) override;
    uint32_t CreateKey(platform::Hive hive, const std::string& subKey, uint32_t access, platform::RegKey* key) override;
    uint32_t SetValue(platform::RegKey key, const std::string& valueName, uint32_t type,
                      const std::string& data) override;

    // Fixture helpers: create the key (64-bit view unless `access` says
    // otherwise) and set one value. A REG_SZ text gets its terminating zero.
    void SetString(platform::Hive hive, const std::string& subKey, const std::string& name, const std::string& text,
                   uint32_t access = 0);
    void SetDword(platform::Hive hive, const std::string& subKey, const std::string& name, uint32_t value,
                  uint32_t access = 0);
    void SetRaw(platform::Hive hive, const std::string& subKey, const std::string& name, uint32_t type,
                const std::string& data, uint32_t access = 0);
    // A key that cannot be read: from now on opening it fails with `open`
    // and enumerating its subkeys with `enumerate` (0: that call does not
    // fail). The key is made when missing.
    void FailKey(platform::Hive hive, const std::string& subKey, uint32_t open, uint32_t enumerate = 0,
                 uint32_t access = 0);
    bool KeyExists(platform::Hive hive, const std::string& subKey, uint32_t access = 0);
    bool ValueExists(platform::Hive hive, const std::string& subKey, const std::string& name, uint32_t access = 0);

    // Number of handles opened and not yet closed: a test can check that
    // every key a pass opened was closed again.
    size_t OpenHandleCount() const;

private:
    struct Value {
        std::string name;
        uint32_t type = platform::kRegNone;
        std::string data;
    };
    struct Node {
        std::string name;
        std::map<std::string, std::shared_ptr<Node>> children; // by upper-case name
        std::vector<Value> values;
        bool deleted = false;
        uint32_t openFailure = 0; // FailKey
        uint32_t enumFailure = 0;
    };
    struct Handle {
        std::shared_ptr<Node> node;
        uint32_t access = 0;
    };

    std::vector<std::string> ResolvePath(platform::Hive hive, const std::string& subKey, uint32_t access) const;
    std::shared_ptr<Node> Find(platform::Hive hive, const std::vector<std::string>& parts) const;
    uint32_t Lookup(platform::RegKey key, uint32_t needed, std::shared_ptr<Node>* node) const;
    platform::RegKey AddHandle(std::shared_ptr<Node> node, uint32_t access);

    mutable std::mutex mutex;
    bool is64BitOs;
    std::map<platform::Hive, std::shared_ptr<Node>> roots;
    std::map<platform::RegKey, Handle> handles;
    platform::RegKey nextKey = 1;
};
