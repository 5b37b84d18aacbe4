#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/WindowsFacts.h"
#include "platform/win32/WideText.h"

namespace platform {
namespace {

HKEY RootOf(Hive hive) {
    switch (hive) {
    case Hive::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case Hive::CurrentUser:
        return HKEY_CURRENT_USER;
    case Hive::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    }
    return nullptr;
}

// Buffers up to this size are passed to Windows exactly as the caller sized
// them; a larger limit is honoured by asking for the real size first, so a
// caller may pass a generous limit without an allocation of that size.
constexpr DWORD kExactBufferLimit = 64 * 1024;

// Data as the wide calls wrote it, handed over as the interface takes it:
// text as UTF-8 (an odd last byte, which no UTF-16 text has, is dropped),
// anything else as it is.
std::string FromWideData(DWORD type, const BYTE* data, DWORD size) {
    if (!IsTextType(type)) return std::string(reinterpret_cast<const char*>(data), size);
    std::wstring wide(size / 2, L'\0');
    if (!wide.empty()) std::memcpy(&wide[0], data, wide.size() * sizeof(wchar_t));
    return ToUtf8(wide);
}

} // namespace

CWin32Registry::CWin32Registry() = default;

CWin32Registry::~CWin32Registry() {
    for (auto& entry : keys)
        RegCloseKey(static_cast<HKEY>(entry.second));
}

RegKey CWin32Registry::Add(void* handle) {
    std::lock_guard<std::mutex> lock(mutex);
    const RegKey key = nextKey++;
    keys[key] = handle;
    return key;
}

void* CWin32Registry::Find(RegKey key) {
    std::lock_guard<std::mutex> lock(mutex);
    const auto it = keys.find(key);
    return it == keys.end() ? nullptr : it->second;
}

uint32_t CWin32Registry::OpenKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) {
    *key = 0;
    HKEY root = RootOf(hive);
    if (!root) return kErrorInvalidHandle;
    HKEY handle = nullptr;
    const LONG status = RegOpenKeyExW(root, ToWide(subKey).c_str(), 0, access, &handle);
    if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
    *key = Add(handle);
    return kErrorSuccess;
}

uint32_t CWin32Registry::EnumKey(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name) {
    name->clear();
    HKEY handle = static_cast<HKEY>(Find(key));
    if (!handle) return kErrorInvalidHandle;
    std::vector<wchar_t> buffer(nameBufferSize + 1, L'\0');
    DWORD length = nameBufferSize;
    const LONG status = RegEnumKeyExW(handle, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
    *name = ToUtf8(buffer.data(), length);
    return kErrorSuccess;
}

uint32_t CWin32Registry::QueryValue(RegKey key, const std::string& valueName, uint32_t bufferSize, uint32_t* type,
                                    std::string* data) {
    data->clear();
    *type = kRegNone;
    HKEY handle = static_cast<HKEY>(Find(key));
    if (!handle) return kErrorInvalidHandle;
    const std::wstring wideName = ToWide(valueName);
    DWORD size = bufferSize;
    std::vector<BYTE> buffer;
    if (bufferSize > kExactBufferLimit) {
        // Learn the size, then read with a buffer that fits (and a little
        // room for the terminating zero Windows may add to a string).
        DWORD needed = 0;
        const LONG status = RegQueryValueExW(handle, wideName.c_str(), nullptr, nullptr, nullptr, &needed);
        if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
        size = needed + 2 < bufferSize ? needed + 2 : bufferSize;
    }
    for (int attempt = 0; attempt < 4; ++attempt) {
        buffer.assign(size > 0 ? size : 1, 0);
        DWORD valueType = REG_NONE;
        DWORD written = size;
        const LONG status = RegQueryValueExW(handle, wideName.c_str(), nullptr, &valueType, buffer.data(), &written);
        if (status == ERROR_MORE_DATA && size < bufferSize && written <= bufferSize) {
            size = written + 2 < bufferSize ? written + 2 : bufferSize; // the value grew meanwhile
            continue;
        }
        if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
        *type = valueType;
        *data = FromWideData(valueType, buffer.data(), written);
        return kErrorSuccess;
    }
    return kErrorMoreData;
}

uint32_t CWin32Registry::QueryValueCount(RegKey key, uint32_t* count) {
    *count = 0;
    HKEY handle = static_cast<HKEY>(Find(key));
    if (!handle) return kErrorInvalidHandle;
    DWORD values = 0;
    const LONG status = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                         nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
    *count = values;
    return kErrorSuccess;
}

uint32_t CWin32Registry::EnumValue(RegKey key, uint32_t index, uint32_t nameBufferSize, std::string* name,
                                   uint32_t* type) {
    name->clear();
    *type = kRegNone;
    HKEY handle = static_cast<HKEY>(Find(key));
    if (!handle) return kErrorInvalidHandle;
    std::vector<wchar_t> buffer(nameBufferSize + 1, L'\0');
    DWORD length = nameBufferSize;
    DWORD valueType = REG_NONE;
    const LONG status = RegEnumValueW(handle, index, buffer.data(), &length, nullptr, &valueType, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
    *name = ToUtf8(buffer.data(), length);
    *type = valueType;
    return kErrorSuccess;
}

uint32_t CWin32Registry::EnumValueData(RegKey key, uint32_t index, std::string* name, uint32_t* type, std::string* data,
                                       uint32_t dataLimit) {
    name->clear();
    data->clear();
    *type = kRegNone;
    HKEY handle = static_cast<HKEY>(Find(key));
    if (!handle) return kErrorInvalidHandle;
    // Most names and values are short: one call with small buffers, then
    // one with the sizes Windows asked for.
    DWORD nameSize = 512;
    DWORD dataSize = 4096;
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::vector<wchar_t> nameBuffer(nameSize + 1, L'\0');
        std::vector<BYTE> dataBuffer(dataSize + 2, 0);
        DWORD nameLength = nameSize;
        DWORD dataLength = dataSize;
        DWORD valueType = REG_NONE;
        const LONG status = RegEnumValueW(handle, index, nameBuffer.data(), &nameLength, nullptr, &valueType,
                                          dataBuffer.data(), &dataLength);
        if (status == ERROR_MORE_DATA) {
            DWORD maxName = 0;
            DWORD maxData = 0;
            if (RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                                 &maxData, nullptr, nullptr) != ERROR_SUCCESS)
                return kErrorMoreData;
            // Names are counted in characters, data in bytes.
            nameSize = maxName + 1 > nameSize ? maxName + 1 : nameSize * 2;
            dataSize = maxData + 2 > dataSize ? maxData + 2 : dataSize * 2;
            if (dataSize > dataLimit + 2u) return kErrorMoreData;
            continue;
        }
        if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
        *name = ToUtf8(nameBuffer.data(), nameLength);
        *data = FromWideData(valueType, dataBuffer.data(), dataLength);
        *type = valueType;
        return kErrorSuccess;
    }
    return kErrorMoreData;
}

