#pragma once

#include <QPushButton>
#include <QSet>

class QInputEvent;

namespace qtshell {

// A push button as the game's players know it: a caption too wide for one line wraps inside
// the button instead of being cut, and Return or Enter press the focused button as Space does.
// Arrows are left to the window.
class CaptionButton final : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

    // While the button handles a mouse or key event, that event's time; 0 otherwise (a click
    // that came with no event).
    [[nodiscard]] quint64 eventTime() const noexcept { return m_eventTime; }
    // While the button handles a key event, whether it is the key's auto-repeat: marked so by the
    // platform, or a press of a key already down.
    [[nodiscard]] bool isAutoRepeat() const noexcept { return m_autoRepeat; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Notes `event` for the handling of it.
    [[nodiscard]] auto handling(const QInputEvent& event);

    quint64 m_eventTime = 0;
    bool m_autoRepeat = false;
    QSet<int> m_keysDown;
};

} // namespace qtshell
