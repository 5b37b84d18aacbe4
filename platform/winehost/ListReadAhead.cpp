#include "platform/winehost/ListReadAhead.h"

#include <utility>

#include "platform/WindowsFacts.h"

namespace platform::wire {
namespace {

constexpr uint32_t kViewBits = kKeyWow64_32Key | kKeyWow64_64Key;

bool IsListPath(const std::string& path) {
    static const std::string list = UpperAscii(kUninstallListKey);
    return path.size() == list.size() && UpperAscii(path) == list;
}

// The calls that only read: the enumeration makes no others between its
// opens of the list.
bool OnlyReads(uint32_t op) {
    switch (static_cast<Op>(op)) {
    case Op::OpenKey:
    case Op::EnumKey:
    case Op::QueryValue:
    case Op::QueryValueCount:
    case Op::EnumValue:
    case Op::CloseKey:
    case Op::ReadChildren:
        return true;
    default:
        return false;
    }
}

} // namespace

CListReadAhead::CListReadAhead(ReadFunction readTree, ClockFunction clock)
    : read(std::move(readTree)), now(std::move(clock)) {}

bool CListReadAhead::Read(Hive hive, const std::string& path, uint32_t access, Tree* tree) {
    if (!IsListPath(path)) return read(hive, path, access, tree);
    for (auto it = ahead.begin(); it != ahead.end(); ++it) {
        if (it->hive != hive || it->access != access) continue;
        const bool fresh = now() - it->readAt <= kFreshMs;
        if (fresh) *tree = std::move(it->tree);
        ahead.erase(it);
        if (!fresh) break;
        NoteNext(hive, access);
        return true;
    }
    NoteNext(hive, access);
    return read(hive, path, access, tree);
}

void CListReadAhead::NoteNext(Hive hive, uint32_t access) {
    // One list at a time, so that the client's open of the next one waits
    // at most for the read of that one.
    if (hive != Hive::LocalMachine) return;
    if ((access & kViewBits) == kKeyWow64_32Key)
        next = {Hive::LocalMachine, (access & ~kViewBits) | kKeyWow64_64Key};
    else if ((access & kViewBits) == kKeyWow64_64Key)
        next = {Hive::CurrentUser, access & ~kViewBits};
}

void CListReadAhead::BeforeRequest(uint32_t op) {
    if (OnlyReads(op)) return;
    ahead.clear();
    next.reset();
}

void CListReadAhead::AfterReply() {
    if (!next) return;
    Ahead entry{next->first, next->second, now(), Tree()};
    next.reset();
    ahead.clear();
    if (read(entry.hive, kUninstallListKey, entry.access, &entry.tree)) ahead.push_back(std::move(entry));
}

} // namespace platform::wire
