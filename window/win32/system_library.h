#pragma once

#include <windows.h>

namespace win32shell {

// From here on, the DLLs the process loads by name come from the system folder only, never from
// the folder the program was unpacked in. Does nothing on a Windows 7 without the update that
// brought the call.
void restrictDllSearchToSystem() noexcept;

// A DLL of the system, loaded from the system folder only, or null. It stays loaded for the
// program's life.
[[nodiscard]] HMODULE loadSystemLibrary(const wchar_t* name) noexcept;

// A function of `module` by its name, as the type the caller knows it by; null if it has none.
template <typename Function> [[nodiscard]] Function moduleFunction(HMODULE module, const char* name)
{
    if (module == nullptr) {
        return nullptr;
    }
    // GetProcAddress returns every function under one type; going through void(*)() is the cast
    // the compiler accepts between function types.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

} // namespace win32shell
