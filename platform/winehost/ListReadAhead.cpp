#include "platform/winehost/ListReadAhead.h"

#include <utility>

#include "platform/WindowsFacts.h"

namespace platform::wire {
namespace {

constexpr uint32_t kViewBits = kKeyWow64_32Key | kKeyWow64_64Key;

// Registry names compare without regard to case (ASCII letters here).
bool IsListPath(const std::string& path) {
    const std::string list = kUninstallListKey;
    if (path.size() != list.size()) return false;
    for (size_t i = 0; i < path.size(); ++i) {
        char a = path[i];
        char b = list[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
        if (a != b) return false;
    }
    return true;
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
    if ((access & kViewBits) == kKeyWow64_32Key) {
        due = true;
        next = {Hive::LocalMachine, (access & ~kViewBits) | kKeyWow64_64Key};
    } else if ((access & kViewBits) == kKeyWow64_64Key) {
        due = true;
        next = {Hive::CurrentUser, access & ~kViewBits};
    }
}

void CListReadAhead::BeforeRequest(uint32_t op) {
    if (OnlyReads(op)) return;
    ahead.clear();
    due = false;
}

void CListReadAhead::AfterReply() {
    if (!due) return;
    due = false;
    ahead.clear();
    Ahead entry{next.first, next.second, now(), Tree()};
    if (read(entry.hive, kUninstallListKey, entry.access, &entry.tree)) ahead.push_back(std::move(entry));
}

} // namespace platform::wire
