#include "window/main_window.h"

#include "window/caption_button.h"
#include "window/deadline_timer.h"
#include "window/design.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegion>

#include <exception>

namespace window {
namespace {

QString fromText(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

clicktest::Text toText(const QString& text)
{
    return text.toStdU16String();
}

QString fromDesign(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont designFont(const FontDesign& design)
{
    QFont font(fromDesign(design.family));
    font.setPixelSize(fontPixels(design.points));
    font.setWeight(static_cast<QFont::Weight>(design.weight));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

Qt::Alignment alignment(TextPlacement placement)
{
    return placement == TextPlacement::TopCentred ? Qt::AlignTop | Qt::AlignHCenter
                                                  : Qt::AlignCenter;
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
    , m_controller(*this, format)
{
    const FormDesign& design = Form1Design;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(fromDesign(design.caption));
    setFont(designFont(design.font));
    // The controls are placed to the pixel and never move, so the window does not resize.
    setFixedSize(pixels(design.clientWidth), pixels(design.clientHeight));

    QWidget* previousInTabOrder = nullptr;
    QRegion buttonsAbove;
    for (const ControlDesign& entry : design.controls) {
        QWidget* widget = nullptr;
        if (entry.kind == ControlKind::PushButton) {
            auto* const button = new CaptionButton(fromDesign(entry.text), this);
            if (previousInTabOrder != nullptr) {
                setTabOrder(previousInTabOrder, button);
            }
            previousInTabOrder = button;
            widget = button;
        } else {
            auto* const label = new QLabel(fromDesign(entry.text), this);
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
        if (entry.kind == ControlKind::PushButton) {
            // Where buttons overlap, the earlier one stays whole, so that a count repaints only
            // the counting button and not RESET beneath its edge.
            const QRegion own = QRegion(widget->rect()) - buttonsAbove.translated(-widget->pos());
            if (own != QRegion(widget->rect())) {
                widget->setMask(own);
            }
            buttonsAbove += widget->geometry();
        }
        widget->setVisible(entry.shown);
    }

    m_command1 = findChild<QAbstractButton*>(QStringLiteral("Command1"));
    m_command2 = findChild<QAbstractButton*>(QStringLiteral("Command2"));
    m_counter = findChild<QLabel*>(QStringLiteral("Counter"));
    m_label1 = findChild<QLabel*>(QStringLiteral("Label1"));
    m_timer1 = new DeadlineTimer(design.timerInterval, this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));

    connect(m_command1, &QAbstractButton::clicked, this,
        [this] { deliver([this] { m_controller.Command1_Click(); }); });
    connect(m_command2, &QAbstractButton::clicked, this,
        [this] { deliver([this] { m_controller.Command2_Click(); }); });
    connect(m_timer1, &DeadlineTimer::timeout, this,
        [this] { deliver([this] { m_controller.Timer1_Timer(); }); });

    m_command1->setFocus();
    deliver([this] { m_controller.Form_Load(); });
}

clicktest::Text Form1::GetText(clicktest::Control which) const
{
    refuseAfterFailure();
    return toText(control(which)->property("text").toString());
}

void Form1::SetText(clicktest::Control which, std::u16string_view text)
{
    refuseAfterFailure();
    if (!control(which)->setProperty("text", fromText(text))) {
        throw clicktest::ControlError("The control's text could not be set");
    }
}

void Form1::SetTimerEnabled(bool enabled)
{
    refuseAfterFailure();
    if (enabled) {
        m_timer1->start();
    } else {
        m_timer1->stop();
    }
}

void Form1::ShowMessage(std::u16string_view prompt)
{
    refuseAfterFailure();
    QMessageBox box(QMessageBox::NoIcon, boxTitle(), fromText(prompt), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    // Plain OK, as the game has always shown it, whatever the desktop theme adds to buttons.
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    box.exec();
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

void Form1::refuseAfterFailure() const
{
    // A handler still on the stack under the error box must not carry on once the game ended.
    if (m_failed) {
        throw clicktest::ControlError("The program is ending after an error");
    }
}

template <typename Handler> void Form1::deliver(Handler handler) noexcept
{
    if (m_failed) {
        return;
    }
    try {
        handler();
    } catch (const std::exception& error) {
        fail(QString::fromUtf8(error.what()));
    } catch (...) {
        fail(tr("An unexpected error occurred."));
    }
}

void Form1::fail(const QString& reason)
{
    if (m_failed) {
        return; // a handler unwinding after the first error
    }
    m_failed = true;
    m_timer1->stop();
    QMessageBox box(QMessageBox::Critical, boxTitle(), reason, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    QCoreApplication::exit(1);
}

} // namespace window
