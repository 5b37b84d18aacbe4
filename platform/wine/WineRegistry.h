#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/Registry.h"
#include "platform/winehost/HostProtocol.h"

namespace platform {

class CWineHostConnection;

// IRegistry through winehost.exe. Opening a key brings what the key holds
// in the same round trip (its values with their data and the names of its
// subkeys); EnumKey, QueryValue, QueryValueCount and EnumValue are then
// answered here with the buffer rules of the ANSI calls. Any write drops
// every cached key, and later reads of it go to the host again.
class CWineRegistry : public IRegistry {
public:
    CWineRegistry(CWineHostConnection& host, bool useSnapshots);

    uint32_t OpenKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) override;
    uint32_t EnumKey(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name) override;
    uint32_t QueryValue(RegKey key, const std::string& valueName, uint32_t bufferSize, uint32_t* type,
                        std::string* data) override;
    uint32_t QueryValueCount(RegKey key, uint32_t* count) override;
    uint32_t EnumValue(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name,
                       uint32_t* type) override;
    uint32_t DeleteKey(Hive hive, const std::string& subKey) override;
    uint32_t DeleteValue(RegKey key, const std::string& valueName) override;
    void CloseKey(RegKey key) override;
    uint32_t CreateKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) override;
    uint32_t SetValue(RegKey key, const std::string& valueName, uint32_t type, const std::string& data) override;

private:
    uint32_t Open(wire::Op op, Hive hive, const std::string& subKey, uint32_t access, RegKey* key);
    // A copy of the key's snapshot, or null when calls must go to the host.
    std::shared_ptr<const wire::KeySnapshot> Cached(RegKey key);
    void DropCaches();

    CWineHostConnection& host_;
    const bool useSnapshots_;
    std::mutex mutex_;
    std::unordered_map<RegKey, std::shared_ptr<const wire::KeySnapshot>> snapshots_;
};

} // namespace platform
