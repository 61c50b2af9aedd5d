#include "window/win32/wide_text.h"

#include <windows.h>

namespace win32shell {

std::wstring toWide(std::u16string_view text)
{
    return { text.begin(), text.end() };
}

clicktest::Text toText(std::wstring_view text)
{
    return { text.begin(), text.end() };
}

std::wstring wideFromUtf8(std::string_view text)
{
    if (text.empty()) {
        return {};
    }
    const auto length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) {
        return L"?";
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), needed);
    return wide;
}

std::string utf8FromWide(std::wstring_view text)
{
    if (text.empty()) {
        return {};
    }
    const auto length = static_cast<int>(text.size());
    const int needed
        = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return "?";
    }
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), needed, nullptr, nullptr);
    return narrow;
}

} // namespace win32shell
