// Starts the real Morvane.exe, as a player would, and looks at its window from outside.
#include "window/win32/form1.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>

#ifndef MORVANE_EXECUTABLE
#error "MORVANE_EXECUTABLE must come from the build"
#endif

namespace {

// The build names the program by its path on the build machine; under Wine that is on drive Z:.
std::wstring executablePath()
{
    const std::string path = MORVANE_EXECUTABLE;
    std::wstring wide = path.starts_with('/') ? L"Z:" : L"";
    for (const char c : path) {
        wide += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    }
    return wide;
}

// Other games may be running too; this one is the window of `process`.
HWND gameWindowOf(DWORD process)
{
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, win32shell::Form1ClassName, L"Morvane"))
        != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process) {
            return window;
        }
    }
    return nullptr;
}

TEST(Startup, theGameOpensItsWindowFocusedAndEndsWithStatusZeroWhenClosed)
{
    std::wstring commandLine = L"\"" + executablePath() + L"\"";
    STARTUPINFOW startup {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION game {};
    ASSERT_NE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                  nullptr, &startup, &game),
        FALSE)
        << GetLastError();

    HWND window = nullptr;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (
        (window = gameWindowOf(game.dwProcessId)) == nullptr || IsWindowVisible(window) == FALSE) {
        ASSERT_LT(std::chrono::steady_clock::now(), giveUp) << "no window appeared";
        Sleep(20);
    }
    RECT client {};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 199);
    EXPECT_EQ(client.bottom, 156);
    // The focus reaches the counting button once the window is active.
    std::wstring focused;
    while (focused != L"NUMBER OF CLICKS" && std::chrono::steady_clock::now() < giveUp) {
        GUITHREADINFO thread {};
        thread.cbSize = sizeof(thread);
        GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
        std::array<wchar_t, 64> text {};
        GetWindowTextW(thread.hwndFocus, text.data(), static_cast<int>(text.size()));
        focused = text.data();
        Sleep(20);
    }
    EXPECT_EQ(focused, L"NUMBER OF CLICKS");

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(game.hProcess, 10000), WAIT_OBJECT_0);
    DWORD status = STILL_ACTIVE;
    GetExitCodeProcess(game.hProcess, &status);
    EXPECT_EQ(status, 0U);
    if (status == STILL_ACTIVE) {
        TerminateProcess(game.hProcess, 2);
    }
    CloseHandle(game.hThread);
    CloseHandle(game.hProcess);
}

} // namespace
