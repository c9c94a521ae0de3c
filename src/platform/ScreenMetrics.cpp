// SPDX-License-Identifier: MIT
#include "platform/ScreenMetrics.h"

#include "core/geometry.h"

#include <QGuiApplication>
#include <QScreen>

namespace alerts::platform {

ScreenMetrics primaryScreenMetrics() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return {};
    }
    // Qt positions windows in device-independent pixels, so the factor is fixed
    // whatever the display's density.
    const QRect full = screen->geometry();
    constexpr double twipsPerPixel = core::kTwipsPerPixel;
    return {.left = full.x() * twipsPerPixel,
            .top = full.y() * twipsPerPixel,
            .width = full.width() * twipsPerPixel,
            .height = full.height() * twipsPerPixel,
            .twipsPerPixelX = twipsPerPixel,
            .twipsPerPixelY = twipsPerPixel};
}

} // namespace alerts::platform
