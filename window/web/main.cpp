// The browser shell: the page's DOM behind window::ShellControls. Everything that crosses between
// the WebAssembly and the page is in this file: the JavaScript it calls (EM_JS) and the functions
// the page calls back (morvane_*). Controls are found by their row in the design.

#include "window/common/form1_design.h"
#include "window/common/game_session.h"
#include "window/common/number_format.h"
#include "window/common/run_end.h"

#include <emscripten.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// clang-format off
// (the bodies are JavaScript)

// The window, made whole before it is shown: its frame with the title bar, and its client area
// that the controls go into. The page looks its controls up by their row from here on, and its
// arrow keys by their number in window::Arrow (`arrowKeys`, their names in that order).
EM_JS(void, pageOpenWindow, (const char16_t* caption, const char16_t* arrowKeys), {
    var title = UTF16ToString(caption);
    document.title = title;
    var frame = document.createElement('div');
    frame.className = 'window';
    var bar = document.createElement('div');
    bar.className = 'title';
    bar.textContent = title;
    var client = document.createElement('div');
    client.className = 'client';
    frame.append(bar, client);
    var controls = [];
    Module.morvanePage = {
        frame: frame,
        client: client,
        controls: controls,
        // A control the page has lost is no control.
        control: function(row) {
            var control = controls[row];
            return control && control.isConnected ? control : null;
        }
    };
    // Whether the key that makes the next click is held down and repeating: Return clicks on each
    // of its keydowns, Space only on its keyup.
    Module.morvaneKeyRepeats = false;
    client.addEventListener('keyup', function() { Module.morvaneKeyRepeats = false; });
    var arrows = UTF16ToString(arrowKeys).split(' ');
    client.addEventListener('keydown', function(event) {
        Module.morvaneKeyRepeats = event.repeat;
        var arrow = arrows.indexOf(event.key);
        var button = event.target.dataset.button;
        if (arrow < 0 || button === undefined || event.altKey || event.ctrlKey || event.metaKey) {
            return;
        }
        event.preventDefault();
        var next = _morvane_focus_after(Number(button), arrow);
        client.querySelector('[data-button="' + next + '"]').focus();
    });
});

// The room the page gives the window, in whole CSS pixels: 0 for its width, 1 for its height.
EM_JS(int, pageRoom, (int dimension), {
    var room = document.getElementById('morvane-room').getBoundingClientRect();
    return Math.floor(dimension === 0 ? room.width : room.height);
});

// Shows the window made by pageOpenWindow, in its place, and lays it out again whenever the
// viewport changes size (a window resized, a phone turned, the page zoomed).
EM_JS(void, pageShowWindow, (), {
    document.getElementById('morvane-place').append(Module.morvanePage.frame);
    addEventListener('resize', function() { _morvane_rescale(); });
});

// The frame's lengths and the client area's size, in CSS pixels; the boxes take them too.
EM_JS(void, pageSizeWindow, (int width, int height, int titleHeight, int titleFont, int border,
                             double scale), {
    var root = document.documentElement.style;
    root.setProperty('--title-height', titleHeight + 'px');
    root.setProperty('--title-font', titleFont + 'px');
    root.setProperty('--border', border + 'px');
    root.setProperty('--scale', scale);
    var client = Module.morvanePage.client.style;
    client.width = width + 'px';
    client.height = height + 'px';
});

EM_JS(void, pageAddControl, (int row, int button, const char16_t* text, const char16_t* family,
                             int weight, int layer, int shown, int centred), {
    var control = document.createElement(button < 0 ? 'div' : 'button');
    control.id = 'morvane-control-' + row;
    control.textContent = UTF16ToString(text);
    control.hidden = !shown;
    var style = control.style;
    style.fontFamily = UTF16ToString(family);
    style.fontWeight = weight;
    style.zIndex = layer;
    if (button < 0 && centred) {
        control.className = 'centred';
    }
    if (button >= 0) {
        control.type = 'button';
        control.dataset.button = button;
        // A click is a press: by mouse or touch it comes on release, by Space on its keyup, by
        // Return on its keydown. Its time is the input's; one the page made up has none.
        control.addEventListener('click', function(event) {
            var stamped = event.isTrusted && event.timeStamp > 0;
            var repeated = event.detail === 0 && Module.morvaneKeyRepeats;
            _morvane_press(button, stamped ? event.timeStamp : 0, stamped, repeated);
        });
    }
    Module.morvanePage.controls[row] = control;
    Module.morvanePage.client.append(control);
});

