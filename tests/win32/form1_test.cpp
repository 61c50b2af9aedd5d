#include "window/win32/form1.h"

#include "message_box_reader.h"
#include "message_pump.h"
#include "window/common/form1_design.h"
#include "window/win32/design_font.h"
#include "window/win32/message_parameter.h"
#include "window/win32/win32_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using win32shell::Form1;

namespace {

const std::wstring Idle = L"NUMBER OF CLICKS";
// The game's timer, set again by the test: long enough for a hundred presses, short enough that
// a run's end need not be waited for.
constexpr auto ShortRun = 400ms;
// The key-downs the keyboard repeats while a key is held.
constexpr int HeldRepeats = 5;

std::wstring textOf(HWND window)
{
    std::array<wchar_t, 256> text {};
    const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return { text.data(), static_cast<std::size_t>(std::max(length, 0)) };
}

// The rectangle of a control in its window's client coordinates.
RECT placeOf(HWND control)
{
    RECT rect {};
    GetWindowRect(control, &rect);
    POINT topLeft { rect.left, rect.top };
    POINT bottomRight { rect.right, rect.bottom };
    ScreenToClient(GetParent(control), &topLeft);
    ScreenToClient(GetParent(control), &bottomRight);
    return { topLeft.x, topLeft.y, bottomRight.x, bottomRight.y };
}

HFONT fontHandleOf(HWND control)
{
    return win32shell::fromParameter<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
}

LOGFONTW fontOf(HWND control)
{
    LOGFONTW font {};
    GetObjectW(fontHandleOf(control), sizeof(font), &font);
    return font;
}

DWORD styleOf(HWND window)
{
    return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
}

bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

// Stand-ins for the system's scaling functions, to take each system's way under any system.
HANDLE WINAPI anyAwareness(HWND /*window*/)
{
    return nullptr;
}
BOOL WINAPI perMonitorV2(HANDLE /*context*/, HANDLE /*v2*/)
{
    return TRUE;
}
HRESULT WINAPI monitorAt144(HMONITOR /*monitor*/, int /*type*/, UINT* dpiX, UINT* dpiY)
{
    *dpiX = 144;
    *dpiY = 144;
    return S_OK;
}

// A control of the window, as another program finds it: by its number in the design.
HWND controlOf(const Form1& form, std::string_view name)
{
    for (const window::ControlDesign& entry : window::Form1Design.controls) {
        if (entry.name == name) {
            return GetDlgItem(form.handle(), entry.id);
        }
    }
    return nullptr;
}

// Asks the system to kill the run's timer: false when the window has none running.
bool timerWasRunning(const Form1& form)
{
    return KillTimer(form.handle(), win32shell::RunTimerId) != FALSE;
}

std::pair<LONG, LONG> clientSizeOf(HWND window)
{
    RECT client {};
    GetClientRect(window, &client);
    return { client.right, client.bottom };
}

class Form1Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Form1::registerClass(GetModuleHandleW(nullptr))); }

    explicit Form1Test(clicktest::NumberFormat format = {})
        : form(GetModuleHandleW(nullptr), format, win32shell::DpiFunctions::system())
        , pump(form.handle())
    {
    }

    // Only where the focus matters: under Wine without a window manager, a window that has been
    // shown takes two seconds to go.
    void showAndFocus()
    {
        ShowWindow(form.handle(), SW_SHOW);
        SetForegroundWindow(form.handle());
        pump.runFor(20ms);
    }

    [[nodiscard]] HWND control(const char* name) const { return controlOf(form, name); }
    [[nodiscard]] std::wstring count() const { return textOf(control("Command1")); }
    [[nodiscard]] std::wstring marker() const { return textOf(control("Counter")); }

    void click(const char* name, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            SendMessageW(control(name), BM_CLICK, 0, 0);
        }
    }

    // A key as the keyboard sends it to the focused control, through the game's loop.
    void key(WPARAM virtualKey)
    {
        PostMessageW(GetFocus(), WM_KEYDOWN, virtualKey, 1);
        pump.runFor(5ms);
    }
    void release(WPARAM virtualKey)
    {
        PostMessageW(GetFocus(), WM_KEYUP, virtualKey, 1 | LPARAM { 3 } << 30);
        pump.runFor(5ms);
    }
    void press(WPARAM virtualKey)
    {
        key(virtualKey);
        release(virtualKey);
    }
    // A key held down, by real input: its key-down repeated without a key-up, then the key-up.
    void hold(WORD virtualKey)
    {
        std::array<INPUT, HeldRepeats + 2> strokes {};
        for (INPUT& stroke : strokes) {
            stroke.type = INPUT_KEYBOARD;
            // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access): INPUT is a tagged union
            stroke.ki.wVk = virtualKey;
        }
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access): INPUT is a tagged union
        strokes.back().ki.dwFlags = KEYEVENTF_KEYUP;
        const int released = pump.count(WM_KEYUP);
        ASSERT_EQ(SendInput(static_cast<UINT>(strokes.size()), strokes.data(), sizeof(INPUT)),
            strokes.size());
        ASSERT_TRUE(pump.runUntil([&] { return pump.count(WM_KEYUP) > released; }));
    }

    // The run's timer ticks every ShortRun from now: the game's own timer, set again by its id.
    void shortenTheRun() const
    {
        SetTimer(
            form.handle(), win32shell::RunTimerId, static_cast<UINT>(ShortRun.count()), nullptr);
    }

    // Presses the counting button `clicks` times, lets the run's time run out, then presses
    // RESET for the verdict.
    void playRun(int clicks)
    {
        click("Command1", clicks);
        ASSERT_EQ(count(), std::to_wstring(clicks)) << "the run ended before the presses did";
        shortenTheRun();
        ASSERT_TRUE(pump.runUntil([this] { return marker() == L"1"; }));
        click("Command2");
    }

    Form1 form;
    MessagePump pump;
};

