#pragma once

#include <type_traits>

namespace win32shell {

// Windows carries pointers and handles through integer parameters (WPARAM, LPARAM, LRESULT,
// window longs). These two are the shell's only conversions between them.

template <typename Pointer, typename Integer>
[[nodiscard]] Pointer fromParameter(Integer value) noexcept
{
    static_assert(std::is_pointer_v<Pointer> && sizeof(Integer) == sizeof(void*));
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast, performance-no-int-to-ptr)
    return reinterpret_cast<Pointer>(value);
}

template <typename Integer, typename Pointer>
[[nodiscard]] Integer toParameter(Pointer pointer) noexcept
{
    static_assert(std::is_pointer_v<Pointer> && sizeof(Integer) == sizeof(void*));
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
    return reinterpret_cast<Integer>(pointer);
}

} // namespace win32shell
