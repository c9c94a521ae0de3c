// SPDX-License-Identifier: MIT
#include "platform/screen/ScreenMetrics.h"

#include "core/geometry.h"
#include "platform/screen/DevicePixels.h"

#include <QGuiApplication>
#include <QScreen>

namespace alerts::platform {

ScreenMetrics primaryScreenMetrics() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return {};
    }
    // Counted in the display's own pixels, so that whole twips land on whole
    // pixels at every scale; a device-independent pixel stays 15 twips.
    const double twipsPerPixel = core::kTwipsPerPixel / devicePixelsPerPixel(*screen);
    const QRect full = devicePixelGeometry(*screen);
    return {.left = full.x() * twipsPerPixel,
            .top = full.y() * twipsPerPixel,
            .width = full.width() * twipsPerPixel,
            .height = full.height() * twipsPerPixel,
            .twipsPerPixelX = twipsPerPixel,
            .twipsPerPixelY = twipsPerPixel};
}

} // namespace alerts::platform