// Puts a control where the layout says, in CSS pixels, its text `size` pixels high.
EM_JS(void, pagePlaceControl, (int row, int left, int top, int width, int height, int size), {
    var style = Module.morvanePage.controls[row].style;
    style.left = left + 'px';
    style.top = top + 'px';
    style.width = width + 'px';
    style.height = height + 'px';
    style.fontSize = size + 'px';
});

EM_JS(int, pageTextLength, (int row), {
    var control = Module.morvanePage.control(row);
    return control ? control.textContent.length : -1;
});

EM_JS(void, pageCopyText, (int row, char16_t* buffer, int bytes), {
    stringToUTF16(Module.morvanePage.control(row).textContent, buffer, bytes);
});

EM_JS(int, pageSetText, (int row, const char16_t* text), {
    var control = Module.morvanePage.control(row);
    if (!control) {
        return 0;
    }
    control.textContent = UTF16ToString(text);
    return 1;
});

// A tick every `interval` ms, the first `interval` from now; a negative one stops the ticks.
EM_JS(void, pageSetTimer, (int interval), {
    clearInterval(Module.morvaneTimer);
    if (interval >= 0) {
        Module.morvaneTimer = setInterval(_morvane_tick, interval);
    }
});

// The page cannot close itself: it takes no more input, and its notice says why.
EM_JS(void, pageEnd, (), {
    Module.morvanePage.client.inert = true;
});

// A modal box with `prompt` (UTF-16), or the error box with `reason` (UTF-8), and OK alone. It
// is made anew each time and removed once closed, however it closes. Its message is its
// description, which a screen reader reads out as it opens.
EM_JS(void, pageOpenBox, (const char16_t* caption, const char16_t* prompt, const char* reason), {
    var box = document.createElement('dialog');
    box.className = 'box';
    // An error box may open over a message box: each names its parts apart.
    var id = 'morvane-box-' + (Module.morvaneBoxes = (Module.morvaneBoxes || 0) + 1);
    function part(tag, name, className) {
        var element = document.createElement(tag);
        element.id = id + '-' + name;
        if (className) {
            element.className = className;
        }
        return element;
    }
    var title = part('div', 'title', 'title');
    title.textContent = UTF16ToString(caption);
    box.setAttribute('aria-labelledby', title.id);
    box.append(title);
    var message = [];
    if (reason) {
        box.setAttribute('role', 'alertdialog');
        var heading = part('p', 'error', 'error');
        heading.textContent = 'Error';
        message.push(heading);
    }
    var text = part('p', 'text');
    text.textContent = reason ? UTF8ToString(reason) : UTF16ToString(prompt);
    message.push(text);
    box.setAttribute('aria-describedby', message.map(function(p) { return p.id; }).join(' '));
    var buttons = document.createElement('div');
    buttons.className = 'buttons';
    var ok = document.createElement('button');
    ok.type = 'button';
    ok.textContent = 'OK';
    ok.autofocus = true;
    ok.addEventListener('click', function() { box.close(); });
    buttons.append(ok);
    box.append(...message, buttons);
    // Escape is OK too, and never leaves the box half closed with the game waiting on it.
    box.addEventListener('cancel', function(event) {
        event.preventDefault();
        box.close();
    });
    Module.morvaneBoxClosed = new Promise(function(resolve) {
        box.addEventListener('close', function() {
            box.remove();
            resolve();
        });
    });
    if (reason) {
        morvaneStopped(text.textContent);
    }
    document.querySelector('main').append(box);
    box.showModal();
});

// Asyncify unwinds the game's stack while this waits, and rewinds it once the box is gone;
// the page's timers and events run meanwhile.
EM_ASYNC_JS(void, pageBoxClosed, (), {
    await Module.morvaneBoxClosed;
});

// The browser's language's way of writing 1.5, into `buffer` (`bytes` long); returns its length.
EM_JS(int, pageOneAndAHalf, (char16_t* buffer, int bytes), {
    var text = (1.5).toLocaleString(navigator.language);
    stringToUTF16(text, buffer, bytes);
    return text.length;
});

// clang-format on

