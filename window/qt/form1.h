#pragma once

#include "clicktest/number_text.h"
#include "window/common/form1_design.h"
#include "window/common/game_session.h"

#include <QTimer>
#include <QWidget>

#include <array>

namespace qtshell {

class CaptionButton;

// The game's window. It makes its controls from the design, shows what the game session tells it
// to, and hands every press, tick and close request to the session; it holds no rule of the game.
class Form1 final : public QWidget, private window::ShellControls {
    Q_OBJECT

public:
    explicit Form1(clicktest::NumberFormat format, QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Notes the time of each input event the window system hands the window.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] clicktest::Text text(clicktest::Control which) const override;
    void setText(clicktest::Control which, std::u16string_view text) override;
    void startTicks(std::chrono::milliseconds interval) override;
    void stopTicks() override;
    void showMessage(std::u16string_view prompt) override;
    void showFailure(std::string_view reason) override;
    void quit(int status) noexcept override;

    void press(window::Button which);
    [[nodiscard]] CaptionButton* button(window::Button which) const;

    std::array<QWidget*, window::ControlCount> m_controls {}; // by design row
    QTimer m_timer1;
    // The latest stamp of an input event from the window system; presses made by other means
    // (an automation tool's event sent to a widget, an accessibility action) have none of theirs.
    quint64 m_windowSystemStamp = 0;
    window::GameSession m_session;
};

} // namespace qtshell
