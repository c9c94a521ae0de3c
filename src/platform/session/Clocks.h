// SPDX-License-Identifier: MIT
#pragma once

#include "core/watchdog.h"

namespace alerts::platform {

// The wall clock and a monotonic clock that stops while the machine is suspended,
// read one after the other.
core::ClockReading readClocks();

} // namespace alerts::platform
