#include "window/win32/win32_error.h"

#include "window/win32/wide_text.h"

#include <array>

namespace win32shell {
namespace {

std::string describe(DWORD code, std::string_view what)
{
    std::string text(what);
    const std::wstring reason = systemMessage(code);
    text += reason.empty() ? " (error " + std::to_string(code) + ")" : ": " + utf8FromWide(reason);
    return text;
}

} // namespace

std::wstring systemMessage(DWORD code)
{
    // The wide call: the narrow one gives the text in the ANSI code page, not UTF-8.
    std::array<wchar_t, 512> buffer {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
    // The system ends its texts with a line break, which the box would show as a blank line.
    while (length > 0 && (buffer.at(length - 1) == L'\r' || buffer.at(length - 1) == L'\n')) {
        --length;
    }
    return { buffer.data(), length };
}

Win32Error::Win32Error(DWORD code, std::string_view what)
    : std::runtime_error(describe(code, what))
{
}

Win32Error lastWin32Error(std::string_view what)
{
    return { GetLastError(), what };
}

} // namespace win32shell
