#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/Registry.h"
#include "platform/winehost/HostProtocol.h"

namespace platform {

class CWineHostConnection;

// IRegistry through winehost.exe, batched where it pays:
// - Opening a key brings what the key holds in the same round trip (its
//   values with their data and the names of its subkeys); EnumKey,
//   QueryValue, QueryValueCount and EnumValue are then answered here with
//   the buffer rules of the wide calls.
// - The first time a subkey of such a key is opened for reading values
//   only, the values of all its subkeys come in one round trip, and that
//   open and the following ones of its siblings are answered here. A key
//   answered here is opened on the host only when a call needs it.
// - A key whose subkeys' values were read that way once is read whole the
//   next time it is opened with the right to enumerate: its subkey names
//   and their values come in that open's round trip.
// - A key opened while another key on the same path and view still holds
//   its subkeys' values takes those: the enumeration's second walk opens
//   its list again before it closes the first.
// Cached answers reflect the moment they were read, and live only as long
// as a key they came with stays open; any write through this object drops
// them all.
class CWineRegistry : public IRegistry {
public:
    CWineRegistry(CWineHostConnection& host, bool useSnapshots);

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

private:
    struct Child {
        uint32_t status = 0;
        std::shared_ptr<const wire::KeySnapshot> snapshot;
    };
    using ChildTable = std::unordered_map<std::string, Child>; // by upper-case name

    struct KeyState {
        Hive hive = Hive::CurrentUser;
        std::string path;
        uint32_t access = 0;
        RegKey real = 0;                                   // the host's key; 0 until a call needs it
        std::shared_ptr<const wire::KeySnapshot> snapshot; // null: ask the host
        std::shared_ptr<const ChildTable> children;
        uint32_t childrenAccess = 0; // 0: read with the key, good for any values-only open in its view
    };

    uint32_t OpenOnHost(bool create, Hive hive, const std::string& subKey, uint32_t access, uint32_t want, RegKey* key,
                        std::shared_ptr<const wire::KeySnapshot>* snapshot,
                        std::shared_ptr<const ChildTable>* children = nullptr);
    bool OpenFromParent(Hive hive, const std::string& subKey, uint32_t access, RegKey* key, uint32_t* status);
    // A read-only open answered from a key still open on the same path and
    // view, whose snapshot shows what this one may read (the enumeration
    // opens its root twice, the second time while the first is still open).
    bool OpenFromTwin(Hive hive, const std::string& subKey, uint32_t access, RegKey* key);
    // A key open on that path (upper case) and view that holds what its
    // subkeys hold; null when none does.
    const KeyState* ChildrenHolder(Hive hive, const std::string& upperPath, uint32_t access) const;
    uint32_t FetchChildren(KeyState& parent, uint32_t access);
    // The host's key behind `key`, opened now if it was answered here so far.
    uint32_t HostKey(RegKey key, RegKey* real);
    std::shared_ptr<const wire::KeySnapshot> Snapshot(RegKey key);
    void DropCaches();

    CWineHostConnection& host;
    const bool useSnapshots;
    std::mutex mutex; // held for a whole call, round trips included
    std::unordered_map<RegKey, KeyState> keys;
    std::unordered_set<std::string> readWhole; // upper-case paths of keys worth reading whole
    RegKey nextLocalKey;
};

} // namespace platform
