#include "window/qt/form1.h"

#include "clicktest/rating.h"
#include "run_timer_tick.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <numeric>
#include <vector>

using namespace std::chrono_literals;
using qtshell::Form1;

namespace {

const QString Idle = QStringLiteral("NUMBER OF CLICKS");
constexpr int Runs = 200;
constexpr int CountedPresses = 100'000;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool ResidentMemoryIsMeaningful = false;
#else
constexpr bool ResidentMemoryIsMeaningful = true;
#endif

QString fromText(const clicktest::Text& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// Resident memory in KiB, as the kernel counts it.
qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong();
        }
    }
    return -1;
}

// How one run is played: how many counted presses, and by which means.
enum class Press { Mouse, Space, Reset };

struct Plan {
    int count;
    Press press;
    bool startedByReset;
};

// Nine short runs across the rating bands, then one long run that carries most of the presses,
// ten times over. The record climbs through 4.1, 10 and 25, then with every long run, each
// longer than the last; the equal and lower rates in between must not be taken for records.
std::vector<Plan> soakPlans()
{
    const std::vector<int> shortCounts { 41, 24, 40, 100, 1, 41, 62, 250, 7 };
    constexpr int LongRuns = Runs / 10;
    const int shortTotal = LongRuns * std::accumulate(shortCounts.begin(), shortCounts.end(), 0);
    const int longTotal = CountedPresses - shortTotal;
    // Long runs of step, 2 step, ... and the last one takes what is left, a little more.
    const int step = 2 * longTotal / (LongRuns * (LongRuns + 1));
    std::vector<Plan> plans;
    int longGiven = 0;
    for (int run = 0; run < Runs; ++run) {
        const auto press = static_cast<Press>(run % 3);
        if (run % 10 == 9) {
            const int longRun = run / 10 + 1;
            const int count = longRun == LongRuns ? longTotal - longGiven : step * longRun;
            longGiven += count;
            plans.push_back({ count, press, false });
        } else {
            const int count = shortCounts[static_cast<std::size_t>(run % 10)];
            plans.push_back({ count, press, run % 7 == 3 });
        }
    }
    return plans;
}

// Presses as the window system hands them over: to the window, stamped `stamp` ms. The stamps,
// not how long the presses take to handle, keep them inside the run, however slow the machine.
void sendStamped(QWidget& window, QInputEvent& event, ulong stamp)
{
    event.setTimestamp(stamp);
    QCoreApplication::sendEvent(window.windowHandle(), &event);
}

void stampedClick(QWidget& window, const QPushButton& button, ulong stamp)
{
    const QPointF at = button.mapTo(&window, button.rect().center());
    const QPointF global = button.mapToGlobal(button.rect().center());
    QMouseEvent press(
        QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    sendStamped(window, press, stamp);
    QMouseEvent release(
        QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    sendStamped(window, release, stamp);
}

// Space on the widget that has the window's focus.
void stampedSpace(QWidget& window, ulong stamp)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    sendStamped(window, press, stamp);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    sendStamped(window, release, stamp);
}

// Answers the game's boxes as a player would, but only after a real tick of the run's timer
// has come in while the box is open, and checks that the tick changed nothing on screen.
class TickingBoxAnswerer {
public:
    explicit TickingBoxAnswerer(Form1& form)
        : m_form(form)
        , m_timer(*form.findChild<QTimer*>(QStringLiteral("Timer1")))
    {
        QObject::connect(&m_timer, &QTimer::timeout, &m_poll, [this] {
            if (m_open != nullptr) {
                ++m_ticksWhileOpen;
            }
        });
        m_poll.setInterval(0);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start();
    }

    QStringList texts;
    QStringList faults;

private:
    void poll()
    {
        auto* const box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        auto* const command1 = m_form.findChild<QPushButton*>(QStringLiteral("Command1"));
        auto* const counter = m_form.findChild<QLabel*>(QStringLiteral("Counter"));
        if (box != m_open) {
            m_open = box;
            m_ticksWhileOpen = 0;
            m_countWhenOpened = command1->text();
            texts << box->text();
            if (box->buttons().size() != 1 || box->icon() != QMessageBox::NoIcon) {
                faults << QStringLiteral("box \"%1\" is not a plain OK box").arg(box->text());
            }
        }
        // A timer that stopped before the box would never tick; that is a fault of its own.
        if (m_ticksWhileOpen == 0 && m_timer.isActive()) {
            return;
        }
        if (m_ticksWhileOpen == 0) {
            faults << QStringLiteral("the timer was off under \"%1\"").arg(box->text());
        }
        if (command1->text() != m_countWhenOpened || counter->text() != QStringLiteral("1")) {
            faults << QStringLiteral("a tick under \"%1\" changed the window").arg(box->text());
        }
        m_open = nullptr;
        QTest::mouseClick(box->buttons().constFirst(), Qt::LeftButton);
    }

    Form1& m_form;
    QTimer& m_timer;
    QTimer m_poll;
    QMessageBox* m_open = nullptr;
    int m_ticksWhileOpen = 0;
    QString m_countWhenOpened;
};

} // namespace

