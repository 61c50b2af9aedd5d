#pragma once

#include <chrono>

namespace win32shell {

// The performance counter, the system's finest monotonic clock, as the time since an unspecified
// fixed moment.
[[nodiscard]] std::chrono::nanoseconds qpcNow() noexcept;

} // namespace win32shell
