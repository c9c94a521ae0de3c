// SPDX-License-Identifier: MIT
#pragma once

#include <QTimer>

namespace alerts::ui {

// A window's timer is either enabled or not. Enabling one that already runs
// leaves its current interval running (QTimer::start() would restart it).
inline void setTimerEnabled(QTimer& timer, bool enabled) {
    if (!enabled) {
        timer.stop();
    } else if (!timer.isActive()) {
        timer.start();
    }
}

inline void initTimer(QTimer& timer, int intervalMs, bool enabled,
                      Qt::TimerType type = Qt::CoarseTimer) {
    timer.setInterval(intervalMs);
    timer.setTimerType(type);
    setTimerEnabled(timer, enabled);
}

} // namespace alerts::ui
