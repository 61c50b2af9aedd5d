#include "window/qt/main_window.h"

#include "window/common/form1_design.h"
#include "window/qt/caption_button.h"
#include "window/qt/deadline_timer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegion>

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
    , m_boundary(
          [this](const std::string& reason) { reportFailure(QString::fromStdString(reason)); })
    , m_controller(*this, format)
{
    using window::pixels;
    const window::FormDesign& design = window::Form1Design;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(fromText(design.caption));
    setFont(designFont(design.font));
    // The controls are placed to the pixel and never move, so the window does not resize.
    setFixedSize(pixels(design.clientWidth), pixels(design.clientHeight));

    QWidget* previousInTabOrder = nullptr;
    QRegion buttonsAbove;
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
        if (entry.kind == window::ControlKind::PushButton) {
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

    const auto named = [this](const window::ControlDesign& entry) {
        return findChild<QWidget*>(fromDesign(entry.name));
    };
    m_command1
        = qobject_cast<QAbstractButton*>(named(window::designOf(clicktest::Control::Command1)));
    m_command2 = qobject_cast<QAbstractButton*>(named(window::command2Design()));
    m_counter = qobject_cast<QLabel*>(named(window::designOf(clicktest::Control::Counter)));
    m_label1 = qobject_cast<QLabel*>(named(window::designOf(clicktest::Control::Label1)));
    m_timer1 = new DeadlineTimer(design.timerInterval, this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));

    connect(m_command1, &QAbstractButton::clicked, this,
        [this] { m_boundary.deliver([this] { m_controller.Command1_Click(); }); });
    connect(m_command2, &QAbstractButton::clicked, this,
        [this] { m_boundary.deliver([this] { m_controller.Command2_Click(); }); });
    connect(m_timer1, &DeadlineTimer::timeout, this,
        [this] { m_boundary.deliver([this] { m_controller.Timer1_Timer(); }); });

    m_command1->setFocus();
    m_boundary.deliver([this] { m_controller.Form_Load(); });
}

clicktest::Text Form1::GetText(clicktest::Control which) const
{
    m_boundary.refuseAfterFailure();
    return toText(control(which)->property("text").toString());
}

void Form1::SetText(clicktest::Control which, std::u16string_view text)
{
    m_boundary.refuseAfterFailure();
    if (!control(which)->setProperty("text", fromText(text))) {
        throw clicktest::ControlError("The control's text could not be set");
    }
}

void Form1::SetTimerEnabled(bool enabled)
{
    m_boundary.refuseAfterFailure();
    if (enabled) {
        m_timer1->start();
    } else {
        m_timer1->stop();
    }
}

void Form1::ShowMessage(std::u16string_view prompt)
{
    m_boundary.refuseAfterFailure();
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

void Form1::reportFailure(const QString& reason)
{
    m_timer1->stop();
    QMessageBox box(QMessageBox::Critical, boxTitle(), reason, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    QCoreApplication::exit(1);
}

} // namespace qtshell
