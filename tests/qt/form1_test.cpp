#include "window/qt/form1.h"

#include "message_box_dismisser.h"
#include "run_timer_tick.h"
#include "window/common/form1_design.h"
#include "window/qt/startup.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;
using qtshell::Form1;
using window::Form1Design;

namespace {

const QString Idle = QStringLiteral("NUMBER OF CLICKS");

QPushButton* button(const Form1& form, const char* name)
{
    return form.findChild<QPushButton*>(QLatin1String(name));
}
QLabel* label(const Form1& form, const char* name)
{
    return form.findChild<QLabel*>(QLatin1String(name));
}
QTimer* timer(const Form1& form)
{
    return form.findChild<QTimer*>(QStringLiteral("Timer1"));
}
QString count(const Form1& form)
{
    return button(form, "Command1")->text();
}

void click(const Form1& form, const char* name, int times = 1)
{
    for (int i = 0; i < times; ++i) {
        QTest::mouseClick(button(form, name), Qt::LeftButton);
    }
}

// The ten seconds are over, without waiting for them.
void endTheRun(const Form1& form)
{
    tickNow(*timer(form));
}

// A click that waits in the event queue, as one the window system has stamped but the window
// has not handled yet.
void postClick(QAbstractButton* button)
{
    const QPointF centre = button->rect().center();
    for (const QEvent::Type type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease }) {
        QCoreApplication::postEvent(button,
            new QMouseEvent(type, centre, button->mapToGlobal(centre), Qt::LeftButton,
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier));
    }
}

void showAndFocus(Form1& form)
{
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
}

} // namespace

class Form1Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void windowIsAsDesigned();
    void controlsAreAsDesigned_data();
    void controlsAreAsDesigned();
    void markerIsNeverSeen();
    void captionsFitTheirControls();
    void tabMovesBetweenTheTwoButtonsOnly();
    void arrowsMoveTheFocusAndPressNothing();
    void overlapRowsBelongToTheEarlierControl();
    void countingRepaintsOnlyTheCountingButton();

    void pressesCount();
    void resetInIdleStartsARun();
    void resetWhileCountingCounts();
    void fastSecondPressCountsTwice();
    void keyboardPressesCount();

    void timerRunsOnlyDuringARun();
    void tickFreezesTheCount();
    void noBoxOpensInsideTheTick();

    void evaluationShowsTheRating_data();
    void evaluationShowsTheRating();
    void recordIsKeptAcrossRuns();
    void tickWhileAMessageIsOpenChangesNothing();
    void noPressOrCloseIsTakenWhileABoxIsOpen();
    void handlerErrorIsReportedAndEndsTheGame();
};

void Form1Test::initTestCase()
{
    qtshell::identifyApplication();
    qtshell::substituteDesignFont();
}

void Form1Test::windowIsAsDesigned()
{
    Form1 form({});
    QCOMPARE(form.windowTitle(), QStringLiteral("Morvane"));
    QCOMPARE(form.size(), QSize(199, 156));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(form.font().pixelSize(), 24); // 18 pt
    QVERIFY(!timer(form)->isActive());
}

void Form1Test::controlsAreAsDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<int>("fontPixels");
    QTest::newRow("Command1") << "Command1" << Idle << QRect(0, 0, 201, 97) << 18;
    QTest::newRow("Command2") << "Command2"
                              << "RESET" << QRect(-8, 96, 209, 33) << 24;
    QTest::newRow("Counter") << "Counter"
                             << "0" << QRect(200, 32, 25, 33) << 24;
    QTest::newRow("Label1") << "Label1"
                            << "RECORD: 4" << QRect(0, 128, 201, 33) << 24;
}

void Form1Test::controlsAreAsDesigned()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);
    QFETCH(int, fontPixels);
    const Form1 form({});
    const auto* const widget = form.findChild<QWidget*>(name);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->property("text").toString(), text);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->font().pixelSize(), fontPixels);
    QCOMPARE(widget->font().family(), QStringLiteral("MS Sans Serif"));
}

