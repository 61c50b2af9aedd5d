#include "window/qt/input_time.h"

#include "window/qt/caption_button.h"

#include <QCoreApplication>
#include <QInputEvent>

namespace qtshell {

InputTime::InputTime(QObject* parent)
    : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

std::optional<window::InputTime> InputTime::of(const CaptionButton& button) const noexcept
{
    const quint64 time = button.eventTime();
    if (time == 0 || time != m_lastFromWindowSystem) {
        return std::nullopt;
    }
    // The window systems' clocks are 32-bit milliseconds; Qt widens them without unwrapping.
    return static_cast<window::InputTime>(time);
}

bool InputTime::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (const auto* const input = dynamic_cast<const QInputEvent*>(event);
            input != nullptr && watched->isWindowType()) {
            m_lastFromWindowSystem = input->timestamp();
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace qtshell
