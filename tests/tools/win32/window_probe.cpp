// Reads the running game's window from outside its process, as an accessibility tool on Windows
// would: the top-level window, each control's place and text, and any message box it owns.
// Prints one tab-separated line per item, UTF-8, screen coordinates:
//   window  X Y W H  title
//   control ID X Y W H visible|hidden  text
//   box     text
//   button  X Y W H  text
//   icon    (an icon shown on the box)
// Exits 1 when no game window is found within the timeout (first argument, milliseconds). With
// a second argument "close", it then asks the window to close, as its close box does.
#include <windows.h>

#include <array>
#include <cstdlib>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::wstring_view FormClass = L"Morvane.Form1";
constexpr UINT ReplyTimeoutMs = 2000;

std::string utf8(const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(
        CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(
        CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

// WM_GETTEXT, which unlike GetWindowTextW reads a control of another process.
std::wstring textOf(HWND window)
{
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(
            window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs, &length)
        == 0) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
        SMTO_ABORTIFHUNG, ReplyTimeoutMs, &copied);
    text.resize(copied);
    return text;
}

std::wstring classOf(HWND window)
{
    std::array<wchar_t, 64> name {};
    const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return { name.data(), static_cast<std::size_t>(length) };
}

// "X\tY\tW\tH" of the window on the screen.
std::string placeOf(HWND window)
{
    RECT rect {};
    GetWindowRect(window, &rect);
    return std::to_string(rect.left) + '\t' + std::to_string(rect.top) + '\t'
        + std::to_string(rect.right - rect.left) + '\t' + std::to_string(rect.bottom - rect.top);
}

BOOL CALLBACK collectChild(HWND child, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> children(HWND parent)
{
    std::vector<HWND> found;
    EnumChildWindows(parent, collectChild, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct Search {
    HWND form = nullptr;
    std::vector<HWND> boxes;
};

BOOL CALLBACK findForm(HWND window, LPARAM state)
{
    auto& search = *reinterpret_cast<Search*>(state);
    if (classOf(window) == FormClass) {
        search.form = window;
    }
    return TRUE;
}

BOOL CALLBACK findBoxes(HWND window, LPARAM state)
{
    auto& search = *reinterpret_cast<Search*>(state);
    if (classOf(window) == L"#32770" && GetWindow(window, GW_OWNER) == search.form
        && IsWindowVisible(window) != FALSE) {
        search.boxes.push_back(window);
    }
    return TRUE;
}

void printForm(HWND form)
{
    std::cout << "window\t" << placeOf(form) << '\t' << utf8(textOf(form)) << '\n';
    for (HWND control : children(form)) {
        std::cout << "control\t" << GetDlgCtrlID(control) << '\t' << placeOf(control) << '\t'
                  << (IsWindowVisible(control) != FALSE ? "visible" : "hidden") << '\t'
                  << utf8(textOf(control)) << '\n';
    }
}

void printBox(HWND box)
{
    for (HWND item : children(box)) {
        if (IsWindowVisible(item) == FALSE) {
            continue;
        }
        const std::wstring kind = classOf(item);
        const auto style = static_cast<DWORD>(GetWindowLongW(item, GWL_STYLE));
        if (kind == L"Button") {
            std::cout << "button\t" << placeOf(item) << '\t' << utf8(textOf(item)) << '\n';
        } else if (kind == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
            // A box without an icon may still keep the empty control.
            DWORD_PTR icon = 0;
            SendMessageTimeoutW(item, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs, &icon);
            if (icon != 0) {
                std::cout << "icon\n";
            }
        } else if (kind == L"Static" && !textOf(item).empty()) {
            std::cout << "box\t" << utf8(textOf(item)) << '\n';
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::span arguments(argv, static_cast<std::size_t>(argc));
    const DWORD timeoutMs = arguments.size() > 1 ? std::strtoul(arguments[1], nullptr, 10) : 10000;
    const ULONGLONG giveUp = GetTickCount64() + timeoutMs;
    Search search;
    while (EnumWindows(findForm, reinterpret_cast<LPARAM>(&search)), search.form == nullptr) {
        if (GetTickCount64() >= giveUp) {
            std::cerr << "window_probe: no game window\n";
            return EXIT_FAILURE;
        }
        Sleep(50);
    }
    printForm(search.form);
    EnumWindows(findBoxes, reinterpret_cast<LPARAM>(&search));
    for (HWND box : search.boxes) {
        printBox(box);
    }
    if (arguments.size() > 2 && std::string_view(arguments[2]) == "close") {
        PostMessageW(search.form, WM_CLOSE, 0, 0);
    }
    return EXIT_SUCCESS;
}
