#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace win32shell {

// Owners for the system objects the shell holds (its fonts, the screen's DC while it reads it),
// so each is given back exactly once, on every path.

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

struct ScreenDcDeleter {
    void operator()(HDC dc) const noexcept { ReleaseDC(nullptr, dc); }
};
using ScreenDc = std::unique_ptr<std::remove_pointer_t<HDC>, ScreenDcDeleter>;

} // namespace win32shell
