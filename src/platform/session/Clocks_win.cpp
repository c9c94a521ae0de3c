// SPDX-License-Identifier: MIT
#include "platform/session/Clocks.h"

#include <windows.h>

namespace alerts::platform {

std::chrono::milliseconds awakeTime() {
    ULONGLONG hundredNs = 0; // sleep and hibernation left out
    QueryUnbiasedInterruptTime(&hundredNs);
    return std::chrono::milliseconds(static_cast<long long>(hundredNs / 10'000));
}

} // namespace alerts::platform
