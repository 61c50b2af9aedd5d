#pragma once

#include <QPushButton>

namespace qtshell {

// A push button as the game's players know it: a caption too wide for one line wraps inside
// the button instead of being cut, and Return or Enter press the focused button once per key
// press, as Space does. Arrows are left to the window.
class CaptionButton final : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace qtshell
