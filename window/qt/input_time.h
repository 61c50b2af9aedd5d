#pragma once

#include "window/common/input_deadline.h"

#include <QObject>

#include <optional>

namespace qtshell {

class CaptionButton;

// The window system's time of the press a button is handling. Qt hands every event from the
// window system to the window first, with the time the X server or the Wayland compositor
// stamped on it; an event sent straight to a widget (by an automation tool) carries a time of
// the sender's making, and a click without an event (an accessibility action) none. Only the
// first kind is trusted; the others are counted when they are handled.
class InputTime final : public QObject {
    Q_OBJECT

public:
    // Watches the events the application's windows get; one is enough for the program.
    explicit InputTime(QObject* parent = nullptr);

    [[nodiscard]] std::optional<window::InputTime> of(const CaptionButton& button) const noexcept;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    quint64 m_lastFromWindowSystem = 0;
};

} // namespace qtshell