void Form1Test::markerIsNeverSeen()
{
    Form1 form({});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(!label(form, "Counter")->isVisible());
    for (const QWidget* widget : form.findChildren<QWidget*>()) {
        if (widget->isVisible()) {
            QVERIFY2(widget->property("text").toString() != QStringLiteral("0"),
                qPrintable(widget->objectName()));
        }
    }
}

void Form1Test::captionsFitTheirControls()
{
    // Every caption the game shows must be whole: on one line, or wrapped inside the button.
    Form1 form({});
    const auto fits = [](const QWidget* widget, const QString& text, QRect visible) {
        const QFontMetrics metrics(widget->font());
        const QRect needed = metrics.boundingRect(
            visible.adjusted(4, 0, -4, 0), Qt::AlignCenter | Qt::TextWordWrap, text);
        return visible.contains(needed);
    };
    const QRect client = form.rect();
    const auto visiblePart = [&](const QWidget* widget) {
        return widget->geometry().intersected(client).translated(-widget->pos());
    };
    const auto* const command1 = button(form, "Command1");
    for (const QString& text : { Idle, QStringLiteral("9999") }) {
        QVERIFY2(fits(command1, text, visiblePart(command1)), qPrintable(text));
    }
    const auto* const command2 = button(form, "Command2");
    QVERIFY(fits(command2, command2->text(), visiblePart(command2)));
    const auto* const label1 = label(form, "Label1");
    const QFontMetrics metrics(label1->font());
    QVERIFY2(metrics.height() <= visiblePart(label1).height(), "the record label is cut");
    QVERIFY(label1->alignment().testFlag(Qt::AlignTop));
    QVERIFY(metrics.horizontalAdvance(QStringLiteral("RECORD: 4")) <= visiblePart(label1).width());
}

