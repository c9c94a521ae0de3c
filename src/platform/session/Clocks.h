// SPDX-License-Identifier: MIT
#pragma once

#include "core/watchdog.h"

#include <chrono>

namespace alerts::platform {

// The wall clock and a monotonic clock that stops while the machine is suspended,
// read one after the other.
core::ClockReading readClocks();

// The monotonic clock alone. std::chrono::steady_clock will not do everywhere:
// on Windows it is QueryPerformanceCounter and on macOS (libc++)
// CLOCK_MONOTONIC_RAW, and both count the time asleep. Each system has a clock
// that does not.
std::chrono::milliseconds awakeTime();

} // namespace alerts::platform
