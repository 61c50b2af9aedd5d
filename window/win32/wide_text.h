#pragma once

#include "clicktest/number_text.h"

#include <string>
#include <string_view>

namespace win32shell {

// The game's texts are UTF-16 and so are Windows' wide strings; only the element type differs.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

[[nodiscard]] std::wstring toWide(std::u16string_view text);
[[nodiscard]] clicktest::Text toText(std::wstring_view text);

// Error reasons come as UTF-8; a byte that is not UTF-8 shows as U+FFFD rather than hiding the
// rest of the reason.
[[nodiscard]] std::wstring wideFromUtf8(std::string_view text);
[[nodiscard]] std::string utf8FromWide(std::wstring_view text);

} // namespace win32shell