class SoakTest : public QObject {
    Q_OBJECT

private slots:
    void planCoversTheSoak();
    void manyRunsStayExactAndFlat();
};

void SoakTest::planCoversTheSoak()
{
    const std::vector<Plan> plans = soakPlans();
    QCOMPARE(plans.size(), std::size_t(Runs));
    QCOMPARE(std::accumulate(plans.begin(), plans.end(), 0,
                 [](int sum, const Plan& plan) { return sum + plan.count; }),
        CountedPresses);
}

void SoakTest::manyRunsStayExactAndFlat()
{
    Form1 form({});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* const timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
    auto* const command1 = form.findChild<QPushButton*>(QStringLiteral("Command1"));
    auto* const command2 = form.findChild<QPushButton*>(QStringLiteral("Command2"));
    auto* const counter = form.findChild<QLabel*>(QStringLiteral("Counter"));
    auto* const label1 = form.findChild<QLabel*>(QStringLiteral("Label1"));
    // The run timer's ticks every 3 ms while it runs: short enough to make the soak quick, long
    // enough that a box stays open across a tick.
    QTimer ticker;
    ticker.setInterval(3ms);
    QObject::connect(&ticker, &QTimer::timeout, timer, [timer] { tickNow(*timer); });
    ticker.start();
    TickingBoxAnswerer answerer(form);
    QSignalSpy ticks(timer, &QTimer::timeout);

    double record = clicktest::StartingRecordRate;
    QStringList expectedRecords;
    QStringList shownRecords;
    qint64 afterFirstRun = 0;
    int run = 0;
    // The window system's clock, in ms; each run starts 20 s after the last.
    ulong clock = 0;
    for (const Plan& plan : soakPlans()) {
        ++run;
        clock += 20'000;
        answerer.texts.clear();
        ticks.clear();
        QPushButton* const starter = plan.startedByReset ? command2 : command1;
        stampedClick(form, *starter, clock);
        QCOMPARE(command1->text(), QStringLiteral("1"));
        command1->setFocus();
        // Presses are delivered one after another without the event loop in between, as a
        // player's come between ticks, and stamped across the first nine seconds.
        for (int pressed = 1; pressed < plan.count; ++pressed) {
            const ulong stamp = clock + static_cast<ulong>(9'000 * pressed / plan.count);
            switch (plan.press) {
            case Press::Mouse:
                stampedClick(form, *command1, stamp);
                break;
            case Press::Space:
                stampedSpace(form, stamp);
                break;
            case Press::Reset:
                stampedClick(form, *command2, stamp);
                break;
            }
        }
        QVERIFY(ticks.wait(1000));
        QCOMPARE(counter->text(), QStringLiteral("1"));
        // After the tick the count is frozen.
        QTest::mouseClick(command1, Qt::LeftButton);
        QTest::keyClick(command1, Qt::Key_Space);
        QCOMPARE(command1->text(), QString::number(plan.count));

        QTest::mouseClick(command2, Qt::LeftButton);
        const double rate = plan.count / clicktest::RunSeconds;
        QStringList expectedBoxes { fromText(clicktest::RatingMessage(rate)) };
        if (rate > record) {
            record = rate;
            expectedBoxes << QStringLiteral("NEW RECORD!");
            expectedRecords << fromText(clicktest::NumberText(record));
            shownRecords << label1->text();
        }
        QCOMPARE(answerer.texts, expectedBoxes);
        QCOMPARE(command1->text(), Idle);
        QCOMPARE(counter->text(), QStringLiteral("0"));
        QVERIFY(!timer->isActive());
        QVERIFY2(answerer.faults.isEmpty(), qPrintable(answerer.faults.join(u'\n')));
        if (run == 1) {
            afterFirstRun = residentKiB();
        }
    }
    QCOMPARE(shownRecords, expectedRecords);
    QVERIFY(expectedRecords.size() > 20);
    QCOMPARE(label1->text(), expectedRecords.constLast());

    if (!ResidentMemoryIsMeaningful) {
        QSKIP("AddressSanitizer holds freed memory back on purpose: resident memory says nothing");
    }
    const qint64 afterSoak = residentKiB();
    qInfo("resident memory: %lld KiB after the first run, %lld KiB after the soak", afterFirstRun,
        afterSoak);
    QVERIFY(afterFirstRun > 0);
    QVERIFY2(afterSoak - afterFirstRun <= 1024,
        qPrintable(QStringLiteral("resident memory grew from %1 KiB to %2 KiB")
                       .arg(afterFirstRun)
                       .arg(afterSoak)));
}

QTEST_MAIN(SoakTest)
#include "soak_test.moc"
