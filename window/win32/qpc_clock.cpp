#include "window/win32/qpc_clock.h"

#include <windows.h>

#include <cstdint>

namespace win32shell {
namespace {

std::int64_t counterFrequency() noexcept
{
    LARGE_INTEGER frequency {};
    QueryPerformanceFrequency(&frequency); // never fails from Windows XP on
    return frequency.QuadPart;
}

} // namespace

std::chrono::nanoseconds qpcNow() noexcept
{
    static const std::int64_t frequency = counterFrequency();
    LARGE_INTEGER counter {};
    QueryPerformanceCounter(&counter);
    // Split so that counts * 1e9 cannot overflow however long the machine has been up.
    const std::int64_t seconds = counter.QuadPart / frequency;
    const std::int64_t rest = counter.QuadPart % frequency;
    return std::chrono::seconds(seconds)
        + std::chrono::nanoseconds(rest * 1'000'000'000 / frequency);
}

} // namespace win32shell
