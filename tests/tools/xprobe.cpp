// xprobe: presses a window's button with real X input (XTest) and watches the window's pixels,
// for the end-to-end benchmark and the lost-press check. The X server turns each fake press into
// the same events a mouse or a keyboard would give, so the program under test cannot tell the
// difference.
//
//   xprobe startup TITLE -- PROGRAM [ARGS...]  exec to the window first painted, then closes it
//   xprobe wait TITLE                          waits until the window is mapped and painted
//   xprobe latency TITLE PRESSES GAP_MS        press+release, then poll the button until it changes
//   xprobe burst TITLE PRESSES RATE_HZ         presses at a steady rate; 0 is as fast as XTest goes
//   xprobe deadline TITLE FROM_MS TO_MS        one press, then presses 1 ms apart from..to after it
//                                              (--gap MS sets another spacing)
//   xprobe hold TITLE KEY REPEATS              holds KEY (a keysym name, such as Return) down until
//                                              the X server has repeated it REPEATS times
//   xprobe close TITLE                         asks the window to close, as its close button would
//
// TITLE is the window's title. The button is the window's top 199 by 97 pixels unless
// --button X,Y,WIDTH,HEIGHT (window coordinates) comes first. --lead-in X,Y,WIDTH,HEIGHT has
// deadline press that rectangle 20 times, 1 ms apart, just before its first press: a press
// after a long idle wakes the X server and the program from sleep and so travels slower than
// the ones that follow it, which would skew the run's start against its end. deadline also
// reports the X server's own time of each release (from XInput2's raw events, which carry the
// same stamp the game's events do), so a count can be checked against the server's clock rather
// than the probe's. hold sends its key to whichever window has the focus, and counts the presses
// the X server makes of it (through the RECORD extension, which sees the server's own repeats).
// Each command prints one JSON object on stdout; errors go to stderr with exit status 1.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/record.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr milliseconds WindowTimeout { 60000 }; // a program under valgrind starts slowly
constexpr milliseconds PaintTimeout { 10000 }; // generous: a program under valgrind paints slowly
// Between two looks at the pixels: short against the millisecond figures, long enough that the
// probe leaves the X server and the program under test most of the machine.
constexpr microseconds PollPause { 50 };
// Looking for a new window costs a few round trips per top-level window, so it is done less often.
constexpr microseconds WindowPollPause { 250 };

class ProbeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 199;
    int height = 97;
};

[[nodiscard]] double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

[[nodiscard]] long parseNumber(std::string_view text)
{
    long value = 0;
    const auto [end, error] = std::from_chars(text.begin(), text.end(), value);
    if (error != std::errc {} || end != text.end()) {
        throw ProbeError("not a number: " + std::string(text));
    }
    return value;
}

[[nodiscard]] Rect parseRect(std::string_view text)
{
    std::vector<int> parts;
    while (!text.empty()) {
        const auto comma = text.find(',');
        parts.push_back(static_cast<int>(parseNumber(text.substr(0, comma))));
        text = comma == std::string_view::npos ? std::string_view {} : text.substr(comma + 1);
    }
    if (parts.size() != 4 || parts[2] <= 0 || parts[3] <= 0) {
        throw ProbeError("--button wants X,Y,WIDTH,HEIGHT");
    }
    return { parts[0], parts[1], parts[2], parts[3] };
}

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct ImageDestroyer {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDestroyer>;

struct XFreer {
    void operator()(void* data) const { XFree(data); }
};

[[nodiscard]] DisplayPtr openDisplay()
{
    DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) {
        throw ProbeError("cannot open the X display");
    }
    return display;
}

class Probe {
public:
    Probe()
        : m_display(openDisplay())
    {
        int eventBase = 0;
        int errorBase = 0;
        int major = 0;
        int minor = 0;
        if (XTestQueryExtension(display(), &eventBase, &errorBase, &major, &minor) == False) {
            throw ProbeError("the X server has no XTEST extension");
        }
        m_root = XDefaultRootWindow(display());
    }

    [[nodiscard]] Display* display() const { return m_display.get(); }
    [[nodiscard]] Window root() const { return m_root; }

