#pragma once

#include "platform/Platform.h"
#include "tests/fake/MemoryFileSystem.h"
#include "tests/fake/MemoryRegistry.h"
#include "tests/fake/MemorySystem.h"

// The in-memory backends behind the one platform interface.
class MemoryPlatform : public platform::IPlatform {
public:
    explicit MemoryPlatform(uint16_t architecture = platform::kArchitectureAmd64)
        : registry(architecture != platform::kArchitectureIntel), system(architecture) {}

    platform::IRegistry& Registry() override { return registry; }
    platform::ISystem& System() override { return system; }
    platform::IFileSystem& Files() override { return files; }
    std::string FatalError() const override { return system.FatalError(); }

    // A program in the machine's Uninstall list: its display name, an
    // uninstaller and, when given, its publisher.
    void AddProgram(const std::string& name, const std::string& publisher = std::string()) {
        const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
        registry.SetString(platform::Hive::LocalMachine, key, "DisplayName", name);
        registry.SetString(platform::Hive::LocalMachine, key, "UninstallString", "C:\\x\\uninst.exe");
        if (!publisher.empty()) registry.SetString(platform::Hive::LocalMachine, key, "Publisher", publisher);
    }

    MemoryRegistry registry;
    MemorySystem system;
    MemoryFileSystem files;
};
