// What the Windows shell takes from the system around the window: its DLLs, its error texts and
// the user's way of writing numbers.
#include "window/win32/startup.h"
#include "window/win32/system_library.h"
#include "window/win32/wide_text.h"
#include "window/win32/win32_error.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

std::wstring pathOf(HMODULE module)
{
    std::array<wchar_t, MAX_PATH> path {};
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    return { path.data(), length };
}

TEST(SystemLibrary, aDllBesideTheProgramIsNeverLoadedInPlaceOfTheSystems)
{
    // The build puts one beside this test, as an unpacked download might hold one.
    const HMODULE planted = LoadLibraryW(L"morvane_planted.dll");
    ASSERT_NE(planted, nullptr) << "the planted DLL is missing";
    FreeLibrary(planted);
    EXPECT_EQ(win32shell::loadSystemLibrary(L"morvane_planted.dll"), nullptr);

    std::array<wchar_t, MAX_PATH> system {};
    const UINT length = GetSystemDirectoryW(system.data(), static_cast<UINT>(system.size()));
    const HMODULE shcore = win32shell::loadSystemLibrary(L"shcore.dll");
    ASSERT_NE(shcore, nullptr);
    EXPECT_EQ(lstrcmpiW(pathOf(shcore).substr(0, length).c_str(),
                  std::wstring(system.data(), length).c_str()),
        0);
}

TEST(Win32ErrorText, carriesTheSystemsWordsWhole)
{
    const win32shell::Win32Error error(ERROR_ACCESS_DENIED, "The window could not be made");
    const std::wstring reason = win32shell::systemMessage(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(reason.empty());
    EXPECT_EQ(reason.back(), L'.') << "the line break after the text is kept";
    EXPECT_EQ(win32shell::wideFromUtf8(error.what()), L"The window could not be made: " + reason);
}

// Run with a French locale (LC_ALL under Wine); the build runs these on their own.
TEST(FrenchLocale, numbersAndErrorsAreWrittenTheUsersWay)
{
    EXPECT_EQ(win32shell::userNumberFormat().decimalSeparator, u',');
    const win32shell::Win32Error error(ERROR_ACCESS_DENIED, "x");
    EXPECT_EQ(win32shell::wideFromUtf8(error.what()), L"x: Accès refusé.");
}

} // namespace