    // The mapped top-level window with this title, if there is one yet.
    [[nodiscard]] std::optional<Window> findWindow(std::string_view title) const
    {
        Window rootReturn = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display(), m_root, &rootReturn, &parent, &children, &count) == 0) {
            return std::nullopt;
        }
        const std::unique_ptr<Window, XFreer> owner(children);
        for (const Window window : std::span(children, count)) {
            XWindowAttributes attributes {};
            if (XGetWindowAttributes(display(), window, &attributes) != 0
                && attributes.map_state == IsViewable && titleOf(window) == title) {
                return window;
            }
        }
        return std::nullopt;
    }

    [[nodiscard]] Window waitForWindow(std::string_view title) const
    {
        const auto giveUp = Clock::now() + WindowTimeout;
        while (Clock::now() < giveUp) {
            if (const auto window = findWindow(title)) {
                return *window;
            }
            std::this_thread::sleep_for(WindowPollPause);
        }
        throw ProbeError("no window titled \"" + std::string(title) + "\" appeared");
    }

    [[nodiscard]] Rect geometry(Window window) const
    {
        XWindowAttributes attributes {};
        XGetWindowAttributes(display(), window, &attributes);
        int rootX = 0;
        int rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display(), window, m_root, 0, 0, &rootX, &rootY, &child);
        return { rootX, rootY, attributes.width, attributes.height };
    }

    // The pixels of a rectangle of the window, as the screen shows them now.
    [[nodiscard]] std::vector<char> pixels(Window window, const Rect& area) const
    {
        const ImagePtr image(
            XGetImage(display(), window, area.x, area.y, static_cast<unsigned int>(area.width),
                static_cast<unsigned int>(area.height), XAllPlanes(), ZPixmap));
        if (!image) {
            throw ProbeError("cannot read the window's pixels");
        }
        const auto size = static_cast<std::size_t>(image->bytes_per_line)
            * static_cast<std::size_t>(image->height);
        const std::span<const char> bytes(image->data, size);
        return { bytes.begin(), bytes.end() };
    }

    // A window the program has not drawn yet is one flat colour; a drawn one has at least a
    // background, a bevel and text.
    [[nodiscard]] bool isPainted(Window window) const
    {
        const Rect whole = geometry(window);
        const ImagePtr image(
            XGetImage(display(), window, 0, 0, static_cast<unsigned int>(whole.width),
                static_cast<unsigned int>(whole.height), XAllPlanes(), ZPixmap));
        if (!image || image->bits_per_pixel != 32) {
            return false;
        }
        const auto size = static_cast<std::size_t>(image->bytes_per_line)
            * static_cast<std::size_t>(image->height);
        const std::span<const char> bytes(image->data, size);
        std::set<std::uint32_t> colours;
        for (std::size_t offset = 0; offset + 4 <= bytes.size() && colours.size() < 3;
             offset += 4) {
            std::uint32_t pixel = 0;
            std::memcpy(&pixel, bytes.subspan(offset, 4).data(), sizeof pixel);
            colours.insert(pixel & 0xffffffU);
        }
        return colours.size() >= 3;
    }

    [[nodiscard]] Clock::time_point waitUntilPainted(Window window) const
    {
        const auto giveUp = Clock::now() + PaintTimeout;
        while (Clock::now() < giveUp) {
            if (isPainted(window)) {
                return Clock::now();
            }
            std::this_thread::sleep_for(PollPause);
        }
        throw ProbeError("the window was mapped but never painted");
    }

    // Puts the pointer on the button's centre, where every press lands.
    void aimAt(Window window, const Rect& button) const
    {
        const Rect place = geometry(window);
        XTestFakeMotionEvent(display(), XDefaultScreen(display()),
            place.x + button.x + button.width / 2, place.y + button.y + button.height / 2,
            CurrentTime);
        XSync(display(), False);
    }

    // Queues one press and release of the left button; the caller decides when to flush.
    void queuePress() const
    {
        queueButton(true);
        queueButton(false);
    }
    void queueButton(bool down) const
    {
        XTestFakeButtonEvent(display(), Button1, down ? True : False, CurrentTime);
    }

    void flush() const { XFlush(display()); }
    // Returns once the X server has handled every request sent so far.
    void sync() const { XSync(display(), False); }

    void askToClose(Window window) const
    {
        XEvent event {};
        // Xlib's events are one C union; a client message is filled in through its member.
        auto& message = event.xclient; // NOLINT(cppcoreguidelines-pro-type-union-access)
        message.type = ClientMessage;
        message.window = window;
        message.message_type = XInternAtom(display(), "WM_PROTOCOLS", False);
        message.format = 32;
        auto& words = message.data.l; // NOLINT(cppcoreguidelines-pro-type-union-access)
        words[0] = static_cast<long>(XInternAtom(display(), "WM_DELETE_WINDOW", False));
        words[1] = CurrentTime;
        XSendEvent(display(), window, False, NoEventMask, &event);
        sync();
    }

