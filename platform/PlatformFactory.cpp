#include "platform/Platform.h"

#ifdef _WIN32
#include "platform/win32/Win32Platform.h"
#else
#include "platform/wine/WinePlatform.h"
#endif

namespace platform {

std::unique_ptr<IPlatform> CreatePlatform(const PlatformOptions& options, std::string* error) {
#ifdef _WIN32
    (void)options;
    (void)error;
    return std::make_unique<CWin32Platform>();
#else
    std::string why;
    std::unique_ptr<IPlatform> platform = CWinePlatform::Start(options, &why);
    if (!platform && error) *error = why;
    return platform;
#endif
}

} // namespace platform
