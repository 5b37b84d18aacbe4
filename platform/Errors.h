#pragma once

#include <cstdint>

namespace platform {

// Windows error codes (winerror.h) that the core tests for.
enum : uint32_t {
    kErrorSuccess = 0,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorAccessDenied = 5,
    kErrorInvalidHandle = 6,
    kErrorNotSameDevice = 17,
    kErrorDiskFull = 112,
    kErrorCallNotImplemented = 120,
    kErrorInvalidParameter = 87,
    kErrorDirNotEmpty = 145,
    kErrorAlreadyExists = 183,
    kErrorMoreData = 234,
    kErrorNoMoreItems = 259,
    kErrorNotFound = 1168,
    // Not a Windows code (the customer bit is set): the backend itself
    // failed, for example the Wine host could not be started or died.
    // IPlatform::FatalError() then says why.
    kErrorBackendFailure = 0x20000001,
};

// Whether a call failed because the entry, or a folder on its way, is not
// there.
inline bool IsNotFound(uint32_t status) {
    return status == kErrorFileNotFound || status == kErrorPathNotFound;
}

} // namespace platform
