#include "window/qt/form1.h"

#include "window/qt/caption_button.h"
#include "window/qt/qt_text.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QInputEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegion>
#include <QTimer>
#include <QWindow>

#include <optional>

namespace qtshell {
namespace {

QFont designFont(const window::FontDesign& design)
{
    QFont font(toQString(design.family));
    font.setPixelSize(window::fontPixels(design.points));
    font.setWeight(static_cast<QFont::Weight>(design.weight));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

Qt::Alignment alignment(window::TextPlacement placement)
{
    return placement == window::TextPlacement::TopCentred ? Qt::AlignTop | Qt::AlignHCenter
                                                          : Qt::AlignCenter;
}

std::optional<window::Arrow> arrowFor(int key)
{
    switch (key) {
    case Qt::Key_Left:
        return window::Arrow::Left;
    case Qt::Key_Up:
        return window::Arrow::Up;
    case Qt::Key_Right:
        return window::Arrow::Right;
    case Qt::Key_Down:
        return window::Arrow::Down;
    default:
        return std::nullopt;
    }
}

// The boxes carry the window's title, as in every shell.
QString boxTitle()
{
    return toQString(window::Form1Design.caption);
}

QWidget* makeControl(const window::ControlDesign& entry, QWidget* parent)
{
    if (entry.isButton()) {
        return new CaptionButton(toQString(entry.text), parent);
    }
    auto* const label = new QLabel(toQString(entry.text), parent);
    label->setAlignment(alignment(entry.placement));
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

Form1::Form1(clicktest::NumberFormat format, QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_timer1(this)
    , m_session(*this, format)
{
    using window::pixels;
    const window::FormDesign& design = window::Form1Design;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(toQString(design.caption));
    setFont(designFont(design.font));
    // The controls are placed to the pixel and never move, so the window does not resize.
    setFixedSize(pixels(design.clientWidth), pixels(design.clientHeight));

    QWidget* previousButton = nullptr;
    QRegion shownAbove;
    for (const std::size_t row : window::rowsInTabOrder()) {
        const window::ControlDesign& entry = design.controls.at(row);
        QWidget* const widget = makeControl(entry, this);
        widget->setObjectName(QString::fromLatin1(entry.name));
        widget->setGeometry(
            pixels(entry.left), pixels(entry.top), pixels(entry.width), pixels(entry.height));
        if (entry.font) {
            widget->setFont(designFont(*entry.font));
        }
        if (entry.isButton()) {
            if (previousButton != nullptr) {
                setTabOrder(previousButton, widget);
            }
            previousButton = widget;
        }
        if (entry.shown) {
            // Where controls overlap, the one above lies whole on top: the one below is cut around
            // it, so it neither draws nor takes a press there, and a count repaints only the
            // counting button.
            const QRegion own = QRegion(widget->rect()) - shownAbove.translated(-widget->pos());
            if (own != QRegion(widget->rect())) {
                widget->setMask(own);
            }
            shownAbove += widget->geometry();
        }
        widget->setVisible(entry.shown);
        m_controls.at(row) = widget;
    }

    m_timer1.setObjectName(QStringLiteral("Timer1"));
    // Never early: a coarse timer may wake a twentieth of its interval before it.
    m_timer1.setTimerType(Qt::PreciseTimer);
    connect(&m_timer1, &QTimer::timeout, this, [this] { m_session.tick(); });
    for (const window::Button which : window::buttonsInTabOrder()) {
        connect(button(which), &QAbstractButton::clicked, this, [this, which] { press(which); });
    }
    QCoreApplication::instance()->installEventFilter(this);

    button(window::buttonsInTabOrder().front())->setFocus();
    m_session.load();
}

clicktest::Text Form1::text(clicktest::Control which) const
{
    return toText(m_controls.at(window::rowOf(which))->property("text").toString());
}

void Form1::setText(clicktest::Control which, std::u16string_view text)
{
    if (!m_controls.at(window::rowOf(which))->setProperty("text", toQString(text))) {
        throw clicktest::ControlError("The control's text could not be set");
    }
}

void Form1::startTicks(std::chrono::milliseconds interval)
{
    m_timer1.start(interval);
}

void Form1::stopTicks()
{
    m_timer1.stop();
}

void Form1::showMessage(std::u16string_view prompt)
{
    QMessageBox box(QMessageBox::NoIcon, boxTitle(), toQString(prompt), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    // Plain OK, as the game has always shown it, whatever the desktop theme adds to buttons.
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    box.exec();
}

void Form1::showFailure(std::string_view reason)
{
    QMessageBox box(QMessageBox::Critical, boxTitle(),
        QString::fromUtf8(reason.data(), static_cast<qsizetype>(reason.size())), QMessageBox::Ok,
        this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void Form1::quit(int status) noexcept
{
    // Queued: the loop may not run yet (a failure while the window is being made), and exit()
    // does nothing before it does.
    QTimer::singleShot(
        0, QCoreApplication::instance(), [status] { QCoreApplication::exit(status); });
}

void Form1::press(window::Button which)
{
    const quint64 time = button(which)->eventTime();
    std::optional<window::InputTime> stamp;
    if (time != 0 && time == m_windowSystemStamp) {
        // The window systems' clocks are 32-bit milliseconds; Qt widens them without unwrapping.
        stamp = window::inputTimeFromMilliseconds(static_cast<std::uint32_t>(time));
    }
    m_session.press(which, { stamp, button(which)->isAutoRepeat() });
}

CaptionButton* Form1::button(window::Button which) const
{
    return qobject_cast<CaptionButton*>(m_controls.at(window::rowOf(which)));
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (m_session.mayClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void Form1::keyPressEvent(QKeyEvent* event)
{
    const std::optional<window::Arrow> arrow = arrowFor(event->key());
    if (!arrow) {
        QWidget::keyPressEvent(event);
        return;
    }
    for (const window::Button which : window::buttonsInTabOrder()) {
        if (button(which)->hasFocus()) {
            button(window::focusAfter(which, *arrow))->setFocus(Qt::TabFocusReason);
            break;
        }
    }
    event->accept();
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Qt hands every event from the window system to the window first, with the time the X
        // server or the Wayland compositor stamped on it.
        if (const auto* const input = dynamic_cast<const QInputEvent*>(event);
            input != nullptr && watched == windowHandle()) {
            m_windowSystemStamp = input->timestamp();
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace qtshell
