#include "window/qt/caption_button.h"

#include <QKeyEvent>
#include <QScopeGuard>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace qtshell {

void CaptionButton::paintEvent(QPaintEvent* /*event*/)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    if (option.state.testFlag(QStyle::State_HasFocus)) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }

    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.drawItemText(contents, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(),
        text(), QPalette::ButtonText);
}

auto CaptionButton::handling(const QInputEvent& event)
{
    m_eventTime = event.timestamp();
    const auto* const key = dynamic_cast<const QKeyEvent*>(&event);
    m_autoRepeat = key != nullptr && key->isAutoRepeat();
    return qScopeGuard([this] {
        m_eventTime = 0;
        m_autoRepeat = false;
    });
}

void CaptionButton::keyPressEvent(QKeyEvent* event)
{
    const auto handled = handling(*event);
    if (m_keysDown.contains(event->key())) {
        m_autoRepeat = true;
    }
    m_keysDown.insert(event->key());
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        event->accept();
        return;
    }
    // The window moves the focus on arrows, the same way in every shell.
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right || event->key() == Qt::Key_Up
        || event->key() == Qt::Key_Down) {
        event->ignore();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void CaptionButton::keyReleaseEvent(QKeyEvent* event)
{
    const auto handled = handling(*event);
    if (!event->isAutoRepeat()) {
        m_keysDown.remove(event->key());
    }
    QPushButton::keyReleaseEvent(event);
}

void CaptionButton::mouseReleaseEvent(QMouseEvent* event)
{
    const auto handled = handling(*event);
    QPushButton::mouseReleaseEvent(event);
}

void CaptionButton::focusOutEvent(QFocusEvent* event)
{
    // Its keys' releases go elsewhere now.
    m_keysDown.clear();
    QPushButton::focusOutEvent(event);
}

} // namespace qtshell
