#pragma once

#include "clicktest/controller.h"
#include "window/common/game_session.h"

#include <QWidget>

class QAbstractButton;
class QLabel;

namespace qtshell {

class DeadlineTimer;
class InputTime;

// The game's window. It shows what the game tells it to and hands every press, tick and close
// request to the game session; it holds no rule of the game.
class Form1 final : public QWidget, public window::ShellControls {
    Q_OBJECT

public:
    explicit Form1(clicktest::NumberFormat format, QWidget* parent = nullptr);

    [[nodiscard]] clicktest::Text GetText(clicktest::Control which) const override;
    void SetText(clicktest::Control which, std::u16string_view text) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowMessage(std::u16string_view prompt) override;
    void showFailure(const std::string& reason) override;
    void quit(int status) noexcept override;

    // True once an error has ended the game; nothing more is shown or counted.
    [[nodiscard]] bool hasFailed() const noexcept { return m_session.hasFailed(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void press(window::Button which);
    // The timer's tick comes after every press the window system has already stamped.
    void tick();
    [[nodiscard]] QWidget* control(clicktest::Control which) const;
    [[nodiscard]] QAbstractButton* button(window::Button which) const;

    QAbstractButton* m_command1 = nullptr;
    QAbstractButton* m_command2 = nullptr;
    QLabel* m_counter = nullptr;
    QLabel* m_label1 = nullptr;
    DeadlineTimer* m_timer1 = nullptr;
    InputTime* m_inputTime = nullptr;
    window::GameSession m_session;
};

} // namespace qtshell
