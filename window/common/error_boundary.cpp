#include "window/common/error_boundary.h"

#include "clicktest/controller.h"

namespace window {

ErrorBoundary::ErrorBoundary(Report report)
    : m_report(std::move(report))
{
}

void ErrorBoundary::refuseAfterFailure() const
{
    if (m_failed) {
        throw clicktest::ControlError("The program is ending after an error");
    }
}

void ErrorBoundary::fail(std::string_view reason) noexcept
{
    if (m_failed) {
        return; // a handler unwinding after the first error
    }
    m_failed = true;
    try {
        m_report(std::string(reason));
    } catch (...) {
        // The report could not be shown; the program still ends through the failed state.
    }
}

} // namespace window