private:
    [[nodiscard]] std::string titleOf(Window window) const
    {
        Atom type = 0;
        int format = 0;
        unsigned long length = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        const Atom netWmName = XInternAtom(display(), "_NET_WM_NAME", False);
        for (const Atom property : { netWmName, Atom { XA_WM_NAME } }) {
            if (XGetWindowProperty(display(), window, property, 0, 1024, False, AnyPropertyType,
                    &type, &format, &length, &remaining, &data)
                    == Success
                && data != nullptr) {
                const std::unique_ptr<unsigned char, XFreer> owner(data);
                if (format == 8) {
                    const std::span<const unsigned char> bytes(data, length);
                    return { bytes.begin(), bytes.end() };
                }
            }
        }
        return {};
    }

    DisplayPtr m_display;
    Window m_root = 0;
};

// The X server's time of every left-button release from the moment it is made, read on a
// connection of its own so that the probe's requests never wait behind the events.
class ReleaseClock {
public:
    ReleaseClock()
        : m_display(openDisplay())
    {
        int opcode = 0;
        int eventBase = 0;
        int errorBase = 0;
        if (XQueryExtension(display(), "XInputExtension", &opcode, &eventBase, &errorBase)
            == False) {
            throw ProbeError("the X server has no XInput extension");
        }
        m_opcode = opcode;
        // Version 2.1 delivers raw events for the master pointer, once per release.
        int major = 2;
        int minor = 1;
        if (XIQueryVersion(display(), &major, &minor) != Success) {
            throw ProbeError("the X server has no XInput 2.1");
        }
        std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> bits {};
        XISetMask(bits.data(), XI_RawButtonRelease);
        XIEventMask mask { XIAllMasterDevices, static_cast<int>(bits.size()), bits.data() };
        XISelectEvents(display(), XDefaultRootWindow(display()), &mask, 1);
        XSync(display(), False);
    }

    // Every release the server has handled since the clock was made, in server milliseconds.
    // `probe` is synced first, so every press it sent has been handled.
    [[nodiscard]] std::vector<std::uint32_t> releases(const Probe& probe)
    {
        probe.sync();
        XSync(display(), False);
        while (XPending(display()) > 0) {
            XEvent event {};
            XNextEvent(display(), &event);
            auto& cookie = event.xcookie; // NOLINT(cppcoreguidelines-pro-type-union-access)
            if (cookie.type != GenericEvent || cookie.extension != m_opcode
                || XGetEventData(display(), &cookie) == False) {
                continue;
            }
            const auto* const raw = static_cast<const XIRawEvent*>(cookie.data);
            if (cookie.evtype == XI_RawButtonRelease && raw->detail == Button1) {
                m_releases.push_back(static_cast<std::uint32_t>(raw->time));
            }
            XFreeEventData(display(), &cookie);
        }
        return m_releases;
    }

private:
    [[nodiscard]] Display* display() const { return m_display.get(); }

    DisplayPtr m_display;
    int m_opcode = 0;
    std::vector<std::uint32_t> m_releases;
};

