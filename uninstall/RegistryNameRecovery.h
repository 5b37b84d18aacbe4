#pragma once

#include <QString>
#include <string>

#include "platform/Registry.h"
#include "platform/System.h"
#include "uninstall/BackendWatch.h"

// Finds the ANSI bytes under which the registry stores a key or value name
// that the search turned into display text, so that a name outside
// Latin-1 reaches the very key or value it came from.
class CRegistryNameRecovery {
public:
    CRegistryNameRecovery(platform::IRegistry& registry, platform::ISystem& system, CBackendWatch& watch);

    // The stored name of a value (`value` set) or subkey of the open `key`
    // whose decoded text is `name`.
    bool AnsiName(platform::RegKey key, const QString& name, bool value, std::string* ansi);
    // The stored form of a key path under `hive`, opened with `access`
    // (which carries the registry view). Only the last component may be
    // outside ASCII.
    bool AnsiKeyPath(platform::Hive hive, uint32_t access, const QString& path, std::string* ansi);

private:
    platform::IRegistry& registry;
    platform::ISystem& system;
    CBackendWatch& watch;
};
