// SPDX-License-Identifier: MIT
#include "platform/session/Clocks.h"

#include <time.h>

namespace alerts::platform {

std::chrono::milliseconds awakeTime() {
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    using std::chrono::nanoseconds;
    return duration_cast<milliseconds>(nanoseconds(clock_gettime_nsec_np(CLOCK_UPTIME_RAW)));
}

} // namespace alerts::platform
