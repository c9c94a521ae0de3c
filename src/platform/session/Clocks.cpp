// SPDX-License-Identifier: MIT
#include "platform/session/Clocks.h"

namespace alerts::platform {

core::ClockReading readClocks() {
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    const auto wall =
        duration_cast<milliseconds>(std::chrono::system_clock::now().time_since_epoch());
    return {wall, awakeTime()};
}

} // namespace alerts::platform
