#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace win32shell {

// Owners for the system objects the shell makes, so each is released exactly once, on every path.

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

struct KernelHandleDeleter {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
// For handles whose failure value is null (events, waitable timers), not INVALID_HANDLE_VALUE.
using OwnedHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, KernelHandleDeleter>;

struct ScreenDcDeleter {
    void operator()(HDC dc) const noexcept { ReleaseDC(nullptr, dc); }
};
using ScreenDc = std::unique_ptr<std::remove_pointer_t<HDC>, ScreenDcDeleter>;

} // namespace win32shell
