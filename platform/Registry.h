#pragma once

#include <cstdint>
#include <string>

#include "platform/Errors.h"

namespace platform {

// Root keys the system reads from. The numeric values are part of the host
// protocol, so they never change.
enum class Hive : uint32_t {
    ClassesRoot = 0,
    CurrentUser = 1,
    LocalMachine = 2,
};

// Registry value types (REG_*).
enum : uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7,
    kRegQword = 11,
};

// Access rights and view flags, as Windows defines them.
enum : uint32_t {
    kKeyQueryValue = 0x0001,
    kKeySetValue = 0x0002,
    kKeyCreateSubKey = 0x0004,
    kKeyEnumerateSubKeys = 0x0008,
    kKeyWow64_64Key = 0x0100,
    kKeyWow64_32Key = 0x0200,
    kKeyRead = 0x20019,
    kKeyAllAccess = 0xF003F,
};

// An open key. 0 is never a valid key.
using RegKey = uint64_t;

// The registry of the target machine, with the semantics of the wide
// (UTF-16) registry calls: names, key paths and text data (REG_SZ,
// REG_EXPAND_SZ, REG_MULTI_SZ) are UTF-8, converted to and from UTF-16 at
// the call; other data is bytes as stored. Every call returns a Windows
// error code (kErrorSuccess on success). Buffer sizes are counted exactly
// as the caller would pass them to the wide calls, including the
// terminating zero: a name buffer in UTF-16 code units, a data buffer in
// bytes, where text takes two bytes per UTF-16 unit (Utf16Length of the
// UTF-8 text).
//
// Implementations are safe to call from several threads.
class IRegistry {
public:
    virtual ~IRegistry() = default;

    // RegOpenKeyExW(hive, subKey, 0, access). `access` carries the view flag.
    virtual uint32_t OpenKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) = 0;

    // RegEnumKeyExW with a name buffer of `nameBufferSize` units. A name that
    // does not fit (with its terminating zero) gives kErrorMoreData; past the
    // last subkey kErrorNoMoreItems.
    virtual uint32_t EnumKey(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name) = 0;

    // RegQueryValueExW with a data buffer of `bufferSize` bytes. On success
    // `data` holds what the call wrote, text as UTF-8 (including the
    // terminating zero when the stored value has one), and `type` the
    // value type. Data larger than the buffer gives kErrorMoreData and leaves
    // `data` empty.
    virtual uint32_t QueryValue(RegKey key, const std::string& valueName, uint32_t bufferSize, uint32_t* type,
                                std::string* data) = 0;

    // RegQueryInfoKeyW: the number of values of the key.
    virtual uint32_t QueryValueCount(RegKey key, uint32_t* count) = 0;

    // RegEnumValueW with a name buffer of `nameBufferSize` units and no data
    // buffer: the value's name and type.
    virtual uint32_t EnumValue(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name,
                               uint32_t* type) = 0;

    // RegDeleteKeyW(hive, subKey) in the process's default view. A key that
    // still has subkeys is not deleted.
    virtual uint32_t DeleteKey(Hive hive, const std::string& subKey) = 0;

    // RegDeleteValueW.
    virtual uint32_t DeleteValue(RegKey key, const std::string& valueName) = 0;

    // RegCloseKey. Closing 0 or an unknown key does nothing.
    virtual void CloseKey(RegKey key) = 0;

    // RegCreateKeyExW and RegSetValueExW (text data given as UTF-8; a text
    // without its terminating zero gets one). The product writes to the
    // registry only when it gives a restore point's keys back; tests and
    // fixtures use these to build the same data through every backend.
    virtual uint32_t CreateKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) = 0;
    virtual uint32_t SetValue(RegKey key, const std::string& valueName, uint32_t type, const std::string& data) = 0;
};

// Closes a key when it goes out of scope.
class ScopedRegKey {
public:
    explicit ScopedRegKey(IRegistry& registry, RegKey key = 0) : registry(registry), key(key) {}
    ~ScopedRegKey() { reset(); }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;

    RegKey get() const { return key; }
    RegKey* out() {
        reset();
        return &key;
    }
    void reset() {
        if (key != 0) registry.CloseKey(key);
        key = 0;
    }

private:
    IRegistry& registry;
    RegKey key;
};

} // namespace platform