uint32_t CWin32Registry::DeleteKey(Hive hive, const std::string& subKey) {
    HKEY root = RootOf(hive);
    if (!root) return kErrorInvalidHandle;
    return static_cast<uint32_t>(RegDeleteKeyW(root, ToWide(subKey).c_str()));
}

uint32_t CWin32Registry::DeleteValue(RegKey key, const std::string& valueName) {
    HKEY handle = static_cast<HKEY>(Find(key));
    if (!handle) return kErrorInvalidHandle;
    return static_cast<uint32_t>(RegDeleteValueW(handle, ToWide(valueName).c_str()));
}

void CWin32Registry::CloseKey(RegKey key) {
    void* handle = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        const auto it = keys.find(key);
        if (it == keys.end()) return;
        handle = it->second;
        keys.erase(it);
    }
    RegCloseKey(static_cast<HKEY>(handle));
}

uint32_t CWin32Registry::CreateKey(Hive hive, const std::string& subKey, uint32_t access, RegKey* key) {
    *key = 0;
    HKEY root = RootOf(hive);
    if (!root) return kErrorInvalidHandle;
    HKEY handle = nullptr;
    const LONG status = RegCreateKeyExW(root, ToWide(subKey).c_str(), 0, nullptr, 0, access, nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
    *key = Add(handle);
    return kErrorSuccess;
}

uint32_t CWin32Registry::SetValue(RegKey key, const std::string& valueName, uint32_t type, const std::string& data) {
    HKEY handle = static_cast<HKEY>(Find(key));
    if (!handle) return kErrorInvalidHandle;
    // Text is stored as UTF-16; the UTF-8 zeros (terminating, or between
    // the strings of a REG_MULTI_SZ) become UTF-16 zeros, and a text
    // without its terminating zero gets one.
    std::wstring wide = IsTextType(type) ? ToWide(data) : std::wstring();
    if (!wide.empty() && wide.back() != L'\0') wide.push_back(L'\0');
    const BYTE* bytes =
        IsTextType(type) ? reinterpret_cast<const BYTE*>(wide.data()) : reinterpret_cast<const BYTE*>(data.data());
    const size_t size = IsTextType(type) ? wide.size() * sizeof(wchar_t) : data.size();
    return static_cast<uint32_t>(
        RegSetValueExW(handle, ToWide(valueName).c_str(), 0, type, bytes, static_cast<DWORD>(size)));
}

} // namespace platform
