#pragma once

#include <mutex>
#include <unordered_map>

#include "platform/Registry.h"

namespace platform {

// IRegistry on the wide registry calls of advapi32. Open keys are handed out
// as small numbers so that they can cross the Wine host's pipe unchanged.
class CWin32Registry : public IRegistry {
public:
    CWin32Registry();
    ~CWin32Registry() override;

    uint32_t OpenKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) override;
    uint32_t EnumKey(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name) override;
    uint32_t QueryValue(RegKey key, const std::string& valueName, uint32_t bufferSize, uint32_t* type,
                        std::string* data) override;
    uint32_t QueryValueCount(RegKey key, uint32_t* count) override;
    uint32_t EnumValue(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name, uint32_t* type) override;
    uint32_t DeleteKey(Hive hive, const std::string& subKey) override;
    uint32_t DeleteValue(RegKey key, const std::string& valueName) override;
    void CloseKey(RegKey key) override;
    uint32_t CreateKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) override;
    uint32_t SetValue(RegKey key, const std::string& valueName, uint32_t type, const std::string& data) override;

    // RegEnumValueW with a name and a data buffer in one call (not part of
    // IRegistry): the Wine host reads a whole key with it. Data beyond
    // `dataLimit` bytes gives kErrorMoreData.
    uint32_t EnumValueData(RegKey key, uint32_t index, std::string* name, uint32_t* type, std::string* data,
                           uint32_t dataLimit);

private:
    // HKEY kept as void* so that this header needs no windows.h.
    RegKey Add(void* handle);
    void* Find(RegKey key);

    std::mutex mutex;
    RegKey nextKey = 1;
    std::unordered_map<RegKey, void*> keys;
};

} // namespace platform
