#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/WindowsFacts.h"

// One registered desktop program, as read from its uninstall key. Text
// fields are zero-terminated strings in the target's ANSI code page, exactly
// as the registry returned them; a value that was absent or did not fit
// leaves its field empty. Copied by value.
struct InstalledProgram {
    static constexpr int kTextSize = static_cast<int>(platform::kTextBufferSize);

    char displayIcon[kTextSize] = {};
    char iconGroup[kTextSize] = {};
    char displayName[kTextSize] = {};
    char uninstallCommand[kTextSize] = {};
    char installLocation[kTextSize] = {};
    char publisher[kTextSize] = {};
    char displayVersion[kTextSize] = {};
    uint64_t sizeBytes = 0;
    // The entry's key name when it is a Windows Installer package's
    // ("WindowsInstaller" = 1 and the name a product code); else empty.
    char productCode[platform::kProductCodeLength + 1] = {};
};

// A text field of a record as a string: its bytes up to the first zero.
inline std::string FieldText(const char (&field)[InstalledProgram::kTextSize]) {
    return std::string(field, strnlen(field, InstalledProgram::kTextSize));
}
