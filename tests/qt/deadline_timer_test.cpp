#include "window/qt/deadline_timer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <vector>

using namespace std::chrono_literals;
using qtshell::DeadlineTimer;
using qtshell::wakeDelay;

class DeadlineTimerTest : public QObject {
    Q_OBJECT

private slots:
    void reachedDeadlineFiresNow();
    void sleepNeverOvershootsEvenWithTheSystemsSlack_data();
    void sleepNeverOvershootsEvenWithTheSystemsSlack();
    void longWaitsSleepMostOfTheWay();
    void defaultsAreAStoppedPreciseTimer();
    void ticksAreNeverEarlyAndKeepTheRhythm();
    void startBeginsAFreshInterval();
    void stopEndsTheTicks();
    void startNeverTicksSynchronously();
};

void DeadlineTimerTest::reachedDeadlineFiresNow()
{
    QVERIFY(!wakeDelay(0ns));
    QVERIFY(!wakeDelay(-5ms));
    QCOMPARE(wakeDelay(1ns), std::optional(0ms));
    QCOMPARE(wakeDelay(999us), std::optional(0ms));
}

void DeadlineTimerTest::sleepNeverOvershootsEvenWithTheSystemsSlack_data()
{
    QTest::addColumn<qint64>("remainingNs");
    QTest::newRow("whole run") << qint64(10'000'000'000);
    QTest::newRow("after an early wake") << qint64(25'300'000);
    QTest::newRow("just over a millisecond") << qint64(1'000'001);
    QTest::newRow("two milliseconds") << qint64(2'000'000);
    QTest::newRow("an hour") << qint64(3'600'000'000'000);
}

void DeadlineTimerTest::sleepNeverOvershootsEvenWithTheSystemsSlack()
{
    QFETCH(qint64, remainingNs);
    std::chrono::nanoseconds remaining(remainingNs);
    // Follow the timer to its deadline, each sleep running late by the most Linux allows (0.1%).
    for (int sleeps = 0; sleeps < 64; ++sleeps) {
        const auto delay = wakeDelay(remaining);
        QVERIFY(delay.has_value());
        if (*delay == 0ms) {
            return; // the last stretch is spun in the event loop
        }
        const std::chrono::nanoseconds slept = *delay + *delay / 1000;
        QVERIFY2(slept <= remaining, "a sleep would wake after the deadline");
        remaining -= slept;
    }
    QFAIL("the deadline was never approached");
}

void DeadlineTimerTest::longWaitsSleepMostOfTheWay()
{
    // A run must not cost more than a few wake-ups.
    std::chrono::nanoseconds remaining = 10s;
    int sleeps = 0;
    while (const auto delay = wakeDelay(remaining)) {
        if (*delay == 0ms) {
            break;
        }
        remaining -= *delay;
        ++sleeps;
    }
    QVERIFY2(sleeps <= 4, qPrintable(QString::number(sleeps)));
}

void DeadlineTimerTest::defaultsAreAStoppedPreciseTimer()
{
    const DeadlineTimer timer(10000ms);
    QCOMPARE(timer.interval(), 10000ms);
    QVERIFY(!timer.isActive());
}

void DeadlineTimerTest::ticksAreNeverEarlyAndKeepTheRhythm()
{
    DeadlineTimer timer(40ms);
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    connect(&timer, &DeadlineTimer::timeout, this, [&] { ticks.push_back(clock.nsecsElapsed()); });
    clock.start();
    timer.start();
    QVERIFY(QTest::qWaitFor([&] { return ticks.size() >= 3; }));
    timer.stop();
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const qint64 deadline = qint64(i + 1) * 40'000'000;
        QVERIFY2(ticks[i] >= deadline, qPrintable(QStringLiteral("tick %1 early").arg(i)));
    }
}

void DeadlineTimerTest::startBeginsAFreshInterval()
{
    DeadlineTimer timer(60ms);
    QSignalSpy spy(&timer, &DeadlineTimer::timeout);
    QElapsedTimer clock;
    timer.start();
    QTest::qWait(40);
    clock.start();
    timer.start();
    QVERIFY(spy.wait(1000));
    QVERIFY2(clock.elapsed() >= 60, "the restart kept the old deadline");
}

void DeadlineTimerTest::stopEndsTheTicks()
{
    DeadlineTimer timer(10ms);
    QSignalSpy spy(&timer, &DeadlineTimer::timeout);
    timer.start();
    QVERIFY(spy.wait(1000));
    timer.stop();
    QVERIFY(!timer.isActive());
    const auto seen = spy.count();
    QTest::qWait(50);
    QCOMPARE(spy.count(), seen);
}

void DeadlineTimerTest::startNeverTicksSynchronously()
{
    DeadlineTimer timer(0ms);
    QSignalSpy spy(&timer, &DeadlineTimer::timeout);
    timer.start();
    QCOMPARE(spy.count(), 0);
    QVERIFY(spy.wait(1000));
}

QTEST_GUILESS_MAIN(DeadlineTimerTest)
#include "deadline_timer_test.moc"