// The presses of one key the X server delivers, its own auto-repeats among them, seen through the
// RECORD extension on a connection of its own (RECORD wants one for its data).
class KeyPressCounter {
public:
    explicit KeyPressCounter(KeyCode key)
        : m_control(openDisplay())
        , m_data(openDisplay())
        , m_key(key)
    {
        int major = 0;
        int minor = 0;
        if (XRecordQueryVersion(m_control.get(), &major, &minor) == 0) {
            throw ProbeError("the X server has no RECORD extension");
        }
        const std::unique_ptr<XRecordRange, XFreer> range(XRecordAllocRange());
        range->device_events.first = KeyPress;
        range->device_events.last = KeyPress;
        XRecordClientSpec clients = XRecordAllClients;
        XRecordRange* ranges = range.get();
        m_context = XRecordCreateContext(m_control.get(), 0, &clients, 1, &ranges, 1);
        // The context must exist on the server before the data connection asks for it.
        XSync(m_control.get(), False);
        if (m_context == 0
            || XRecordEnableContextAsync(m_data.get(), m_context, &KeyPressCounter::take,
                   // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): a char* closure
                   reinterpret_cast<XPointer>(this))
                == 0) {
            throw ProbeError("cannot record the X server's key presses");
        }
    }
    KeyPressCounter(const KeyPressCounter&) = delete;
    KeyPressCounter& operator=(const KeyPressCounter&) = delete;
    KeyPressCounter(KeyPressCounter&&) = delete;
    KeyPressCounter& operator=(KeyPressCounter&&) = delete;
    ~KeyPressCounter()
    {
        XRecordDisableContext(m_control.get(), m_context);
        XRecordFreeContext(m_control.get(), m_context);
        XSync(m_control.get(), False);
    }

    // The presses recorded so far.
    [[nodiscard]] int presses()
    {
        XRecordProcessReplies(m_data.get());
        return m_presses;
    }

private:
    static void take(XPointer closure, XRecordInterceptData* data)
    {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): Xlib's closure is a char*
        auto* const self = reinterpret_cast<KeyPressCounter*>(closure);
        // A recorded event is the protocol's own: its type, then the key code; the length is
        // counted in 4-byte units.
        const std::span<const unsigned char> bytes(data->data, std::size_t { data->data_len } * 4);
        if (data->category == XRecordFromServer && bytes.size() >= 2
            && (bytes[0] & 0x7fU) == KeyPress && bytes[1] == self->m_key) {
            ++self->m_presses;
        }
        XRecordFreeData(data);
    }

    DisplayPtr m_control;
    DisplayPtr m_data;
    KeyCode m_key;
    XRecordContext m_context = 0;
    int m_presses = 0;
};

void printLatencies(const std::vector<double>& latencies, int missed)
{
    std::ostringstream out;
    out << R"({"latencies_ms": [)";
    for (std::size_t i = 0; i < latencies.size(); ++i) {
        out << (i == 0 ? "" : ", ") << latencies[i];
    }
    out << R"(], "unchanged": )" << missed << "}\n";
    std::cout << out.str();
}

// `command` is the tail of argv, so the null that execvp wants follows its last entry.
int runStartup(const Probe& probe, std::string_view title, std::span<char*> command)
{
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child < 0) {
        throw ProbeError("fork failed");
    }
    if (child == 0) {
        execvp(command.front(), command.data());
        std::cerr << "xprobe: cannot run " << command.front() << ": " << std::strerror(errno)
                  << '\n';
        _exit(127);
    }
    const Window window = probe.waitForWindow(title);
    const auto mapped = Clock::now();
    const auto painted = probe.waitUntilPainted(window);
    probe.askToClose(window);

    int status = 0;
    const auto giveUp = Clock::now() + std::chrono::seconds(5);
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (Clock::now() > giveUp) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
    const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::cout << R"({"mapped_ms": )" << millisecondsBetween(start, mapped) << R"(, "painted_ms": )"
              << millisecondsBetween(start, painted) << R"(, "exit_status": )" << exitCode << "}\n";
    return 0;
}

struct LatencyPlan {
    long presses;
    milliseconds gap;
};

