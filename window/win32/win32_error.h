#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace win32shell {

// The system's own words for a Win32 error code, in the user's language; empty if it has none.
[[nodiscard]] std::wstring systemMessage(DWORD code);

// A Win32 call that failed: what was being done, then the system's words for why. The text is
// UTF-8, as every error reason in the program is, whatever the user's code page.
class Win32Error : public std::runtime_error {
public:
    Win32Error(DWORD code, std::string_view what);
};

// The error of the Win32 call that has just failed on this thread.
[[nodiscard]] Win32Error lastWin32Error(std::string_view what);

} // namespace win32shell
