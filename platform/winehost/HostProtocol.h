#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The wire protocol between the Wine client (platform/wine) and winehost.exe.
// Both sides compile this file, so a change here changes both at once.
//
// Every message is a frame: a 32-bit little-endian payload length, then the
// payload. A request payload starts with the 32-bit operation code; a reply
// payload starts with the 32-bit Windows error code of the call. Integers are
// little-endian; a string is a 32-bit byte count followed by the bytes.
// Requests are answered in order, one reply per request, except the
// operations marked "no reply".
//
// On start the host sends one frame before reading anything: kHostMagic,
// kProtocolVersion, the native processor architecture and the ANSI code page.

namespace platform::wire {

constexpr uint32_t kHostMagic = 0x484C4F54; // "TOLH"
constexpr uint32_t kProtocolVersion = 2;
// A frame larger than this is a broken stream, not a message.
constexpr uint32_t kMaxFrameSize = 512u * 1024u * 1024u;

// The "want" flags of OpenKey and CreateKey.
constexpr uint32_t kWantSnapshot = 1;
constexpr uint32_t kWantChildren = 2;

enum class Op : uint32_t {
    // Registry. OpenKey and CreateKey take "want" flags: with kWantSnapshot
    // the reply carries a KeySnapshot so that the client can answer EnumKey,
    // QueryValue, QueryValueCount and EnumValue without further round trips;
    // with kWantChildren too it then carries a flag and, when set, the
    // values of every subkey as ReadChildren gives them, one per name of the
    // snapshot (the host sets it only when it read names and values at once).
    OpenKey = 1,         // hive, subKey, access, want -> key, snapshot [, hasChildren [, count, children]]
    EnumKey = 2,         // key, index, bufferSize -> name
    QueryValue = 3,      // key, valueName, bufferSize -> type, data
    QueryValueCount = 4, // key -> count
    EnumValue = 5,       // key, index, bufferSize -> name, type
    DeleteKey = 6,       // hive, subKey
    DeleteValue = 7,     // key, valueName
    CloseKey = 8,        // key; no reply
    CreateKey = 9,       // hive, subKey, access, want -> key, snapshot [, hasChildren ...]
    SetValue = 10,       // key, valueName, type, data
    // Opens each named subkey of a key with the given access, reads its
    // values and closes it again: hive, path, access, count, names ->
    // count, (status, KeySnapshot)...
    ReadChildren = 11,

    // System.
    AnsiToUtf8 = 20, // count, texts -> count, texts

    // Files.
    ListFolder = 30,                  // path, flags -> count, (name, attributes)...
    ListTree = 31,                    // base, flags -> count, (parent, name, attributes)...
    GetAttributes = 32,               // path -> attributes
    DeleteFile = 33,                  // path
    SetOwnerWriteOnly = 34,           // path
    RemoveFolderAndEmptyParents = 35, // path
    CreationTime = 36,                // path -> fileTime
    SpecialFolder = 37,               // csidl -> path
    CreateFolder = 38,                // path
    WriteFile = 39,                   // path, content
    SetAttributes = 40,               // path, attributes
    UnixPath = 41,                    // path -> the Linux path Wine maps it to (empty outside Wine)

    // Ends the host after the reply.
    Quit = 99,
};

// What the host read from a freshly opened key. A part is only sent when it
// was read completely (the enumeration ended with "no more items"); otherwise
// the client forwards the calls for that part, which then fail exactly as
// Windows makes them fail (for example without the access right).
struct KeySnapshot {
    struct Value {
        std::string name;
        uint32_t type = 0;
        std::string data;
    };
    bool hasValues = false;
    std::vector<Value> values;
    bool hasSubKeys = false;
    std::vector<std::string> subKeys;
};

class WireWriter;
class WireReader;
void WriteKeySnapshot(WireWriter& writer, const KeySnapshot& snapshot);
bool ReadKeySnapshot(WireReader& reader, KeySnapshot* snapshot);

} // namespace platform::wire
