// SPDX-License-Identifier: MIT
#pragma once

namespace alerts::platform {

// The primary display's full area, task bar and panels included, in twips, and
// its twips per device pixel: 1440 twips make an inch, so 15 at 96 dpi and 10 at
// 144 dpi. Its origin is (0, 0) unless another display lies to its left or above it.
struct ScreenMetrics {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    double twipsPerPixelX = 0;
    double twipsPerPixelY = 0;
};

// Read afresh on every call; with no screen at all, everything is 0.
ScreenMetrics primaryScreenMetrics();

} // namespace alerts::platform
