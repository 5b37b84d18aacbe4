#pragma once

#include "fake/MemoryFileSystem.h"
#include "fake/MemoryRegistry.h"
#include "fake/MemorySystem.h"
#include "platform/Platform.h"

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