TEST_F(Form1Test, windowIsAsDesigned)
{
    std::array<wchar_t, 64> className {};
    GetClassNameW(form.handle(), className.data(), static_cast<int>(className.size()));
    EXPECT_STREQ(className.data(), L"Morvane.Form1");
    EXPECT_EQ(textOf(form.handle()), L"Morvane");

    RECT client {};
    GetClientRect(form.handle(), &client);
    EXPECT_EQ(client.right, 199);
    EXPECT_EQ(client.bottom, 156);
    // Fixed: no sizing border and no maximise.
    const DWORD style = styleOf(form.handle());
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
        DWORD { WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX });
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0U);

    MONITORINFO monitor {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(form.handle(), MONITOR_DEFAULTTONEAREST), &monitor);
    RECT frame {};
    GetWindowRect(form.handle(), &frame);
    EXPECT_NEAR(frame.left + frame.right, monitor.rcWork.left + monitor.rcWork.right, 1);
    EXPECT_NEAR(frame.top + frame.bottom, monitor.rcWork.top + monitor.rcWork.bottom, 1);
    EXPECT_FALSE(timerWasRunning(form));

    // The program's icon, in the sizes the title bar and the task switcher show.
    for (const auto& [icon, width] :
        { std::pair { GCLP_HICON, SM_CXICON }, std::pair { GCLP_HICONSM, SM_CXSMICON } }) {
        ICONINFO info {};
        auto* const handle
            = win32shell::fromParameter<HICON>(GetClassLongPtrW(form.handle(), icon));
        ASSERT_NE(GetIconInfo(handle, &info), FALSE);
        BITMAP colour {};
        GetObjectW(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(colour.bmWidth, GetSystemMetrics(width));
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

TEST_F(Form1Test, aWindowTheSystemCannotMakeIsAnError)
{
    // No class of the game's is registered for another module.
    EXPECT_THROW(Form1(GetModuleHandleW(L"kernel32.dll"), {}, win32shell::DpiFunctions::system()),
        win32shell::Win32Error);
}

TEST_F(Form1Test, controlsAreAsDesigned)
{
    struct Expected {
        const char* name;
        const wchar_t* className;
        std::wstring text;
        RECT place;
        bool visible;
        LONG fontHeight;
    };
    const std::array<Expected, 4> expected { {
        { "Command1", L"Button", Idle, { 0, 0, 201, 97 }, true, -18 }, // 13.5 pt
        { "Command2", L"Button", L"RESET", { -8, 96, 201, 129 }, true, -24 }, // 18 pt
        { "Counter", L"Static", L"0", { 200, 32, 225, 65 }, false, -24 },
        // Hangs past the bottom edge; its text sits at the top to stay whole.
        { "Label1", L"Static", L"RECORD: 4", { 0, 128, 201, 161 }, true, -24 },
    } };
    for (const Expected& entry : expected) {
        SCOPED_TRACE(entry.name);
        const HWND child = control(entry.name);
        ASSERT_NE(child, nullptr);
        std::array<wchar_t, 64> className {};
        GetClassNameW(child, className.data(), static_cast<int>(className.size()));
        EXPECT_EQ(lstrcmpiW(className.data(), entry.className), 0);
        EXPECT_EQ(GetDlgCtrlID(child),
            window::Form1Design.controls.at(0).id + static_cast<int>(&entry - expected.data()));
        EXPECT_EQ(textOf(child), entry.text);
        EXPECT_TRUE(placeOf(child) == entry.place);
        EXPECT_EQ((styleOf(child) & WS_VISIBLE) != 0, entry.visible);
        EXPECT_EQ(fontOf(child).lfHeight, entry.fontHeight);
        EXPECT_EQ(fontOf(child).lfWeight, FW_NORMAL);
    }
    // Push buttons that wrap a long caption and reach every press, double-click time or not.
    for (const char* name : { "Command1", "Command2" }) {
        const DWORD style = styleOf(control(name));
        EXPECT_EQ(style & BS_TYPEMASK, DWORD { BS_PUSHBUTTON });
        EXPECT_NE(style & BS_MULTILINE, 0U);
        EXPECT_NE(style & WS_TABSTOP, 0U);
        EXPECT_EQ(style & BS_NOTIFY, 0U) << name;
    }
    EXPECT_EQ(styleOf(control("Label1")) & (SS_CENTER | SS_CENTERIMAGE), DWORD { SS_CENTER });
    // A press on the row the two buttons share belongs to the counting button.
    EXPECT_EQ(ChildWindowFromPoint(form.handle(), POINT { 100, 96 }), control("Command1"));
    // And the row RESET shares with the record label belongs to RESET, as in every shell.
    EXPECT_EQ(ChildWindowFromPoint(form.handle(), POINT { 100, 128 }), control("Command2"));
}

TEST_F(Form1Test, fontsAreAScalableFaceOfTheDesign)
{
    std::vector<std::wstring> faces { L"MS Sans Serif" };
    for (const std::u16string_view fallback : window::DesignFontFallbacks) {
        faces.emplace_back(fallback.begin(), fallback.end());
    }
    const std::wstring chosen = win32shell::chooseDesignFace();
    ASSERT_NE(std::find(faces.begin(), faces.end(), chosen), faces.end())
        << "no face of the design is installed";

    const HDC screen = GetDC(nullptr);
    for (const char* name : { "Command1", "Command2", "Label1" }) {
        SCOPED_TRACE(name);
        const HFONT font = fontHandleOf(control(name));
        const HGDIOBJ previous = SelectObject(screen, font);
        std::array<wchar_t, LF_FACESIZE> face {};
        GetTextFaceW(screen, static_cast<int>(face.size()), face.data());
        TEXTMETRICW metrics {};
        GetTextMetricsW(screen, &metrics);
        SelectObject(screen, previous);
        EXPECT_EQ(std::wstring(face.data()), chosen) << "the system put another face in its place";
        // An outline face, drawn at the size asked for rather than a bitmap stretched to it.
        EXPECT_NE(metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE), 0);
        EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, -fontOf(control(name)).lfHeight);
    }
    ReleaseDC(nullptr, screen);
}

