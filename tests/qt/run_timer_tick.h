#pragma once

#include <QCoreApplication>
#include <QTimer>
#include <QTimerEvent>

// The game's run timer ticks now, delivered as the event loop delivers its ticks, without the
// wait. Nothing, if the timer is off.
inline void tickNow(QTimer& timer)
{
    if (timer.isActive()) {
        QTimerEvent tick(timer.timerId());
        QCoreApplication::sendEvent(&timer, &tick);
    }
}