int runLatency(const Probe& probe, Window window, const Rect& button, const LatencyPlan& plan)
{
    probe.aimAt(window, button);
    std::vector<double> latencies;
    int unchanged = 0;
    const auto first = Clock::now();
    for (long i = 0; i < plan.presses; ++i) {
        std::this_thread::sleep_until(first + plan.gap * i);
        const auto before = probe.pixels(window, button);
        const auto sent = Clock::now();
        probe.queuePress();
        probe.flush();
        const auto giveUp = sent + milliseconds(1000);
        bool changed = false;
        while (!changed && Clock::now() < giveUp) {
            changed = probe.pixels(window, button) != before;
            if (changed) {
                latencies.push_back(millisecondsBetween(sent, Clock::now()));
            } else {
                std::this_thread::sleep_for(PollPause);
            }
        }
        if (!changed) {
            ++unchanged;
        }
    }
    printLatencies(latencies, unchanged);
    return 0;
}

struct BurstPlan {
    long presses;
    long rateHz; // 0: as fast as XTest takes them
};

int runBurst(const Probe& probe, Window window, const Rect& button, const BurstPlan& plan)
{
    probe.aimAt(window, button);
    double worstLateMs = 0.0;
    const auto start = Clock::now();
    for (long i = 0; i < plan.presses; ++i) {
        if (plan.rateHz > 0) {
            const auto due = start + microseconds(1000000 * i / plan.rateHz);
            std::this_thread::sleep_until(due);
            worstLateMs = std::max(worstLateMs, millisecondsBetween(due, Clock::now()));
        }
        probe.queuePress();
        if (plan.rateHz > 0) {
            probe.flush();
        }
    }
    probe.sync();
    const double seconds = millisecondsBetween(start, Clock::now()) / 1000.0;
    std::cout << R"({"presses": )" << plan.presses << R"(, "seconds": )" << seconds
              << R"(, "rate_hz": )" << static_cast<double>(plan.presses) / seconds
              << R"(, "worst_late_ms": )" << worstLateMs << "}\n";
    return 0;
}

struct DeadlinePlan {
    long fromMs = 0;
    long toMs = 0;
    long gapMs = 1;
    std::optional<Rect> leadIn;
};

constexpr int LeadInPresses = 20;
constexpr milliseconds FirstPressHold { 50 };

// One press starts the run; the later presses' send times are printed relative to it, so that
// the count read back afterwards tells between which two presses the run ended.

int runDeadline(const Probe& probe, Window window, const Rect& button, const DeadlinePlan& plan)
{
    if (plan.leadIn) {
        probe.aimAt(window, *plan.leadIn);
        const auto start = Clock::now();
        for (int i = 0; i < LeadInPresses; ++i) {
            std::this_thread::sleep_until(start + milliseconds(i));
            probe.queuePress();
            probe.flush();
        }
        std::this_thread::sleep_until(start + milliseconds(LeadInPresses));
    }
    probe.aimAt(window, button);
    ReleaseClock serverTimes;
    // The first press is held as a finger holds it, so the button has drawn itself pressed
    // before the release that starts the run arrives.
    probe.queueButton(true);
    probe.flush();
    std::this_thread::sleep_for(FirstPressHold);
    probe.queueButton(false);
    probe.flush();
    const auto first = Clock::now();
    std::vector<double> sent;
    for (long at = plan.fromMs; at <= plan.toMs; at += plan.gapMs) {
        std::this_thread::sleep_until(first + milliseconds(at));
        probe.queuePress();
        probe.flush();
        sent.push_back(millisecondsBetween(first, Clock::now()));
    }
    const std::vector<std::uint32_t> released = serverTimes.releases(probe);
    std::ostringstream out;
    out.precision(12);
    // The run's start on the system's monotonic clock, to line the presses up with a trace.
    out << R"({"start_ns": )"
        << std::chrono::duration_cast<std::chrono::nanoseconds>(first.time_since_epoch()).count()
        << R"(, "sent_ms": [)";
    for (std::size_t i = 0; i < sent.size(); ++i) {
        out << (i == 0 ? "" : ", ") << sent[i];
    }
    // The first is the release that started the run.
    out << R"(], "server_release_ms": [)";
    for (std::size_t i = 0; i < released.size(); ++i) {
        out << (i == 0 ? "" : ", ") << released[i];
    }
    out << "]}\n";
    std::cout << out.str();
    return 0;
}

constexpr milliseconds RepeatTimeout { 10000 }; // the server's default delay is 660 ms

