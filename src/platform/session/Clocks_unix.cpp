// SPDX-License-Identifier: MIT
#include "platform/session/Clocks.h"

#include <time.h>

namespace alerts::platform {

std::chrono::milliseconds awakeTime() {
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    using std::chrono::nanoseconds;
    timespec now{}; // Linux: CLOCK_MONOTONIC stops in suspend, CLOCK_BOOTTIME would not
    clock_gettime(CLOCK_MONOTONIC, &now);
    return duration_cast<milliseconds>(std::chrono::seconds(now.tv_sec) + nanoseconds(now.tv_nsec));
}

} // namespace alerts::platform
