#include "window/win32/form1.h"

#include "window/win32/design_font.h"
#include "window/win32/dpi.h"
#include "window/win32/message_parameter.h"
#include "window/win32/system_library.h"
#include "window/win32/wide_text.h"
#include "window/win32/win32_error.h"

#include <chrono>
#include <optional>

namespace win32shell {
namespace {

using window::Form1Design;

// Fixed size: the controls are placed to the pixel and never move. No maximise either.
constexpr DWORD FormStyle
    = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD FormExStyle = 0;

// The program's boxes carry its name, as the window does.
const std::wstring& boxTitle()
{
    static const std::wstring title = toWide(Form1Design.caption);
    return title;
}

HICON loadIcon(HINSTANCE instance, int widthMetric, int heightMetric) noexcept
{
    // Shared: the system keeps the icon for the program's life, so there is nothing to free.
    return static_cast<HICON>(LoadImageW(instance, L"IDI_ICON1", IMAGE_ICON,
        GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_SHARED));
}

DWORD controlStyle(const window::ControlDesign& entry) noexcept
{
    // Clipped by their siblings, so that where two buttons overlap the one above stays whole.
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (entry.shown ? WS_VISIBLE : 0U);
    if (entry.isButton()) {
        // No BS_NOTIFY: with it a press inside the double-click time becomes BN_DOUBLECLICKED
        // and is lost to the count. BS_MULTILINE wraps a caption that is wider than the button.
        return style | BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP;
    }
    style |= SS_CENTER | SS_NOPREFIX;
    // Top-centred is a static's own placement; centring on the height fits one line.
    return entry.placement == window::TextPlacement::Centred ? style | SS_CENTERIMAGE : style;
}

std::optional<window::Arrow> arrowFor(WPARAM virtualKey) noexcept
{
    switch (virtualKey) {
    case VK_LEFT:
        return window::Arrow::Left;
    case VK_UP:
        return window::Arrow::Up;
    case VK_RIGHT:
        return window::Arrow::Right;
    case VK_DOWN:
        return window::Arrow::Down;
    default:
        return std::nullopt;
    }
}

// How much later than its message's time a press may have been made. Windows stamps input with
// its tick count, which steps with the clock's interrupt: 15.6 ms unless the system says otherwise.
// Wine stamps it with its X server's own time of the event, to the millisecond.
std::chrono::microseconds messageTimeStep() noexcept
{
    if (moduleFunction<void (*)()>(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
        return std::chrono::microseconds::zero();
    }
    constexpr DWORD HundredNanosecondsPerMicrosecond = 10;
    DWORD adjustment = 0;
    DWORD increment = 0;
    BOOL adjustmentDisabled = FALSE;
    if (GetSystemTimeAdjustment(&adjustment, &increment, &adjustmentDisabled) == FALSE
        || increment == 0) {
        increment = 156'250;
    }
    return std::chrono::microseconds(
        (increment + HundredNanosecondsPerMicrosecond - 1) / HundredNanosecondsPerMicrosecond);
}

// The time of the input a press comes from: the message the loop is handling, where the press was
// not sent from another thread (an automation tool's BM_CLICK, UI Automation's Invoke).
std::optional<window::InputTime> pressStamp() noexcept
{
    if (InSendMessage() != FALSE) {
        return std::nullopt;
    }
    return window::inputTimeFromMilliseconds(static_cast<std::uint32_t>(GetMessageTime()));
}

} // namespace

bool Form1::registerClass(HINSTANCE instance) noexcept
{
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = loadIcon(instance, SM_CXICON, SM_CYICON);
    windowClass.hIconSm = loadIcon(instance, SM_CXSMICON, SM_CYSMICON);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = Form1ClassName;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

Form1::Form1(HINSTANCE instance, clicktest::NumberFormat format, const DpiFunctions& dpiFunctions)
    : m_session(*this, format, messageTimeStep())
    , m_dpi(dpiFunctions)
    , m_face(chooseDesignFace())
{
    const std::wstring caption = toWide(Form1Design.caption);
    // Sized and placed below, once the window knows the DPI of the monitor it is on.
    if (CreateWindowExW(FormExStyle, Form1ClassName, caption.c_str(), FormStyle, CW_USEDEFAULT, 0,
            0, 0, nullptr, nullptr, instance, this)
        == nullptr) {
        (void)m_window.release(); // the system has destroyed whatever it had made
        throw lastWin32Error("The game's window could not be made");
    }
    createControls(instance);
    const int dpi = windowDpi(handle(), m_dpi);
    layOut(dpi);
    centreOnWorkArea(dpi);
    m_timer1 = std::make_unique<RunTimer>(handle(), RunTimerId);
    m_session.load();
}

clicktest::Text Form1::text(clicktest::Control which) const
{
    const HWND control = m_controls.at(window::rowOf(which));
    SetLastError(ERROR_SUCCESS);
    const int length = GetWindowTextLengthW(control);
    if (length == 0 && GetLastError() != ERROR_SUCCESS) {
        throw clicktest::ControlError("The control's text could not be read");
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = length == 0 ? 0 : GetWindowTextW(control, text.data(), length + 1);
    if (copied == 0 && length != 0) {
        throw clicktest::ControlError("The control's text could not be read");
    }
    text.resize(static_cast<std::size_t>(copied));
    return toText(text);
}

void Form1::setText(clicktest::Control which, std::u16string_view text)
{
    const std::wstring wide = toWide(text);
    if (SetWindowTextW(m_controls.at(window::rowOf(which)), wide.c_str()) == FALSE) {
        throw clicktest::ControlError("The control's text could not be set");
    }
}

void Form1::startTicks(std::chrono::milliseconds interval)
{
    m_timer1->start(interval);
}

void Form1::stopTicks()
{
    m_timer1->stop();
}

void Form1::showMessage(std::u16string_view prompt)
{
    const std::wstring text = toWide(prompt);
    // OK alone and no icon, as the game has always shown it; owned, so the window waits for it.
    if (MessageBoxW(handle(), text.c_str(), boxTitle().c_str(), MB_OK) == 0) {
        throw lastWin32Error("The message could not be shown");
    }
}

void Form1::showFailure(std::string_view reason)
{
    const std::wstring text = wideFromUtf8(reason);
    MessageBoxW(handle(), text.c_str(), boxTitle().c_str(), MB_OK | MB_ICONERROR);
}

void Form1::quit(int status) noexcept
{
    PostQuitMessage(status);
}

void Form1::WindowDestroyer::operator()(HWND window) const noexcept
{
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

LRESULT CALLBACK Form1::windowProcedure(
    HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_NCCREATE) {
        const auto* const creation = fromParameter<const CREATESTRUCTW*>(lParam);
        auto* const self = static_cast<Form1*>(creation->lpCreateParams);
        self->m_window.reset(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, toParameter<LONG_PTR>(self));
    }
    auto* const self = fromParameter<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handleMessage(window, message, wParam, lParam);
}

LRESULT Form1::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    switch (message) {
    case WM_ACTIVATE:
        onActivate(wParam);
        break; // the default handling then focuses the window, and onSetFocus passes it on
    case WM_SETFOCUS:
        onSetFocus();
        return 0;
    case WM_COMMAND:
        onCommand(wParam);
        return 0;
    case WM_KEYDOWN:
        onKeyDown(wParam, lParam);
        return 0;
    case WM_CLOSE:
        // Not from under a box: the handler that opened it is still running.
        if (!m_session.mayClose()) {
            return 0;
        }
        break;
    case DM_GETDEFID:
        return onGetDefaultId();
    case WM_TIMER:
        onTimer(wParam);
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(wParam, lParam);
        return 0;
    case WM_DESTROY:
        onDestroy();
        return 0;
    case WM_NCDESTROY:
        (void)m_window.release(); // gone already; nothing left to destroy
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Form1::onActivate(WPARAM wParam) noexcept
{
    // Leaving the window: remember which button had the focus, to give it back on return.
    if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(handle(), focus) != FALSE) {
            m_focus = focus;
        }
    }
}

void Form1::onSetFocus() noexcept
{
    if (m_focus != nullptr) {
        SetFocus(m_focus);
    }
}

void Form1::onCommand(WPARAM wParam) noexcept
{
    if (HIWORD(wParam) != BN_CLICKED) {
        return;
    }
    if (const std::optional<window::Button> pressed = window::buttonWithId(LOWORD(wParam))) {
        m_session.press(*pressed, { pressStamp() });
    }
}

void Form1::onKeyDown(WPARAM wParam, LPARAM lParam) noexcept
{
    const std::optional<window::Arrow> arrow = arrowFor(wParam);
    if (!arrow && wParam != VK_RETURN) {
        return;
    }
    const HWND focus = GetFocus();
    for (const window::Button which : window::buttonsInTabOrder()) {
        if (button(which) != focus) {
            continue;
        }
        if (arrow) {
            SetFocus(button(window::focusAfter(which, *arrow)));
        } else {
            // Bit 30: the key was down already, so this is its auto-repeat.
            m_session.press(which, { pressStamp(), (lParam & (LPARAM { 1 } << 30)) != 0 });
        }
        return;
    }
}

LRESULT Form1::onGetDefaultId() const noexcept
{
    // Return presses the button that has the focus: the dialog manager asks the window which
    // button is the default one and presses that.
    const HWND focus = GetFocus();
    for (const window::Button which : window::buttonsInTabOrder()) {
        if (button(which) == focus) {
            return MAKELRESULT(window::designOf(which).id, DC_HASDEFID);
        }
    }
    return 0;
}

void Form1::onTimer(WPARAM id) noexcept
{
    if (id == RunTimerId) {
        m_session.tick();
    }
}

void Form1::onDpiChanged(WPARAM wParam, LPARAM lParam) noexcept
{
    const int dpi = LOWORD(wParam);
    try {
        layOut(dpi);
    } catch (const std::exception&) {
        // The controls keep their old fonts, still readable; the game goes on.
    }
    // The system's suggestion keeps the window where the player dragged it. Its size counts a
    // scaled frame, right only where the system scales the frame too; elsewhere the size comes
    // from the design.
    const auto* const suggested = fromParameter<const RECT*>(lParam);
    RECT frame = *suggested;
    if (!scalesFrame(handle(), m_dpi)) {
        const RECT client { 0, 0, window::pixelsAt(Form1Design.clientWidth, dpi),
            window::pixelsAt(Form1Design.clientHeight, dpi) };
        frame = windowRectForClient(handle(), client, FormStyle, FormExStyle, dpi, m_dpi);
        OffsetRect(&frame, suggested->left - frame.left, suggested->top - frame.top);
    }
    SetWindowPos(handle(), nullptr, frame.left, frame.top, frame.right - frame.left,
        frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1::onDestroy() noexcept
{
    // The player closed the window: the game is over.
    PostQuitMessage(0);
}

void Form1::createControls(HINSTANCE instance)
{
    // Made in tab order, which is their stacking order too: the dialog manager's Tab follows it,
    // and it keeps the earlier button whole where two overlap.
    HWND previous = HWND_TOP;
    for (const std::size_t row : window::rowsInTabOrder()) {
        const window::ControlDesign& entry = Form1Design.controls.at(row);
        const std::wstring text = toWide(entry.text);
        const wchar_t* const controlClass = entry.isButton() ? L"BUTTON" : L"STATIC";
        auto* const id = fromParameter<HMENU>(static_cast<INT_PTR>(entry.id));
        const HWND control = CreateWindowExW(0, controlClass, text.c_str(), controlStyle(entry), 0,
            0, 0, 0, handle(), id, instance, nullptr);
        if (control == nullptr) {
            throw lastWin32Error("A control of the game's window could not be made");
        }
        SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
        m_controls.at(row) = control;
    }
    m_focus = button(window::buttonsInTabOrder().front());
}

void Form1::layOut(int dpi)
{
    std::array<OwnedFont, window::ControlCount> fonts;
    for (std::size_t i = 0; i < window::ControlCount; ++i) {
        const window::ControlDesign& entry = Form1Design.controls.at(i);
        fonts.at(i) = createDesignFont(m_face, entry.font.value_or(Form1Design.font), dpi);
    }
    for (std::size_t i = 0; i < window::ControlCount; ++i) {
        const window::ControlDesign& entry = Form1Design.controls.at(i);
        SetWindowPos(m_controls.at(i), nullptr, window::pixelsAt(entry.left, dpi),
            window::pixelsAt(entry.top, dpi), window::pixelsAt(entry.width, dpi),
            window::pixelsAt(entry.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(m_controls.at(i), WM_SETFONT, toParameter<WPARAM>(fonts.at(i).get()), TRUE);
    }
    // The old fonts go only now that no control draws with them.
    m_fonts.swap(fonts);
}

void Form1::centreOnWorkArea(int dpi) const noexcept
{
    const RECT client { 0, 0, window::pixelsAt(Form1Design.clientWidth, dpi),
        window::pixelsAt(Form1Design.clientHeight, dpi) };
    const RECT frame = windowRectForClient(handle(), client, FormStyle, FormExStyle, dpi, m_dpi);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    MONITORINFO monitor {};
    monitor.cbSize = sizeof(monitor);
    RECT work { 0, 0, width, height };
    if (GetMonitorInfoW(MonitorFromWindow(handle(), MONITOR_DEFAULTTONEAREST), &monitor) != FALSE) {
        work = monitor.rcWork;
    }
    SetWindowPos(handle(), nullptr, work.left + (work.right - work.left - width) / 2,
        work.top + (work.bottom - work.top - height) / 2, width, height,
        SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Form1::button(window::Button which) const noexcept
{
    return m_controls.at(window::rowOf(which));
}

} // namespace win32shell
