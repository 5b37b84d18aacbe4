#pragma once

#include <string>

// The conversions between the UTF-8 of the platform interfaces and the
// UTF-16 of the wide Windows calls, in one place for the Windows backend
// and the Wine host. Text that is not valid in its encoding converts with
// the replacement character, as Windows converts it.
namespace platform {

std::wstring ToWide(const std::string& utf8);
std::wstring ToWide(const char* utf8, size_t length);
std::string ToUtf8(const std::wstring& wide);
std::string ToUtf8(const wchar_t* wide, size_t length);

} // namespace platform
