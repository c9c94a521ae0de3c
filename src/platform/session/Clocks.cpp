// SPDX-License-Identifier: MIT
#include "platform/session/Clocks.h"

#include <QtGlobal>

#include <chrono>

#if defined(Q_OS_WIN)
#include <windows.h>
#else
#include <time.h>
#endif

namespace alerts::platform {

namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

// std::chrono::steady_clock will not do everywhere: on Windows it is
// QueryPerformanceCounter and on macOS (libc++) CLOCK_MONOTONIC_RAW, and both
// count the time asleep. Each system has a clock that does not.
milliseconds awakeTime() {
#if defined(Q_OS_WIN)
    ULONGLONG hundredNs = 0; // sleep and hibernation left out
    QueryUnbiasedInterruptTime(&hundredNs);
    return milliseconds(static_cast<long long>(hundredNs / 10'000));
#elif defined(Q_OS_DARWIN)
    return duration_cast<milliseconds>(nanoseconds(clock_gettime_nsec_np(CLOCK_UPTIME_RAW)));
#else
    timespec now{}; // Linux: CLOCK_MONOTONIC stops in suspend, CLOCK_BOOTTIME would not
    clock_gettime(CLOCK_MONOTONIC, &now);
    return duration_cast<milliseconds>(std::chrono::seconds(now.tv_sec) + nanoseconds(now.tv_nsec));
#endif
}

} // namespace

core::ClockReading readClocks() {
    const auto wall =
        duration_cast<milliseconds>(std::chrono::system_clock::now().time_since_epoch());
    return {wall, awakeTime()};
}

} // namespace alerts::platform
