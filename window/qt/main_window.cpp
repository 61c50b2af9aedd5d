#include "window/qt/main_window.h"

#include "window/common/form1_design.h"
#include "window/qt/caption_button.h"
#include "window/qt/deadline_timer.h"
#include "window/qt/input_time.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegion>

#include <optional>
#include <vector>

namespace qtshell {
namespace {

QString fromText(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

clicktest::Text toText(const QString& text)
{
    return text.toStdU16String();
}

QString fromDesign(std::string_view name)
{
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QFont designFont(const window::FontDesign& design)
{
    QFont font(fromText(design.family));
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

// The platform's default title for the program's boxes: its name.
QString boxTitle()
{
    return QGuiApplication::applicationDisplayName();
}

} // namespace

Form1::Form1(clicktest::NumberFormat format, QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_inputTime(new InputTime(this))
    , m_session(*this, format)
{
    using window::pixels;
    const window::FormDesign& design = window::Form1Design;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(fromText(design.caption));
    setFont(designFont(design.font));
    // The controls are placed to the pixel and never move, so the window does not resize.
    setFixedSize(pixels(design.clientWidth), pixels(design.clientHeight));

    QWidget* previousInTabOrder = nullptr;
    QRegion shownAbove;
    std::vector<QWidget*> rows;
    for (const window::ControlDesign& entry : design.controls) {
        QWidget* widget = nullptr;
        if (entry.kind == window::ControlKind::PushButton) {
            auto* const button = new CaptionButton(fromText(entry.text), this);
            if (previousInTabOrder != nullptr) {
                setTabOrder(previousInTabOrder, button);
            }
            previousInTabOrder = button;
            widget = button;
        } else {
            auto* const label = new QLabel(fromText(entry.text), this);
            label->setAlignment(alignment(entry.placement));
            label->setTextFormat(Qt::PlainText);
            widget = label;
        }
        widget->setObjectName(fromDesign(entry.name));
        widget->setGeometry(
            pixels(entry.left), pixels(entry.top), pixels(entry.width), pixels(entry.height));
        if (entry.font) {
            widget->setFont(designFont(*entry.font));
        }
        if (entry.shown) {
            // Where controls overlap, the earlier row of the design lies whole on top: the later
            // one is cut around it, so it neither draws nor takes a press there, and a count
            // repaints only the counting button.
            const QRegion own = QRegion(widget->rect()) - shownAbove.translated(-widget->pos());
            if (own != QRegion(widget->rect())) {
                widget->setMask(own);
            }
            shownAbove += widget->geometry();
        }
        widget->setVisible(entry.shown);
        rows.push_back(widget);
    }

    m_command1
        = qobject_cast<QAbstractButton*>(rows.at(window::designRow(window::Button::Command1)));
    m_command2
        = qobject_cast<QAbstractButton*>(rows.at(window::designRow(window::Button::Command2)));
    m_counter = qobject_cast<QLabel*>(rows.at(window::designRow(clicktest::Control::Counter)));
    m_label1 = qobject_cast<QLabel*>(rows.at(window::designRow(clicktest::Control::Label1)));
    m_timer1 = new DeadlineTimer(design.timerInterval, this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));

    connect(
        m_command1, &QAbstractButton::clicked, this, [this] { press(window::Button::Command1); });
    connect(
        m_command2, &QAbstractButton::clicked, this, [this] { press(window::Button::Command2); });
    connect(m_timer1, &DeadlineTimer::timeout, this, &Form1::tick);

    m_command1->setFocus();
    m_session.load();
}

clicktest::Text Form1::GetText(clicktest::Control which) const
{
    return toText(control(which)->property("text").toString());
}

void Form1::SetText(clicktest::Control which, std::u16string_view text)
{
    if (!control(which)->setProperty("text", fromText(text))) {
        throw clicktest::ControlError("The control's text could not be set");
    }
}

void Form1::SetTimerEnabled(bool enabled)
{
    if (enabled) {
        m_timer1->start();
    } else {
        m_timer1->stop();
    }
}

void Form1::ShowMessage(std::u16string_view prompt)
{
    QMessageBox box(QMessageBox::NoIcon, boxTitle(), fromText(prompt), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    // Plain OK, as the game has always shown it, whatever the desktop theme adds to buttons.
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    box.exec();
}

void Form1::press(window::Button which)
{
    const auto* const pressed = qobject_cast<const CaptionButton*>(button(which));
    m_session.press(which, m_inputTime->of(*pressed));
}

void Form1::tick()
{
    // Presses stamped before now may still be on their way from the window system: fetch and
    // handle them first. One stamped past the run's end brings the tick itself.
    QGuiApplication::sync();
    if (m_timer1->isActive()) { // not rated meanwhile
        m_session.tick();
    }
}

QWidget* Form1::control(clicktest::Control which) const
{
    switch (which) {
    case clicktest::Control::Command1:
        return m_command1;
    case clicktest::Control::Counter:
        return m_counter;
    case clicktest::Control::Label1:
        return m_label1;
    }
    throw clicktest::ControlError("No such control");
}

QAbstractButton* Form1::button(window::Button which) const
{
    return which == window::Button::Command1 ? m_command1 : m_command2;
}

void Form1::showFailure(const std::string& reason)
{
    QMessageBox box(
        QMessageBox::Critical, boxTitle(), QString::fromStdString(reason), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void Form1::quit(int status) noexcept
{
    QCoreApplication::exit(status);
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
    const window::Button focused
        = m_command2->hasFocus() ? window::Button::Command2 : window::Button::Command1;
    button(window::focusAfter(focused, *arrow))->setFocus(Qt::TabFocusReason);
    event->accept();
}

} // namespace qtshell
