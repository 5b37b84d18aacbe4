// Measures the Wine host: the cost of one round trip, and of reading 1,000
// uninstall entries the way the enumeration does, with the batched client
// and with every call sent to the host. Not a test; prints figures.
//
//   wine_host_bench [--entries N] [--prefix DIR]   (default: a fresh prefix)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchPrefix.h"
#include "platform/wine/WinePlatform.h"

using namespace platform;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

double Ms(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Sz(const std::string& text) {
    return text + std::string(1, '\0');
}

void CreateEntries(IRegistry& registry, int count) {
    char name[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof(name), "BenchApp%04d", i);
        ScopedRegKey key(registry);
        if (registry.CreateKey(Hive::LocalMachine, std::string(kUninstall) + "\\" + name,
                               kKeyAllAccess | kKeyWow64_64Key, key.out()) != 0) {
            std::fprintf(stderr, "cannot create %s\n", name);
            return;
        }
        const std::string n = name;
        registry.SetValue(key.get(), "DisplayName", kRegSz, Sz("Bench Application " + n));
        registry.SetValue(key.get(), "UninstallString", kRegSz, Sz("C:\\Program Files\\" + n + "\\uninst.exe"));
        registry.SetValue(key.get(), "QuietUninstallString", kRegSz, Sz("C:\\Program Files\\" + n + "\\uninst.exe /S"));
        registry.SetValue(key.get(), "DisplayIcon", kRegSz, Sz("C:\\Program Files\\" + n + "\\app.exe,0"));
        registry.SetValue(key.get(), "InstallLocation", kRegSz, Sz("C:\\Program Files\\" + n));
        registry.SetValue(key.get(), "Publisher", kRegSz, Sz("Bench Publisher"));
        registry.SetValue(key.get(), "DisplayVersion", kRegSz, Sz("1.0." + std::to_string(i)));
        const uint32_t size = 1024 + i;
        registry.SetValue(key.get(), "EstimatedSize", kRegDword, std::string(reinterpret_cast<const char*>(&size), 4));
    }
}

// One pass the way the enumeration reads: list the subkeys, test each entry,
// then read each accepted one.
int ReadPass(IRegistry& registry) {
    ScopedRegKey root(registry);
    if (registry.OpenKey(Hive::LocalMachine, kUninstall, kKeyRead | kKeyWow64_64Key, root.out()) != 0) return -1;
    int records = 0;
    for (int round = 0; round < 2; ++round) {
        for (uint32_t index = 0;; ++index) {
            std::string name;
            if (registry.EnumKey(root.get(), index, 260, &name) != 0) break;
            ScopedRegKey entry(registry);
            if (registry.OpenKey(Hive::LocalMachine, std::string(kUninstall) + "\\" + name, 0x101, entry.out()) != 0)
                continue;
            uint32_t type = 0;
            std::string data;
            const char* const acceptance[] = {"SystemComponent", "DisplayName", "UninstallString"};
            const char* const record[] = {
                "ParentKeyName",   "DisplayName", "DisplayIcon",    "Inno Setup: Icon Group", "QuietUninstallString",
                "InstallLocation", "Publisher",   "DisplayVersion", "EstimatedSize"};
            if (round == 0) {
                for (const char* value : acceptance)
                    registry.QueryValue(entry.get(), value, 260, &type, &data);
            } else {
                for (const char* value : record)
                    registry.QueryValue(entry.get(), value, 260, &type, &data);
                ++records;
            }
        }
    }
    return records;
}

} // namespace

int main(int argc, char** argv) {
    int entries = 1000;
    std::string prefix;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--entries") == 0) entries = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--prefix") == 0) prefix = argv[i + 1];
    }
    const BenchPrefix bench(prefix);
    if (bench.Path().empty()) return 1;

    PlatformOptions options;
    options.winePrefix = bench.Path();
    std::string error;
    auto start = Clock::now();
    std::unique_ptr<CWinePlatform> batched = CWinePlatform::Start(options, &error);
    if (!batched) {
        std::fprintf(stderr, "cannot start the Wine host: %s\n", error.c_str());
        return 3;
    }
    std::printf("start (with prefix creation when new): %.0f ms\n", Ms(start));
    start = Clock::now();
    options.batchCalls = false;
    std::unique_ptr<CWinePlatform> direct = CWinePlatform::Start(options, &error);
    std::printf("start of a second host in the running prefix: %.0f ms\n", Ms(start));

    start = Clock::now();
    CreateEntries(batched->Registry(), entries);
    std::printf("create %d entries (9 calls each): %.0f ms\n", entries, Ms(start));

    const int trips = 5000;
    start = Clock::now();
    for (int i = 0; i < trips; ++i) {
        std::vector<std::string> converted;
        batched->System().ExpandEnvironment({"%TEMP%"}, &converted);
    }
    std::printf("round trip (ExpandEnvironment of one text): %.1f us\n", Ms(start) * 1000.0 / trips);
    start = Clock::now();
    for (int i = 0; i < trips; ++i) {
        RegKey key = 0;
        direct->Registry().OpenKey(Hive::LocalMachine, kUninstall, kKeyQueryValue, &key);
        direct->Registry().CloseKey(key);
    }
    std::printf("OpenKey + CloseKey, unbatched: %.1f us\n", Ms(start) * 1000.0 / trips);

    for (int run = 0; run < 2; ++run) {
        start = Clock::now();
        const int read = ReadPass(batched->Registry());
        std::printf("read %d entries, batched: %.0f ms\n", read, Ms(start));
        start = Clock::now();
        const int readDirect = ReadPass(direct->Registry());
        std::printf("read %d entries, unbatched: %.0f ms\n", readDirect, Ms(start));
    }
    start = Clock::now();
    std::vector<TreeEntry> tree;
    const uint32_t listed = batched->Files().ListTree("C:\\windows", kListFiles | kListDirs | kListHidden, &tree);
    std::printf("ListTree C:\\windows (status %u): %zu entries in %.0f ms\n", listed, tree.size(), Ms(start));

    batched.reset();
    direct.reset();
    return 0;
}
