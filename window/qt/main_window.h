#pragma once

#include "clicktest/controller.h"
#include "window/common/error_boundary.h"

#include <QWidget>

class QAbstractButton;
class QLabel;

namespace qtshell {

class DeadlineTimer;

// The game's window. It shows what the controller tells it to and hands every press and tick
// to the controller; it holds no rule of the game. An error from the game never leaves an event
// handler: it is reported in a box, and the application then ends with status 1.
class Form1 final : public QWidget, public clicktest::ClickTestView {
    Q_OBJECT

public:
    explicit Form1(clicktest::NumberFormat format, QWidget* parent = nullptr);

    [[nodiscard]] clicktest::Text GetText(clicktest::Control which) const override;
    void SetText(clicktest::Control which, std::u16string_view text) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowMessage(std::u16string_view prompt) override;

    // True once an error has ended the game; nothing more is shown or counted.
    [[nodiscard]] bool hasFailed() const noexcept { return m_boundary.hasFailed(); }

private:
    void reportFailure(const QString& reason);
    [[nodiscard]] QWidget* control(clicktest::Control which) const;

    QAbstractButton* m_command1 = nullptr;
    QAbstractButton* m_command2 = nullptr;
    QLabel* m_counter = nullptr;
    QLabel* m_label1 = nullptr;
    DeadlineTimer* m_timer1 = nullptr;
    window::ErrorBoundary m_boundary;
    clicktest::Controller m_controller;
};

} // namespace qtshell