TEST_F(Form1Test, captionsFitTheirControls)
{
    // Every caption the game shows is whole: on one line, or wrapped inside the button.
    RECT client {};
    GetClientRect(form.handle(), &client);
    const HDC screen = GetDC(nullptr);
    const auto fits = [&](const char* name, const std::wstring& text, UINT format, SIZE frame) {
        RECT visible {};
        const RECT place = placeOf(control(name));
        IntersectRect(&visible, &place, &client);
        const HFONT font = fontHandleOf(control(name));
        const HGDIOBJ previous = SelectObject(screen, font);
        const LONG width = visible.right - visible.left - 2 * frame.cx;
        RECT needed { 0, 0, width, 0 };
        DrawTextW(screen, text.c_str(), -1, &needed, format | DT_CALCRECT);
        SelectObject(screen, previous);
        return needed.right <= width
            && needed.bottom <= visible.bottom - visible.top - 2 * frame.cy;
    };
    // A button's frame takes a few pixels on every side; a label has none.
    constexpr SIZE ButtonFrame { 4, 3 };
    EXPECT_TRUE(fits("Command1", Idle, DT_CENTER | DT_WORDBREAK, ButtonFrame));
    EXPECT_TRUE(fits("Command1", L"9999", DT_CENTER | DT_WORDBREAK, ButtonFrame));
    EXPECT_TRUE(fits("Command2", L"RESET", DT_CENTER | DT_SINGLELINE, ButtonFrame));
    EXPECT_TRUE(fits("Label1", L"RECORD: 4", DT_CENTER | DT_SINGLELINE, SIZE {}));
    ReleaseDC(nullptr, screen);
}