namespace {

// CSS lays out at 96 px to the inch: 15 twips to a pixel, which the browser scales by the page's
// zoom and the screen's pixel ratio, text and all. The window is laid out at a DPI of its own
// on top, as a desktop's display scaling would, to fill the room the page gives it.
constexpr int CssDpi = 96;
// The frame the page draws round the client area, as a desktop draws it at 96 DPI: a title bar
// of 24 px in a 14 px caption, and a border of 1 px.
constexpr int TitleBarTwips = 360;
constexpr double TitleFontPoints = 10.5;
constexpr int BorderTwips = 15;

struct Size {
    int width;
    int height;
};

// The whole window, frame and all, at `dpi`.
Size windowSizeAt(int dpi)
{
    const window::FormDesign& design = window::Form1Design;
    const int border = 2 * window::pixelsAt(BorderTwips, dpi);
    return { window::pixelsAt(design.clientWidth, dpi) + border,
        window::pixelsAt(TitleBarTwips, dpi) + window::pixelsAt(design.clientHeight, dpi)
            + border };
}

// The largest DPI at which the whole window fits `room`, but never less than the design's: a
// window larger than the room is shown whole all the same, and the page scrolls.
int dpiToFit(Size room)
{
    const Size design = windowSizeAt(CssDpi);
    const double scale = std::min(static_cast<double>(room.width) / design.width,
        static_cast<double>(room.height) / design.height);
    int dpi = std::max(CssDpi, static_cast<int>(scale * CssDpi));
    // Each length is rounded on its own, which may take the whole a pixel past the room.
    while (dpi > CssDpi
        && (windowSizeAt(dpi).width > room.width || windowSizeAt(dpi).height > room.height)) {
        --dpi;
    }
    return dpi;
}

int rowOf(clicktest::Control which)
{
    return static_cast<int>(window::rowOf(which));
}

// The design's face first, then its stand-ins, then whatever the browser has.
std::u16string cssFontFamily(std::u16string_view family)
{
    std::u16string list = u"\"" + std::u16string(family) + u"\"";
    for (const std::u16string_view fallback : window::DesignFontFallbacks) {
        list += u", \"" + std::u16string(fallback) + u"\"";
    }
    return list + u", sans-serif";
}

// The browser's language's decimal separator: what it writes between the 1 and the 5 of 1.5.
clicktest::NumberFormat pageNumberFormat()
{
    std::array<char16_t, 8> text {};
    const int length = pageOneAndAHalf(text.data(), static_cast<int>(sizeof(text)));
    // The units between the first and the last; none when the text did not fit.
    const bool fits = length >= 2 && static_cast<std::size_t>(length) < text.size();
    const std::size_t between = fits ? static_cast<std::size_t>(length) - 2 : 0;
    return window::numberFormatWithSeparator(
        std::u16string_view(text.data(), text.size()).substr(1, between));
}

// The window's title, which its boxes carry too.
std::u16string caption()
{
    return std::u16string(window::Form1Design.caption);
}

class PageShell final : public window::ShellControls {
public:
    [[nodiscard]] clicktest::Text text(clicktest::Control which) const override
    {
        const int length = pageTextLength(rowOf(which));
        if (length < 0) {
            throw clicktest::ControlError("A control of the page is gone.");
        }
        // Room for the terminating zero that the copy writes.
        clicktest::Text text(static_cast<std::size_t>(length) + 1, u'\0');
        pageCopyText(rowOf(which), text.data(), static_cast<int>(text.size() * sizeof(char16_t)));
        text.pop_back();
        return text;
    }

    void setText(clicktest::Control which, std::u16string_view text) override
    {
        if (pageSetText(rowOf(which), std::u16string(text).c_str()) == 0) {
            throw clicktest::ControlError("A control of the page is gone.");
        }
    }

    void startTicks(std::chrono::milliseconds interval) override
    {
        pageSetTimer(static_cast<int>(interval.count()));
    }

    void stopTicks() override { pageSetTimer(-1); }

    void showMessage(std::u16string_view prompt) override
    {
        pageOpenBox(caption().c_str(), std::u16string(prompt).c_str(), nullptr);
        m_waiting = true;
        pageBoxClosed();
        m_waiting = false;
    }

    void showFailure(std::string_view reason) override
    {
        pageOpenBox(caption().c_str(), nullptr, std::string(reason).c_str());
        // Asyncify waits for one thing at a time: under a message box that is still waiting, the
        // error box stays up without a wait of its own, and nothing is counted after it anyway.
        if (!m_waiting) {
            pageBoxClosed();
        }
    }