// Holds the key down until the X server has pressed it `repeats` more times by itself.
int runHold(const Probe& probe, std::string_view keyName, long repeats)
{
    const KeySym symbol = XStringToKeysym(std::string(keyName).c_str());
    const KeyCode key = symbol == NoSymbol ? 0 : XKeysymToKeycode(probe.display(), symbol);
    if (key == 0) {
        throw ProbeError("no key on the keyboard is " + std::string(keyName));
    }
    // The server's default, made sure of.
    XAutoRepeatOn(probe.display());
    KeyPressCounter counter(key);
    XTestFakeKeyEvent(probe.display(), key, True, CurrentTime);
    probe.flush();
    const auto giveUp = Clock::now() + RepeatTimeout;
    while (counter.presses() <= repeats && Clock::now() < giveUp) {
        std::this_thread::sleep_for(milliseconds(1));
    }
    XTestFakeKeyEvent(probe.display(), key, False, CurrentTime);
    probe.sync();
    const int presses = counter.presses();
    if (presses <= repeats) {
        throw ProbeError("the X server repeated the held key " + std::to_string(presses - 1)
            + " times, not " + std::to_string(repeats));
    }
    std::cout << R"({"presses": )" << presses << "}\n";
    return 0;
}

int run(std::span<char*> arguments)
{
    std::vector<std::string_view> words(arguments.begin(), arguments.end());
    Rect button;
    std::optional<Rect> leadIn;
    long gapMs = 1;
    while (words.size() >= 2
        && (words[0] == "--button" || words[0] == "--lead-in" || words[0] == "--gap")) {
        if (words[0] == "--gap") {
            gapMs = std::max(1L, parseNumber(words[1]));
        } else {
            (words[0] == "--button" ? button : leadIn.emplace()) = parseRect(words[1]);
        }
        words.erase(words.begin(), words.begin() + 2);
        arguments = arguments.subspan(2);
    }
    if (words.size() < 2) {
        throw ProbeError("usage: xprobe [--button X,Y,W,H] [--lead-in X,Y,W,H] [--gap MS] "
                         "COMMAND TITLE [ARGS...]");
    }
    const std::string_view command = words[0];
    const std::string_view title = words[1];
    const Probe probe;

    if (command == "startup") {
        if (words.size() < 4 || words[2] != "--") {
            throw ProbeError("usage: xprobe startup TITLE -- PROGRAM [ARGS...]");
        }
        return runStartup(probe, title, arguments.subspan(3));
    }
    const Window window = probe.waitForWindow(title);
    if (command == "wait") {
        const auto found = Clock::now();
        const auto painted = probe.waitUntilPainted(window);
        const Rect place = probe.geometry(window);
        std::cout << R"({"painted_after_found_ms": )" << millisecondsBetween(found, painted)
                  << R"(, "x": )" << place.x << R"(, "y": )" << place.y << R"(, "width": )"
                  << place.width << R"(, "height": )" << place.height << "}\n";
        return 0;
    }
    if (command == "close") {
        probe.askToClose(window);
        std::cout << "{}\n";
        return 0;
    }
    if (command == "hold" && words.size() == 4) {
        return runHold(probe, words[2], parseNumber(words[3]));
    }
    if (words.size() != 4) {
        throw ProbeError("xprobe " + std::string(command) + " wants two numbers");
    }
    const long first = parseNumber(words[2]);
    const long second = parseNumber(words[3]);
    if (command == "latency") {
        return runLatency(probe, window, button, { first, milliseconds(second) });
    }
    if (command == "burst") {
        return runBurst(probe, window, button, { first, second });
    }
    if (command == "deadline") {
        return runDeadline(probe, window, button, { first, second, gapMs, leadIn });
    }
    throw ProbeError("unknown command: " + std::string(command));
}

} // namespace

int main(int argc, char** argv)
{
    try {
        // argv's last entry is followed by a null, which startup hands on to execvp.
        return run(std::span(argv, static_cast<std::size_t>(argc)).subspan(1));
    } catch (const std::exception& error) {
        std::cerr << "xprobe: " << error.what() << '\n';
        return 1;
    }
}