TEST_F(Form1Test, movingToA144DpiMonitorScalesEverythingByHalfAgain)
{
    // A system that scales the frame as well: its suggestion is the whole new window.
    win32shell::DpiFunctions scalingFrame = win32shell::DpiFunctions::system();
    scalingFrame.getWindowDpiAwarenessContext = anyAwareness;
    scalingFrame.areDpiAwarenessContextsEqual = perMonitorV2;
    const Form1 moved(GetModuleHandleW(nullptr), {}, scalingFrame);
    RECT suggested {};
    GetWindowRect(moved.handle(), &suggested);
    suggested.right = suggested.left + 310;
    suggested.bottom = suggested.top + 260;
    SendMessageW(moved.handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
        win32shell::toParameter<LPARAM>(&suggested));
    RECT frame {};
    GetWindowRect(moved.handle(), &frame);
    EXPECT_TRUE(frame == suggested);
    EXPECT_TRUE(placeOf(controlOf(moved, "Command1")) == (RECT { 0, 0, 302, 146 }));
    EXPECT_TRUE(placeOf(controlOf(moved, "Command2")) == (RECT { -12, 144, 302, 194 }));
    EXPECT_TRUE(placeOf(controlOf(moved, "Label1")) == (RECT { 0, 192, 302, 242 }));
    EXPECT_EQ(fontOf(controlOf(moved, "Command1")).lfHeight, -27);
    EXPECT_EQ(fontOf(controlOf(moved, "Command2")).lfHeight, -36);
}

