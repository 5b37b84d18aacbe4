#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Registry.h"
#include "platform/winehost/HostProtocol.h"

namespace platform::wire {

// The program list is read whole three times in a row: the local machine's
// 32-bit view, its 64-bit view, then the current user's. Once the reply to
// one has gone out, the host reads the next while the client works through
// the one it has, and the client's open of the next then takes what was
// read. What was read ahead answers one open of the same key with the
// same access, within a second, and only while nothing but reading calls
// came in between: any other call may have changed the registry.
class CListReadAhead {
public:
    struct Tree {
        std::vector<std::string> names;
        std::vector<ChildSnapshot> children;
    };
    // Reads a key's tree (ReadTree of the host's registry dump).
    using ReadFunction = std::function<bool(Hive hive, const std::string& path, uint32_t access, Tree* tree)>;
    // Milliseconds of a steady clock.
    using ClockFunction = std::function<uint64_t()>;

    static constexpr uint64_t kFreshMs = 1000;

    CListReadAhead(ReadFunction read, ClockFunction now);

    // A tree for an open: what was read ahead for it, else read now.
    bool Read(Hive hive, const std::string& path, uint32_t access, Tree* tree);
    // Called with each request's operation before it is served.
    void BeforeRequest(uint32_t op);
    // Called once the reply to a request has gone out: reads the next list
    // ahead when that request opened the local machine's list.
    void AfterReply();

private:
    struct Ahead {
        Hive hive;
        uint32_t access;
        uint64_t readAt;
        Tree tree;
    };

    // After an open of one list, the next list the enumeration opens.
    void NoteNext(Hive hive, uint32_t access);

    ReadFunction read;
    ClockFunction now;
    std::vector<Ahead> ahead;
    // Hive and access of the list to read ahead once the reply is out.
    std::optional<std::pair<Hive, uint32_t>> next;
};

} // namespace platform::wire
