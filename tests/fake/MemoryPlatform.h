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

    MemoryRegistry registry;
    MemorySystem system;
    MemoryFileSystem files;
};