TEST_F(Form1Test, olderSystemsTakeTheMonitorsDpiAndTheSizeFromTheDesign)
{
    // Windows 8.1 and 10 before 1703: no GetDpiForWindow, and a frame the system does not scale.
    win32shell::DpiFunctions older;
    EXPECT_EQ(clientSizeOf(Form1(GetModuleHandleW(nullptr), {}, older).handle()),
        std::make_pair(199L, 156L));
    older.getDpiForMonitor = monitorAt144;
    const Form1 moved(GetModuleHandleW(nullptr), {}, older);
    EXPECT_EQ(clientSizeOf(moved.handle()), std::make_pair(299L, 234L));

    RECT suggested { 40, 50, 540, 550 };
    SendMessageW(moved.handle(), WM_DPICHANGED, MAKEWPARAM(96, 96),
        win32shell::toParameter<LPARAM>(&suggested));
    RECT frame {};
    GetWindowRect(moved.handle(), &frame);
    EXPECT_EQ(frame.left, 40);
    EXPECT_EQ(frame.top, 50);
    EXPECT_EQ(clientSizeOf(moved.handle()), std::make_pair(199L, 156L));
}

TEST_F(Form1Test, focusStartsOnTheCountingButtonAndTabMovesBetweenTheTwoButtons)
{
    showAndFocus();
    EXPECT_EQ(GetFocus(), control("Command1"));
    press(VK_TAB);
    EXPECT_EQ(GetFocus(), control("Command2"));
    press(VK_TAB);
    EXPECT_EQ(GetFocus(), control("Command1"));

    std::array<BYTE, 256> keys {};
    GetKeyboardState(keys.data());
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys.data());
    press(VK_TAB);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys.data());
    EXPECT_EQ(GetFocus(), control("Command2"));
    EXPECT_EQ(count(), Idle) << "moving the focus pressed a button";
}

TEST_F(Form1Test, arrowsMoveTheFocusAndPressNothing)
{
    showAndFocus();
    for (const WPARAM arrow :
        { WPARAM { VK_RIGHT }, WPARAM { VK_DOWN }, WPARAM { VK_LEFT }, WPARAM { VK_UP } }) {
        const HWND before = GetFocus();
        press(arrow);
        EXPECT_NE(GetFocus(), before) << arrow;
    }
    EXPECT_EQ(GetFocus(), control("Command1"));
    EXPECT_EQ(count(), Idle);
}

TEST_F(Form1Test, everyPressCounts)
{
    click("Command2"); // RESET starts a run too
    EXPECT_EQ(count(), L"1");
    click("Command1", 24);
    EXPECT_EQ(count(), L"25");
    // Before the time is up, RESET is one more press.
    click("Command2");
    EXPECT_EQ(count(), L"26");
}

TEST_F(Form1Test, fastSecondPressCountsTwice)
{
    // Two real clicks inside the double-click time: the system makes the second one a
    // double-click, which the button must still take as a press.
    showAndFocus();
    RECT place {};
    GetWindowRect(control("Command1"), &place);
    SetCursorPos((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    std::array<INPUT, 4> clicks {};
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        clicks.at(i).type = INPUT_MOUSE;
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access): INPUT is a tagged union
        clicks.at(i).mi.dwFlags = i % 2 == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    }
    ASSERT_EQ(SendInput(static_cast<UINT>(clicks.size()), clicks.data(), sizeof(INPUT)), 4U);
    pump.runUntil([this] { return count() == L"2"; }, 1s);
    EXPECT_TRUE(pump.saw(WM_LBUTTONDBLCLK));
    EXPECT_EQ(count(), L"2");
}

