#include "platform/winehost/RegistryDump.h"

#include <windows.h>

#include <cctype>
#include <exception>
#include <unordered_map>

#include "platform/WindowsFacts.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32System.h"

namespace platform::wire {
namespace {

// Registry text as the registry interface hands it over: UTF-8.
std::string TextOf(const std::u16string& text) {
    return ToUtf8(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes a quoted string of the saved format from `pos` (just after the
// opening quote) up to the closing `close` character. UTF-8 in the file
// stands for the characters it encodes; escapes as the writer makes them.
bool DecodeString(const std::string& line, size_t* pos, char close, std::u16string* out) {
    out->clear();
    size_t i = *pos;
    while (i < line.size()) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (c == static_cast<unsigned char>(close)) {
            *pos = i + 1;
            return true;
        }
        if (c == '\\' && i + 1 < line.size()) {
            const char e = line[i + 1];
            i += 2;
            switch (e) {
            case 'a':
                out->push_back(7);
                break;
            case 'b':
                out->push_back(8);
                break;
            case 't':
                out->push_back(9);
                break;
            case 'n':
                out->push_back(10);
                break;
            case 'v':
                out->push_back(11);
                break;
            case 'f':
                out->push_back(12);
                break;
            case 'r':
                out->push_back(13);
                break;
            case 'e':
                out->push_back(27);
                break;
            case 'x': {
                unsigned value = 0;
                int digits = 0;
                while (digits < 4 && i < line.size() && HexDigit(line[i]) >= 0) {
                    value = value * 16 + static_cast<unsigned>(HexDigit(line[i++]));
                    ++digits;
                }
                out->push_back(static_cast<char16_t>(value));
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    unsigned value = static_cast<unsigned>(e - '0');
                    for (int digits = 1; digits < 3 && i < line.size() && line[i] >= '0' && line[i] <= '7'; ++digits)
                        value = value * 8 + static_cast<unsigned>(line[i++] - '0');
                    out->push_back(static_cast<char16_t>(value));
                } else {
                    out->push_back(static_cast<char16_t>(static_cast<unsigned char>(e)));
                }
            }
            continue;
        }
        // UTF-8 sequence.
        unsigned value = c;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra) value = c & (0x3F >> extra);
        ++i;
        for (; extra > 0 && i < line.size(); --extra)
            value = (value << 6) | (static_cast<unsigned char>(line[i++]) & 0x3F);
        if (value >= 0x10000) {
            value -= 0x10000;
            out->push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
            out->push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
        } else {
            out->push_back(static_cast<char16_t>(value));
        }
    }
    return false;
}

bool IsStringType(uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// One value line ("name"=data or @=data), continuation lines already joined.
bool ParseValue(const std::string& line, KeySnapshot::Value* value) {
    // Reused from line to line: a saved tree has thousands of values.
    thread_local std::u16string name;
    thread_local std::u16string text;
    name.clear();
    size_t pos = 0;
    if (line[0] == '@') {
        pos = 1;
    } else if (line[0] == '"') {
        pos = 1;
        if (!DecodeString(line, &pos, '"', &name)) return false;
    } else {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    ++pos;
    value->name = TextOf(name);
    if (line[pos] == '"' || line.compare(pos, 4, "str(") == 0) {
        uint32_t type = kRegSz;
        size_t start = pos + 1;
        if (line[pos] != '"') {
            const size_t close = line.find("):\"", pos);
            if (close == std::string::npos) return false;
            type = static_cast<uint32_t>(std::stoul(line.substr(pos + 4, close - pos - 4), nullptr, 16));
            start = close + 3;
        }
        if (!DecodeString(line, &start, '"', &text)) return false;
        text.push_back(u'\0'); // the writer leaves out the terminating zero
        value->type = type;
        value->data = TextOf(text);
        return true;
    }
    const std::string rest = line.substr(pos);
    if (rest.rfind("dword:", 0) == 0) {
        const uint32_t number = static_cast<uint32_t>(std::stoul(rest.substr(6), nullptr, 16));
        value->type = kRegDword;
        value->data.assign(reinterpret_cast<const char*>(&number), 4);
        return true;
    }
    size_t colon = rest.find(':');
    if (colon == std::string::npos) return false;
    if (rest.rfind("hex:", 0) == 0) {
        value->type = kRegBinary;
    } else if (rest.rfind("hex(", 0) == 0) {
        value->type = static_cast<uint32_t>(std::stoul(rest.substr(4), nullptr, 16));
    } else {
        return false;
    }
    std::string bytes;
    for (size_t i = colon + 1; i < rest.size();) {
        if (rest[i] == ',' || rest[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 >= rest.size()) return false;
        const int high = HexDigit(rest[i]);
        const int low = HexDigit(rest[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    if (IsStringType(value->type)) {
        std::u16string wide(bytes.size() / 2, u'\0');
        for (size_t i = 0; i < wide.size(); ++i)
            wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                            (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
        value->data = TextOf(wide);
    } else {
        value->data = bytes;
    }
    return true;
}

bool EnableBackupPrivilege() {
    static const bool enabled = [] {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        const bool ok = LookupPrivilegeValueW(nullptr, L"SeBackupPrivilege", &privileges.Privileges[0].Luid) &&
                        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                        GetLastError() == ERROR_SUCCESS;
        CloseHandle(token);
        return ok;
    }();
    return enabled;
}

} // namespace

bool CRegistryDump::Parse(const std::string& text, std::vector<SavedKey>* keys) {
    keys->clear();
    if (text.rfind("WINE REGISTRY Version 2", 0) != 0) return false;
    KeySnapshot* current = nullptr; // null: outside a direct subkey's own lines
    std::u16string lastName;        // the direct subkey seen last, by its UTF-16 name
    bool any = false;
    size_t pos = 0;
    std::string line;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        line.assign(text, pos, end - pos);
        pos = end + 1;
        // A hex value goes on over several lines, each but the last ending
        // in a backslash (no other line ends in one).
        while (!line.empty() && line.back() == '\\' && pos < text.size()) {
            line.pop_back();
            end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            size_t start = pos;
            while (start < end && text[start] == ' ')
                ++start;
            line.append(text, start, end - start);
            pos = end + 1;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '#') {
            if (current && line == "#link") keys->back().link = true;
            continue;
        }
        if (line[0] == '[') {
            size_t at = 1;
            std::u16string path;
            if (!DecodeString(line, &at, ']', &path)) return false;
            current = nullptr;
            if (path.empty()) continue; // the saved key itself
            // "\\" separates levels (no key name can hold a backslash). Keys
            // are written depth first in enumeration order, so a direct
            // subkey's lines and those of everything below it come together.
            const size_t slash = path.find(u'\\');
            const std::u16string name = path.substr(0, slash);
            if (!any || name != lastName) {
                keys->emplace_back();
                keys->back().name = TextOf(name);
                keys->back().snapshot.hasValues = true;
                lastName = name;
                any = true;
            }
            if (slash == std::u16string::npos) current = &keys->back().snapshot;
            continue;
        }
        if (!current) continue;
        KeySnapshot::Value value;
        if (!ParseValue(line, &value)) return false;
        current->values.push_back(std::move(value));
    }
    return true;
}

namespace {

// The text of a key's whole tree as Wine's server saves it, and the number
// of its direct subkeys as the server counts them (volatile ones included,
// which are never saved).
bool SaveTree(Hive hive, const std::string& path, uint32_t view, std::string* text, DWORD* subKeyCount) {
    text->clear();
    if (!RunsUnderWine() || !EnableBackupPrivilege()) return false;
    HKEY root = hive == Hive::LocalMachine  ? HKEY_LOCAL_MACHINE
                : hive == Hive::CurrentUser ? HKEY_CURRENT_USER
                                            : HKEY_CLASSES_ROOT;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, ToWide(path).c_str(), 0, KEY_READ | (view & (KEY_WOW64_32KEY | KEY_WOW64_64KEY)), &key) !=
        ERROR_SUCCESS)
        return false;
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t file[MAX_PATH + 1] = {};
    bool ok = (!subKeyCount || RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, subKeyCount, nullptr, nullptr, nullptr,
                                                nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) &&
              GetTempPathW(MAX_PATH, folder) > 0 && GetTempFileNameW(folder, L"tlv", 0, file) != 0;
    if (ok) {
        DeleteFileW(file); // RegSaveKey wants to create it
        ok = RegSaveKeyW(key, file, nullptr) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    if (ok) {
        HANDLE handle = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ok = handle != INVALID_HANDLE_VALUE;
        if (ok) {
            LARGE_INTEGER size = {};
            ok = GetFileSizeEx(handle, &size) && size.QuadPart < (1LL << 30);
            if (ok) {
                text->resize(static_cast<size_t>(size.QuadPart));
                DWORD got = 0;
                ok = text->empty() || (ReadFile(handle, &(*text)[0], static_cast<DWORD>(text->size()), &got, nullptr) &&
                                       got == text->size());
            }
            CloseHandle(handle);
        }
    }
    if (file[0]) DeleteFileW(file);
    return ok;
}

bool ParseSafely(const std::string& text, std::vector<CRegistryDump::SavedKey>* keys) {
    try {
        return CRegistryDump::Parse(text, keys);
    } catch (const std::exception&) { // a number the format does not allow
        return false;
    }
}

} // namespace

bool CRegistryDump::ReadChildren(Hive hive, const std::string& path, uint32_t view,
                                 const std::vector<std::string>& names, std::vector<Child>* children) {
    children->clear();
    std::string text;
    std::vector<SavedKey> keys;
    if (!SaveTree(hive, path, view, &text, nullptr) || !ParseSafely(text, &keys)) return false;

    std::unordered_map<std::string, SavedKey*> byName;
    for (SavedKey& key : keys) {
        if (key.link) return false;
        byName.emplace(UpperAscii(key.name), &key);
    }
    for (const std::string& name : names) {
        Child child;
        child.status = kErrorSuccess;
        const auto found = byName.find(UpperAscii(name));
        // Not in the text: made since the names were read, or without values.
        if (found != byName.end()) child.snapshot = std::move(found->second->snapshot);
        child.snapshot.hasValues = true;
        children->push_back(std::move(child));
    }
    return true;
}

bool CRegistryDump::ReadTree(Hive hive, const std::string& path, uint32_t view, std::vector<std::string>* names,
                             std::vector<Child>* children) {
    names->clear();
    children->clear();
    // Past this the names one by one cost less than the whole tree.
    constexpr size_t kTextLimit = 16u * 1024u * 1024u;
    std::string text;
    DWORD subKeyCount = 0;
    std::vector<SavedKey> keys;
    if (!SaveTree(hive, path, view, &text, &subKeyCount) || text.size() > kTextLimit || !ParseSafely(text, &keys))
        return false;
    if (keys.size() != subKeyCount) return false;
    for (SavedKey& key : keys) {
        if (key.link) return false;
        names->push_back(std::move(key.name));
        Child child;
        child.status = kErrorSuccess;
        child.snapshot = std::move(key.snapshot);
        children->push_back(std::move(child));
    }
    return true;
}

} // namespace platform::wire
