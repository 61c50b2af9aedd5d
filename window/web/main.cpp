// The browser shell: the page's DOM behind window::ShellControls. Everything that crosses between
// the WebAssembly and the page is in this file: the JavaScript it calls (EM_JS) and the functions
// the page calls back (morvane_*). Controls are found by their row in the design.

#include "window/common/form1_design.h"
#include "window/common/game_session.h"

#include <emscripten.h>

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// clang-format off
// (the bodies are JavaScript)

EM_JS(void, pageOpenWindow, (const char16_t* caption, int width, int height), {
    var title = UTF16ToString(caption);
    document.title = title;
    var frame = document.createElement('div');
    frame.className = 'window';
    var bar = document.createElement('div');
    bar.className = 'title';
    bar.textContent = title;
    var client = document.createElement('div');
    client.className = 'client';
    client.id = 'morvane-client';
    client.style.width = width + 'px';
    client.style.height = height + 'px';
    frame.append(bar, client);
    document.body.prepend(frame);
    // Whether the key that makes the next click is held down and repeating: Return clicks on each
    // of its keydowns, Space only on its keyup.
    Module.morvaneKeyRepeats = false;
    client.addEventListener('keyup', function() { Module.morvaneKeyRepeats = false; });
    client.addEventListener('keydown', function(event) {
        Module.morvaneKeyRepeats = event.repeat;
        var arrow = ['ArrowLeft', 'ArrowUp', 'ArrowRight', 'ArrowDown'].indexOf(event.key);
        var button = event.target.dataset.button;
        if (arrow < 0 || button == undefined || event.altKey || event.ctrlKey || event.metaKey) {
            return;
        }
        event.preventDefault();
        var next = _morvane_focus_after(Number(button), arrow);
        client.querySelector('[data-button="' + next + '"]').focus();
    });
});

EM_JS(void, pageAddControl, (int row, int button, const char16_t* text, int left, int top,
                             int width, int height, const char16_t* family, int size, int weight,
                             int layer, int shown, int centred), {
    var control = document.createElement(button < 0 ? 'div' : 'button');
    control.id = 'morvane-control-' + row;
    control.textContent = UTF16ToString(text);
    control.hidden = !shown;
    var style = control.style;
    style.left = left + 'px';
    style.top = top + 'px';
    style.width = width + 'px';
    style.height = height + 'px';
    style.fontFamily = UTF16ToString(family);
    style.fontSize = size + 'px';
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
            var repeated = event.detail == 0 && Module.morvaneKeyRepeats;
            _morvane_press(button, stamped ? event.timeStamp : 0, stamped, repeated);
        });
    }
    document.getElementById('morvane-client').append(control);
});

EM_JS(int, pageTextLength, (int row), {
    var control = document.getElementById('morvane-control-' + row);
    return control ? control.textContent.length : -1;
});

EM_JS(void, pageCopyText, (int row, char16_t* buffer, int bytes), {
    stringToUTF16(document.getElementById('morvane-control-' + row).textContent, buffer, bytes);
});

EM_JS(int, pageSetText, (int row, const char16_t* text), {
    var control = document.getElementById('morvane-control-' + row);
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
    document.getElementById('morvane-client').inert = true;
});

// A modal box with `prompt` (UTF-16), or the error box with `reason` (UTF-8), and OK alone. It
// is made anew each time and removed once closed, however it closes.
EM_JS(void, pageOpenBox, (const char16_t* caption, const char16_t* prompt, const char* reason), {
    var box = document.createElement('dialog');
    box.className = 'box';
    box.setAttribute('role', reason ? 'alertdialog' : 'dialog');
    var title = document.createElement('div');
    title.className = 'title';
    title.id = 'morvane-box-title';
    title.textContent = UTF16ToString(caption);
    box.setAttribute('aria-labelledby', title.id);
    box.append(title);
    if (reason) {
        var heading = document.createElement('p');
        heading.className = 'error';
        heading.textContent = 'Error';
        box.append(heading);
    }
    var text = document.createElement('p');
    text.textContent = reason ? UTF8ToString(reason) : UTF16ToString(prompt);
    var buttons = document.createElement('div');
    buttons.className = 'buttons';
    var ok = document.createElement('button');
    ok.type = 'button';
    ok.textContent = 'OK';
    ok.autofocus = true;
    ok.addEventListener('click', function() { box.close(); });
    buttons.append(ok);
    box.append(text, buttons);
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
        var note = document.createElement('p');
        note.className = 'notice';
        note.setAttribute('role', 'alert');
        note.textContent = 'Morvane stopped after an error: ' + text.textContent +
            ' Reload the page to play again.';
        document.body.append(note);
    }
    document.body.append(box);
    box.showModal();
});

// Asyncify unwinds the game's stack while this waits, and rewinds it once the box is gone;
// the page's timers and events run meanwhile.
EM_ASYNC_JS(void, pageBoxClosed, (), {
    await Module.morvaneBoxClosed;
});

// The browser's language's decimal separator: the character between 1 and 5 in "1.5".
EM_JS(int, pageDecimalSeparator, (), {
    var text = (1.5).toLocaleString(navigator.language);
    return text.length == 3 ? text.charCodeAt(1) : 46;
});

// clang-format on

namespace {

// CSS lays out at 96 px to the inch: 15 twips to a pixel, which the browser scales by the page's
// zoom and the screen's pixel ratio, text and all.
constexpr int CssDpi = 96;

int px(int twips)
{
    return window::pixelsAt(twips, CssDpi);
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

// The window as the design draws it. Appended in tab order, so that Tab follows it, and stacked
// by it, so that where two controls overlap the one earlier in tab order is on top.
void buildPage()
{
    const window::FormDesign& design = window::Form1Design;
    pageOpenWindow(caption().c_str(), px(design.clientWidth), px(design.clientHeight));
    int layer = static_cast<int>(window::ControlCount);
    for (const std::size_t row : window::rowsInTabOrder()) {
        const window::ControlDesign& entry = design.controls.at(row);
        const window::FontDesign font = entry.font.value_or(design.font);
        pageAddControl(static_cast<int>(row), entry.button ? static_cast<int>(*entry.button) : -1,
            std::u16string(entry.text).c_str(), px(entry.left), px(entry.top), px(entry.width),
            px(entry.height), cssFontFamily(font.family).c_str(),
            window::fontPixelsAt(font.points, CssDpi), font.weight, layer--, entry.shown ? 1 : 0,
            entry.placement == window::TextPlacement::Centred ? 1 : 0);
    }
}

// The page's calls below reach the game through this alone.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
window::GameSession* session = nullptr;

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

} // extern "C"

int main()
{
    static PageShell shell;
    static window::GameSession game(
        shell, clicktest::NumberFormat { static_cast<char16_t>(pageDecimalSeparator()) });
    session = &game;
    buildPage();
    game.load();
    // The page lives on in its events. Returning would end the runtime on later emscriptens,
    // which then refuses to wait for a box.
    emscripten_exit_with_live_runtime();
}
