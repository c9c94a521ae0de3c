// SPDX-License-Identifier: MIT
#include "platform/screen/TopMost.h"

#include "platform/screen/LayerSurface.h"

#include <QWidget>

namespace alerts::platform {

void makeTopMost(QWidget& window) {
    // Changing the flags hides the window; its place is kept.
    window.setWindowFlags(window.windowFlags() | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    // On native Wayland the compositor keeps it above the rest, on the overlay
    // layer; the window system's own pixels then count from the layer's corner.
    if (!makeCornerLayerSurface(window)) {
        window.setWindowFlags(window.windowFlags() | Qt::X11BypassWindowManagerHint);
    }
    window.show();
}

} // namespace alerts::platform