    // A script may close only windows it opened.
    void quit(int /*status*/) noexcept override { pageEnd(); }

private:
    bool m_waiting = false;
};

// The names the page's key events give the arrows, in the order of window::Arrow, one space
// apart.
std::u16string arrowKeys()
{
    constexpr std::array<std::pair<window::Arrow, std::u16string_view>, 4> names { {
        { window::Arrow::Left, u"ArrowLeft" },
        { window::Arrow::Up, u"ArrowUp" },
        { window::Arrow::Right, u"ArrowRight" },
        { window::Arrow::Down, u"ArrowDown" },
    } };
    std::array<std::u16string_view, names.size()> inOrder {};
    for (const auto& [arrow, name] : names) {
        inOrder.at(static_cast<std::size_t>(arrow)) = name;
    }
    std::u16string keys;
    for (const std::u16string_view name : inOrder) {
        keys += (keys.empty() ? u"" : u" ") + std::u16string(name);
    }
    return keys;
}

// The DPI the window is laid out at now: the page's state, which its resizes change.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
int laidOutAt = 0;

// Every length of the window at `dpi`, from the design in twips and points: the frame, the client
// area, and each control's place and font.
void layOut(int dpi)
{
    const window::FormDesign& design = window::Form1Design;
    laidOutAt = dpi;
    pageSizeWindow(window::pixelsAt(design.clientWidth, dpi),
        window::pixelsAt(design.clientHeight, dpi), window::pixelsAt(TitleBarTwips, dpi),
        window::fontPixelsAt(TitleFontPoints, dpi), window::pixelsAt(BorderTwips, dpi),
        static_cast<double>(dpi) / CssDpi);
    for (std::size_t row = 0; row < design.controls.size(); ++row) {
        const window::ControlDesign& entry = design.controls.at(row);
        pagePlaceControl(static_cast<int>(row), window::pixelsAt(entry.left, dpi),
            window::pixelsAt(entry.top, dpi), window::pixelsAt(entry.width, dpi),
            window::pixelsAt(entry.height, dpi),
            window::fontPixelsAt(entry.font.value_or(design.font).points, dpi));
    }
}

Size room()
{
    return { pageRoom(0), pageRoom(1) };
}

// The window as the design draws it, laid out before it is shown so the page lays it out once.
// Appended in tab order, so that Tab follows it, and stacked by it, so that where two controls
// overlap the one earlier in tab order is on top.
void buildPage()
{
    const window::FormDesign& design = window::Form1Design;
    pageOpenWindow(caption().c_str(), arrowKeys().c_str());
    int layer = static_cast<int>(window::ControlCount);
    for (const std::size_t row : window::rowsInTabOrder()) {
        const window::ControlDesign& entry = design.controls.at(row);
        const window::FontDesign font = entry.font.value_or(design.font);
        pageAddControl(static_cast<int>(row), entry.button ? static_cast<int>(*entry.button) : -1,
            std::u16string(entry.text).c_str(), cssFontFamily(font.family).c_str(), font.weight,
            layer--, entry.shown ? 1 : 0,
            entry.placement == window::TextPlacement::Centred ? 1 : 0);
    }
    layOut(dpiToFit(room()));
    pageShowWindow();
}

// The page's calls below reach the game through this alone.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
window::GameSession* session = nullptr;

// When the game handled a press, by the page's clock (performance.now()), which cannot fail.
// libc++'s steady_clock carries an error path for a clock that does, and with it the messages
// and printf it formats them with: a fifth of the WebAssembly.
window::RunEnd::Clock::time_point pageNow() noexcept
{
    using Milliseconds = std::chrono::duration<double, std::milli>;
    return window::RunEnd::Clock::time_point(
        std::chrono::duration_cast<window::RunEnd::Clock::duration>(
            Milliseconds(emscripten_get_now())));
}

// The page's clock in milliseconds (event.timeStamp) as the session's 32-bit microseconds.
window::InputTime inputTime(double milliseconds)
{
    return static_cast<window::InputTime>(
        static_cast<std::int64_t>(std::llround(milliseconds * 1000.0)));
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void morvane_press(int button, double milliseconds, int stamped, int repeated)
{
    session->press(static_cast<window::Button>(button),
        { stamped != 0 ? std::optional(inputTime(milliseconds)) : std::nullopt, repeated != 0 });
}

EMSCRIPTEN_KEEPALIVE void morvane_tick()
{
    session->tick();
}

EMSCRIPTEN_KEEPALIVE int morvane_focus_after(int button, int arrow)
{
    return static_cast<int>(
        window::focusAfter(static_cast<window::Button>(button), static_cast<window::Arrow>(arrow)));
}

EMSCRIPTEN_KEEPALIVE void morvane_rescale()
{
    if (const int dpi = dpiToFit(room()); dpi != laidOutAt) {
        layOut(dpi);
    }
}

} // extern "C"

int main()
{
    static PageShell shell;
    static window::GameSession game(
        shell, pageNumberFormat(), std::chrono::microseconds::zero(), &pageNow);
    session = &game;
    buildPage();
    game.load();
    // The page lives on in its events. Returning would end the runtime on later emscriptens,
    // which then refuses to wait for a box.
    emscripten_exit_with_live_runtime();
}