void Form1Test::tabMovesBetweenTheTwoButtonsOnly()
{
    Form1 form({});
    showAndFocus(form);
    QCOMPARE(QApplication::focusWidget(), button(form, "Command1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button(form, "Command2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button(form, "Command1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), button(form, "Command2"));
}

void Form1Test::arrowsMoveTheFocusAndPressNothing()
{
    Form1 form({});
    showAndFocus(form);
    for (const Qt::Key key : { Qt::Key_Right, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up }) {
        const QWidget* const before = QApplication::focusWidget();
        QTest::keyClick(QApplication::focusWidget(), key);
        QVERIFY(QApplication::focusWidget() != before);
    }
    QCOMPARE(QApplication::focusWidget(), button(form, "Command1"));
    QCOMPARE(count(form), Idle);
    QVERIFY(!timer(form)->isActive());
}

void Form1Test::overlapRowsBelongToTheEarlierControl()
{
    Form1 form({});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.childAt(100, 96), button(form, "Command1"));
    QCOMPARE(form.childAt(100, 128), button(form, "Command2"));
    QCOMPARE(form.childAt(100, 129), label(form, "Label1"));
}

void Form1Test::countingRepaintsOnlyTheCountingButton()
{
    // The buttons share one pixel row; that row belongs to the counting button.
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject* /*watched*/, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } reset;
    Form1 form({});
    showAndFocus(form);
    QPushButton* const command1 = button(form, "Command1");
    button(form, "Command2")->installEventFilter(&reset);
    for (int i = 0; i < 5; ++i) {
        QTest::mouseClick(command1, Qt::LeftButton);
        QApplication::processEvents();
    }
    QCOMPARE(count(form), QStringLiteral("5"));
    QCOMPARE(reset.paints, 0);
    // A press on the shared row is a press of the counting button.
    const QPoint sharedRow(100, 96);
    QCOMPARE(form.childAt(sharedRow), command1);
    QTest::mouseClick(command1, Qt::LeftButton, {}, command1->mapFrom(&form, sharedRow));
    QCOMPARE(count(form), QStringLiteral("6"));
}

void Form1Test::pressesCount()
{
    Form1 form({});
    showAndFocus(form);
    click(form, "Command1");
    QCOMPARE(count(form), QStringLiteral("1"));
    click(form, "Command1", 24);
    QCOMPARE(count(form), QStringLiteral("25"));
}

void Form1Test::resetInIdleStartsARun()
{
    Form1 form({});
    showAndFocus(form);
    click(form, "Command2");
    QCOMPARE(count(form), QStringLiteral("1"));
    QVERIFY(timer(form)->isActive());
}

void Form1Test::resetWhileCountingCounts()
{
    Form1 form({});
    showAndFocus(form);
    click(form, "Command1", 3);
    click(form, "Command2");
    QCOMPARE(count(form), QStringLiteral("4"));
}

void Form1Test::fastSecondPressCountsTwice()
{
    // Two presses inside the double-click interval reach the button as press, release,
    // double-click, release.
    Form1 form({});
    showAndFocus(form);
    QPushButton* const command1 = button(form, "Command1");
    const QPoint centre = command1->rect().center();
    QTest::mousePress(command1, Qt::LeftButton, {}, centre);
    QTest::mouseRelease(command1, Qt::LeftButton, {}, centre);
    QTest::mouseDClick(command1, Qt::LeftButton, {}, centre);
    QTest::mouseRelease(command1, Qt::LeftButton, {}, centre);
    QCOMPARE(count(form), QStringLiteral("2"));
}

void Form1Test::keyboardPressesCount()
{
    Form1 form({});
    showAndFocus(form);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(count(form), QStringLiteral("3"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(count(form), QStringLiteral("4"));
}

void Form1Test::timerRunsOnlyDuringARun()
{
    MessageBoxDismisser dismisser;
    Form1 form({});
    showAndFocus(form);
    const QTimer* const timer1 = timer(form);
    QVERIFY(!timer1->isActive());
    click(form, "Command1");
    QVERIFY(timer1->isActive());
    // Never early: the platform's coarse timers may wake before their time.
    QCOMPARE(timer1->timerType(), Qt::PreciseTimer);
    QCOMPARE(timer1->intervalAsDuration(), Form1Design.timerInterval + window::InputGrace);
    endTheRun(form);
    QVERIFY2(timer1->isActive(), "the tick does not stop the timer");
    click(form, "Command2");
    QVERIFY(!timer1->isActive());
}

void Form1Test::tickFreezesTheCount()
{
    Form1 form({});
    showAndFocus(form);
    click(form, "Command1", 5);
    endTheRun(form);
    QCOMPARE(label(form, "Counter")->text(), QStringLiteral("1"));
    click(form, "Command1", 3);
    QTest::keyClick(button(form, "Command1"), Qt::Key_Space);
    QCOMPARE(count(form), QStringLiteral("5"));
}

void Form1Test::noBoxOpensInsideTheTick()
{
    // A tick only ends the run. RESET, already queued when it comes, is handled after it by the
    // event loop: a tick that ran the loop itself would rate the run inside the tick.
    MessageBoxDismisser dismisser;
    Form1 form({});
    showAndFocus(form);
    click(form, "Command1", 2);
    postClick(button(form, "Command2"));
    endTheRun(form);
    QCOMPARE(dismisser.boxes.size(), std::size_t(0));
    QCOMPARE(label(form, "Counter")->text(), QStringLiteral("1"));
    // Qt 6.8's QTRY_ macros narrow their timeout; qWaitFor does not.
    QVERIFY(QTest::qWaitFor([&form] { return count(form) == Idle; }));
    QCOMPARE(dismisser.boxes.size(), std::size_t(1));
}

void Form1Test::evaluationShowsTheRating_data()
{
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("record");
    QTest::newRow("24 clicks")
        << 24
        << QStringList { "You only clicked the button 2.4 times in a second. You need more "
                         "practice using a mouse." }
        << "RECORD: 4";
    QTest::newRow("41 clicks")
        << 41
        << QStringList { "Wow! You clicked the button 4.1 times in a second. Bravo!!!",
               "NEW RECORD!" }
        << "4.1";
    QTest::newRow("100 clicks") << 100
                                << QStringList { "Wow. 10 times per second...", "NEW RECORD!" }
                                << "10";
}

void Form1Test::evaluationShowsTheRating()
{
    QFETCH(int, clicks);
    QFETCH(QStringList, messages);
    QFETCH(QString, record);
    MessageBoxDismisser dismisser;
    Form1 form({});
    showAndFocus(form);
    click(form, "Command1", clicks);
    endTheRun(form);
    click(form, "Command2");

    QCOMPARE(dismisser.texts(), messages);
    for (const auto& box : dismisser.boxes) {
        QCOMPARE(box.title, QStringLiteral("Morvane"));
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.buttons, QStringList { QStringLiteral("OK") });
    }
    QCOMPARE(label(form, "Label1")->text(), record);
    QCOMPARE(count(form), Idle);
    QCOMPARE(label(form, "Counter")->text(), QStringLiteral("0"));
    QVERIFY(!timer(form)->isActive());
}

void Form1Test::recordIsKeptAcrossRuns()
{
    MessageBoxDismisser dismisser;
    Form1 form({ u',' });
    showAndFocus(form);
    for (const int clicks : { 41, 41, 24 }) {
        click(form, "Command1", clicks);
        endTheRun(form);
        click(form, "Command2");
    }
    QCOMPARE(dismisser.texts(),
        (QStringList { "Wow! You clicked the button 4,1 times in a second. Bravo!!!", "NEW RECORD!",
            "Wow! You clicked the button 4,1 times in a second. Bravo!!!",
            "You only clicked the button 2,4 times in a second. You need more practice using a "
            "mouse." }));
    QCOMPARE(label(form, "Label1")->text(), QStringLiteral("4,1"));
}

void Form1Test::tickWhileAMessageIsOpenChangesNothing()
{
    MessageBoxDismisser dismisser;
    Form1 form({});
    showAndFocus(form);
    dismisser.whileOpen = [&form](QMessageBox&) { endTheRun(form); };
    click(form, "Command1", 41);
    endTheRun(form);
    click(form, "Command2");
    QCOMPARE(dismisser.texts(),
        (QStringList {
            "Wow! You clicked the button 4.1 times in a second. Bravo!!!", "NEW RECORD!" }));
    QCOMPARE(label(form, "Label1")->text(), QStringLiteral("4.1"));
    QCOMPARE(count(form), Idle);
    QCOMPARE(label(form, "Counter")->text(), QStringLiteral("0"));
    QVERIFY(!timer(form)->isActive());
}

void Form1Test::noPressOrCloseIsTakenWhileABoxIsOpen()
{
    MessageBoxDismisser dismisser;
    Form1 form({});
    showAndFocus(form);
    bool closedUnderBox = true;
    dismisser.whileOpen = [&](QMessageBox&) {
        // What a screen reader's Press does, then a key and a close request from the desktop.
        QAccessibleInterface* const reset
            = QAccessible::queryAccessibleInterface(button(form, "Command2"));
        reset->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTest::keyClick(button(form, "Command1"), Qt::Key_Space);
        closedUnderBox = form.close();
        QTest::qWait(200); // the accessible press clicks after a short animation
    };
    click(form, "Command1", 3);
    endTheRun(form);
    click(form, "Command2");
    QCOMPARE(dismisser.texts(),
        QStringList { "You only clicked the button 0.3 times in a second. You need more practice "
                      "using a mouse." });
    QVERIFY(!closedUnderBox);
    QVERIFY(form.isVisible());
    QCOMPARE(count(form), Idle);
    click(form, "Command1");
    QCOMPARE(count(form), QStringLiteral("1"));
}

void Form1Test::handlerErrorIsReportedAndEndsTheGame()
{
    MessageBoxDismisser dismisser;
    Form1 form({});
    showAndFocus(form);
    click(form, "Command1");
    // A count the game cannot read back.
    button(form, "Command1")->setText(QStringLiteral("12abc"));
    click(form, "Command1");

    QCOMPARE(dismisser.boxes.size(), std::size_t(1));
    QCOMPARE(dismisser.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(dismisser.boxes[0].title, QStringLiteral("Morvane"));
    QCOMPARE(dismisser.boxes[0].text, QStringLiteral("Type mismatch: \"12abc\" is not a number"));
    QVERIFY(!timer(form)->isActive());

    // Nothing more happens: no count, no further box.
    click(form, "Command2");
    endTheRun(form);
    QCOMPARE(dismisser.boxes.size(), std::size_t(1));
    QCOMPARE(count(form), QStringLiteral("12abc"));
}

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
