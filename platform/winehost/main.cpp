// winehost.exe: serves the platform calls of the Linux program from inside a
// Wine prefix. Requests arrive on stdin and replies leave on stdout, framed
// as HostProtocol.h describes; nothing else may be written to stdout.

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "platform/winehost/HostProtocol.h"
#include "platform/winehost/HostPulse.h"
#include "platform/winehost/HostServer.h"
#include "platform/winehost/ListReadAhead.h"
#include "platform/winehost/RegistryDump.h"

// windows.h renames DeleteFile; the backend's member keeps its name.
#undef DeleteFile

namespace {

// Buffered reads: most requests are a few dozen bytes, so one ReadFile
// usually brings several of them or at least the length and the payload.
class StdinReader {
public:
    explicit StdinReader(HANDLE handle) : handle(handle) {}

    bool Read(char* out, size_t size) {
        while (size > 0) {
            if (pos == end) {
                DWORD got = 0;
                if (!ReadFile(handle, buffer, sizeof(buffer), &got, nullptr) || got == 0) return false;
                pos = 0;
                end = got;
            }
            const size_t take = (end - pos) < size ? (end - pos) : size;
            memcpy(out, buffer + pos, take);
            pos += take;
            out += take;
            size -= take;
        }
        return true;
    }

private:
    HANDLE handle;
    char buffer[65536];
    size_t pos = 0;
    size_t end = 0;
};

uint32_t LittleEndian32(const unsigned char* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

bool WriteAll(HANDLE handle, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>((bytes.size() - done) < (1u << 20) ? bytes.size() - done : (1u << 20));
        if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// Wine's own export that maps a Windows path to the Linux one.
std::string UnixPathOf(const std::string& windowsPath) {
    using Function = char*(__cdecl*)(const wchar_t*);
    static const Function function = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!function || windowsPath.empty()) return std::string();
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, windowsPath.data(), static_cast<int>(windowsPath.size()), nullptr, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length <= 0) return std::string();
    MultiByteToWideChar(CP_UTF8, 0, windowsPath.data(), static_cast<int>(windowsPath.size()), &wide[0], length);
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    char* unix = function(wide.c_str());
    if (!unix) return std::string();
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Wine hands a started program the standard handles of its parent even
// when nothing is inherited. An uninstaller (and the copy it leaves behind)
// holding the pipes to the client would keep them open after this host
// died, so the client would wait for a reply that never comes, and could
// write into the reply stream. So the host keeps private copies of its
// pipes and gives the programs it starts the null device instead.
void KeepStreamsFromChildren(HANDLE* input, HANDLE* output) {
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (nul == INVALID_HANDLE_VALUE) return;
    HANDLE process = GetCurrentProcess();
    HANDLE ownInput = nullptr;
    HANDLE ownOutput = nullptr;
    if (!DuplicateHandle(process, *input, process, &ownInput, 0, FALSE, DUPLICATE_SAME_ACCESS) ||
        !DuplicateHandle(process, *output, process, &ownOutput, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        if (ownInput) CloseHandle(ownInput);
        CloseHandle(nul);
        return;
    }
    SetStdHandle(STD_INPUT_HANDLE, nul);
    SetStdHandle(STD_OUTPUT_HANDLE, nul);
    SetStdHandle(STD_ERROR_HANDLE, nul);
    CloseHandle(*input);
    CloseHandle(*output);
    *input = ownInput;
    *output = ownOutput;
}

} // namespace

int main() {
    // No error dialog may ever wait for a click that nobody can give.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    KeepStreamsFromChildren(&input, &output);

    static platform::wire::CListReadAhead readAhead(
        [](platform::Hive hive, const std::string& path, uint32_t access, platform::wire::CListReadAhead::Tree* tree) {
            std::vector<platform::wire::CRegistryDump::Child> read;
            if (!platform::wire::CRegistryDump::ReadTree(hive, path, access, &tree->names, &read)) return false;
            for (auto& child : read)
                tree->children.push_back({child.status, std::move(child.snapshot)});
            return true;
        },
        [] { return static_cast<uint64_t>(GetTickCount64()); });
    platform::CWin32Registry registry;
    platform::CWin32System system;
    platform::CWin32FileSystem files;
    platform::wire::CHostServer server(
        registry, system, files, &UnixPathOf,
        [&registry](platform::RegKey key, uint32_t index, std::string* name, uint32_t* type, std::string* data,
                    uint32_t limit) { return registry.EnumValueData(key, index, name, type, data, limit); },
        [](platform::Hive hive, const std::string& path, uint32_t access, const std::vector<std::string>& names,
           std::vector<platform::wire::ChildSnapshot>* children) {
            std::vector<platform::wire::CRegistryDump::Child> read;
            if (!platform::wire::CRegistryDump::ReadChildren(hive, path, access, names, &read)) return false;
            for (auto& child : read)
                children->push_back({child.status, std::move(child.snapshot)});
            return true;
        },
        [](platform::Hive hive, const std::string& path, uint32_t access, std::vector<std::string>* names,
           std::vector<platform::wire::ChildSnapshot>* children) {
            platform::wire::CListReadAhead::Tree tree;
            if (!readAhead.Read(hive, path, access, &tree)) return false;
            *names = std::move(tree.names);
            *children = std::move(tree.children);
            return true;
        });

    if (!WriteAll(output, server.Greeting())) return 1;
    // A failed write of a progress frame shows in the reply's write.
    platform::wire::CHostPulse pulse([output] { WriteAll(output, std::string(4, '\0')); });
    static StdinReader reader(input);
    std::string payload;
    for (;;) {
        unsigned char header[4];
        if (!reader.Read(reinterpret_cast<char*>(header), sizeof(header))) return 0; // the client went away
        const uint32_t size = LittleEndian32(header);
        if (size > platform::wire::kMaxFrameSize) return 2;
        payload.assign(size, '\0');
        if (size > 0 && !reader.Read(&payload[0], size)) return 0;
        bool quit = false;
        // A request begins with its operation.
        if (size >= 4) readAhead.BeforeRequest(LittleEndian32(reinterpret_cast<const unsigned char*>(payload.data())));
        const bool bulk = server.SendsProgress(payload);
        if (bulk) pulse.Begin();
        const std::string reply = server.Handle(payload, &quit);
        if (bulk) pulse.End();
        if (!reply.empty() && !WriteAll(output, reply)) return 0;
        if (quit) return 0;
        readAhead.AfterReply();
    }
}
