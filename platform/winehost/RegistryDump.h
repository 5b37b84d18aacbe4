#pragma once

#include "platform/Registry.h"
#include "platform/winehost/HostProtocol.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform::wire {

// Reads the values of all subkeys of a key at once, under Wine only: Wine
// writes a whole registry tree to a file with a single call of its server
// (RegSaveKey, in its own text format), where opening each subkey and reading
// each value costs one call apiece. The values come out as RegEnumValueA
// returns them. Windows writes a binary hive instead, so there the host
// opens the subkeys one by one.
class CRegistryDump {
public:
    struct Child {
        uint32_t status = 0;
        KeySnapshot snapshot; // values only
    };

    // False when the tree cannot be read this way; the caller then reads it
    // key by key. `names` are the subkeys wanted, as EnumKey gave them.
    static bool ReadChildren(Hive hive, const std::string& path, uint32_t view, const std::vector<std::string>& names,
                             std::vector<Child>* children);

    // Parses the text of a saved tree: the values of each direct subkey, by
    // its name in the ANSI code page. Exposed for its own checks.
    static bool Parse(const std::string& text, std::vector<std::pair<std::string, KeySnapshot>>* keys);
};

} // namespace platform::wire
