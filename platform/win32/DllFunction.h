#pragma once

#include <windows.h>

namespace platform {

// Sets `*function` to the export `name` of `module` (null when the module
// or the export is missing). The backend loads the DLLs that few calls need
// (user32, gdi32, shell32, msi) on first use: importing them would cost
// every start of the Wine host.
template <class F> void LoadDllFunction(HMODULE module, const char* name, F* function) {
    *function =
        module == nullptr ? nullptr : reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace platform
