#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace window {

// Where an error from the game stops, the same in every shell: it never leaves an event handler
// (so never crosses the platform's event loop). The first one is reported once through the
// shell's own box, which then ends the program with status 1; from then on no handler runs and
// every view call is refused, so nothing is counted or shown after it.
class ErrorBoundary {
public:
    // Shows `reason` and ends the program with status 1; called once, on the UI thread.
    using Report = std::function<void(const std::string& reason)>;

    explicit ErrorBoundary(Report report);

    // Runs one event handler, unless the program is already ending.
    template <typename Handler> void deliver(Handler&& handler) noexcept
    {
        if (m_failed) {
            return;
        }
        try {
            std::forward<Handler>(handler)();
        } catch (const std::exception& error) {
            fail(error.what());
        } catch (...) {
            fail(UnexpectedError);
        }
    }

    // For every view call: throws once the program is ending, so that a handler still on the
    // stack under the error box does not carry on.
    void refuseAfterFailure() const;

    [[nodiscard]] bool hasFailed() const noexcept { return m_failed; }

    static constexpr std::string_view UnexpectedError = "An unexpected error occurred.";

private:
    void fail(std::string_view reason) noexcept;

    Report m_report;
    bool m_failed = false;
};

} // namespace window
