#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/WindowsFacts.h"

// One registered desktop program, as read from its uninstall key. Text
// fields are zero-terminated UTF-8 (FieldValue says what a field holds of
// a value); a value that was absent leaves its field empty. Copied by
// value.
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

// What a record's field holds of a text value read whole (UTF-8 up to its
// first zero). A value of more than 259 characters does not fit the wide
// call's buffer and gives nothing. One whose UTF-8 needs more than 259
// bytes is cut at a character boundary when `cut` (the texts that are
// shown: name, publisher, version) and gives nothing otherwise: the start
// of a path or command names another folder or program.
inline std::string FieldValue(const std::string& text, bool cut) {
    constexpr size_t kLongest = InstalledProgram::kTextSize - 1;
    if (platform::Utf16Length(text) > kLongest) return std::string();
    if (text.size() <= kLongest) return text;
    return cut ? platform::Utf8Prefix(text, kLongest) : std::string();
}

// A text field of a record as a string: its bytes up to the first zero.
inline std::string FieldText(const char (&field)[InstalledProgram::kTextSize]) {
    return std::string(field, strnlen(field, InstalledProgram::kTextSize));
}