TEST_F(Form1Test, aClickCountsByTheTimeOfItsInput)
{
    // Clicks the system stamps as made ten seconds apart, though sent at once: the second is
    // past the run's end, which comes first, and the timer has not ticked yet.
    showAndFocus();
    RECT place {};
    GetWindowRect(control("Command1"), &place);
    SetCursorPos((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    const DWORD start = GetTickCount();
    std::array<INPUT, 6> clicks {};
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        clicks.at(i).type = INPUT_MOUSE;
        // NOLINTBEGIN(cppcoreguidelines-pro-type-union-access): INPUT is a tagged union
        clicks.at(i).mi.dwFlags = i % 2 == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
        clicks.at(i).mi.time = start + std::array<DWORD, 3> { 0, 9999, 10000 }.at(i / 2);
        // NOLINTEND(cppcoreguidelines-pro-type-union-access)
    }
    ASSERT_EQ(SendInput(static_cast<UINT>(clicks.size()), clicks.data(), sizeof(INPUT)), 6U);
    // The third, stamped at the run's end, brings the end at once.
    EXPECT_TRUE(pump.runUntil([this] { return marker() == L"1"; }));
    EXPECT_EQ(count(), L"2");
}

TEST_F(Form1Test, keysPressTheFocusedButtonOncePerPress)
{
    showAndFocus();
    press(VK_SPACE);
    press(VK_RETURN);
    EXPECT_EQ(count(), L"2");
    // A held key is still one press.
    hold(VK_RETURN);
    hold(VK_SPACE);
    EXPECT_EQ(pump.repeatedKeyDowns(), 2 * HeldRepeats) << "the system marked no repeats";
    EXPECT_EQ(count(), L"4");
    press(VK_TAB);
    press(VK_SPACE);
    press(VK_RETURN);
    EXPECT_EQ(count(), L"6");
}

TEST_F(Form1Test, theRunEndsAtItsTickAndLaterPressesDoNotCount)
{
    showAndFocus();
    const MessageBoxReader reader(form.handle());
    click("Command1", 5);
    shortenTheRun();
    ASSERT_TRUE(pump.runUntil([this] { return marker() == L"1"; }));
    click("Command1", 3);
    press(VK_SPACE);
    EXPECT_EQ(count(), L"5");
    // The tick does not stop the timer: the next one comes an interval after it.
    SetWindowTextW(control("Counter"), L"0");
    ASSERT_TRUE(pump.runUntil([this] { return marker() == L"1"; }));
    click("Command2");
    EXPECT_FALSE(timerWasRunning(form));
    EXPECT_EQ(reader.boxes().size(), 1U);
}

struct Rating {
    int clicks;
    std::vector<std::wstring> messages;
    std::wstring record;
};

class Form1RatingTest : public Form1Test, public ::testing::WithParamInterface<Rating> { };

TEST_P(Form1RatingTest, evaluationShowsTheRating)
{
    const MessageBoxReader reader(form.handle());
    playRun(GetParam().clicks);
    EXPECT_EQ(reader.texts(), GetParam().messages);
    for (const MessageBoxReader::Seen& box : reader.boxes()) {
        EXPECT_EQ(box.title, L"Morvane");
        EXPECT_FALSE(box.hasIcon);
        EXPECT_EQ(box.buttons, std::vector<std::wstring> { L"OK" });
    }
    EXPECT_EQ(textOf(control("Label1")), GetParam().record);
    EXPECT_EQ(count(), Idle);
    EXPECT_EQ(marker(), L"0");
    EXPECT_FALSE(timerWasRunning(form));
}

INSTANTIATE_TEST_SUITE_P(Runs, Form1RatingTest,
    ::testing::Values(Rating { 24,
                          { L"You only clicked the button 2.4 times in a second. You need more "
                            L"practice using a mouse." },
                          L"RECORD: 4" },
        Rating { 41,
            { L"Wow! You clicked the button 4.1 times in a second. Bravo!!!", L"NEW RECORD!" },
            L"4.1" },
        Rating { 100, { L"Wow. 10 times per second...", L"NEW RECORD!" }, L"10" }));

class Form1CommaTest : public Form1Test {
protected:
    Form1CommaTest()
        : Form1Test({ u',' })
    {
    }
};

TEST_F(Form1CommaTest, recordIsKeptAcrossRuns)
{
    const MessageBoxReader reader(form.handle());
    for (const int clicks : { 41, 41, 24 }) {
        playRun(clicks);
    }
    EXPECT_EQ(reader.texts(),
        (std::vector<std::wstring> { L"Wow! You clicked the button 4,1 times in a second. Bravo!!!",
            L"NEW RECORD!", L"Wow! You clicked the button 4,1 times in a second. Bravo!!!",
            L"You only clicked the button 2,4 times in a second. You need more practice using a "
            L"mouse." }));
    EXPECT_EQ(textOf(control("Label1")), L"4,1");
}

TEST_F(Form1Test, tickWhileABoxIsOpenArrivesAndChangesNothing)
{
    // While the box is open the marker is cleared behind the game's back; a tick delivered
    // through the box's own loop sets it again.
    std::atomic<bool> tickArrived = false;
    const HWND counter = control("Counter");
    const MessageBoxReader reader(form.handle(), [&](HWND /*box*/) {
        SetWindowTextW(counter, L"0");
        const auto giveUp = std::chrono::steady_clock::now() + 3s;
        while (!tickArrived && std::chrono::steady_clock::now() < giveUp) {
            tickArrived = textOf(counter) == L"1";
            Sleep(1);
        }
    });
    playRun(41);
    EXPECT_TRUE(tickArrived);
    EXPECT_EQ(reader.texts(),
        (std::vector<std::wstring> {
            L"Wow! You clicked the button 4.1 times in a second. Bravo!!!", L"NEW RECORD!" }));
    EXPECT_EQ(textOf(control("Label1")), L"4.1");
    EXPECT_EQ(count(), Idle);
    pump.runFor(ShortRun * 2);
    EXPECT_EQ(marker(), L"0") << "a tick came after the run was over";
}

TEST_F(Form1Test, noPressOrCloseIsTakenWhileABoxIsOpen)
{
    // What automation tools and taskkill send to a window whose box is open.
    const HWND reset = control("Command2");
    const HWND window = form.handle();
    const MessageBoxReader reader(window, [&](HWND /*box*/) {
        PostMessageW(reset, BM_CLICK, 0, 0);
        PostMessageW(window, WM_CLOSE, 0, 0);
        Sleep(300);
    });
    playRun(3);
    EXPECT_EQ(reader.texts(),
        std::vector<std::wstring> {
            L"You only clicked the button 0.3 times in a second. You need more practice using a "
            L"mouse." });
    pump.runFor(20ms);
    EXPECT_NE(IsWindow(window), FALSE);
    EXPECT_EQ(pump.quitStatus(), std::nullopt);
    EXPECT_EQ(count(), Idle);
    click("Command1");
    EXPECT_EQ(count(), L"1") << "the game goes on";
}

TEST_F(Form1Test, handlerErrorIsReportedAndEndsTheGame)
{
    const MessageBoxReader reader(form.handle());
    click("Command1");
    // A count the game cannot read back.
    SetWindowTextW(control("Command1"), L"12abc");
    click("Command1");

    ASSERT_EQ(reader.boxes().size(), 1U);
    const MessageBoxReader::Seen box = reader.boxes().front();
    EXPECT_EQ(box.title, L"Morvane");
    EXPECT_EQ(box.text, L"Type mismatch: \"12abc\" is not a number");
    EXPECT_TRUE(box.hasIcon);
    EXPECT_EQ(box.buttons, std::vector<std::wstring> { L"OK" });
    EXPECT_FALSE(timerWasRunning(form));
    pump.runFor(20ms);
    EXPECT_EQ(pump.quitStatus(), 1);

    // Nothing more happens: no count, no tick, no further box.
    click("Command2");
    pump.runFor(ShortRun * 2);
    EXPECT_EQ(reader.boxes().size(), 1U);
    EXPECT_EQ(count(), L"12abc");
    EXPECT_EQ(marker(), L"0");
}

} // namespace
