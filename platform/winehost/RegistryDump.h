#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/winehost/HostProtocol.h"

namespace platform::wire {

// Reads the values of all subkeys of a key at once, under Wine only: Wine
// writes a whole registry tree to a file with a single call of its server
// (RegSaveKey, in its own text format), where opening each subkey and reading
// each value costs one call apiece. The values come out as RegEnumValueW
// returns them, text in UTF-8. Windows writes a binary hive instead, so there the host
// opens the subkeys one by one.
class CRegistryDump {
public:
    struct Child {
        uint32_t status = 0;
        KeySnapshot snapshot; // values only
    };
    // A direct subkey as the saved text shows it.
    struct SavedKey {
        std::string name;     // UTF-8, as EnumKey gives it
        bool link = false;    // a symbolic link: opening it shows its target's values
        KeySnapshot snapshot; // values only
    };

    // False when the tree cannot be read this way; the caller then reads it
    // key by key. `names` are the subkeys wanted, as EnumKey gave them.
    static bool ReadChildren(Hive hive, const std::string& path, uint32_t view, const std::vector<std::string>& names,
                             std::vector<Child>* children);

    // The names of all subkeys of a key, in the order RegEnumKeyExW gives
    // them, and the values of each, from one saved tree. False when the
    // saved text cannot stand for what the calls would show (a volatile or
    // linked subkey, a tree too big); the caller then asks key by key.
    static bool ReadTree(Hive hive, const std::string& path, uint32_t view, std::vector<std::string>* names,
                         std::vector<Child>* children);

    // Parses the text of a saved tree: each direct subkey in the order
    // written (the order of enumeration), with its values. A subkey that has
    // subkeys but no values is written only through its subkeys' paths; it
    // is listed too, with no values. Exposed for its own checks.
    static bool Parse(const std::string& text, std::vector<SavedKey>* keys);
};

} // namespace platform::wire
