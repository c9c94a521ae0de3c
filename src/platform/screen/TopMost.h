// SPDX-License-Identifier: MIT
// platform/screen: where the popup stands, in the screen's own pixels, above the rest.
#pragma once

class QWidget;

namespace alerts::platform {

// Puts a top-level window into the always-on-top band and shows it where it
// stands, without activating it: the keyboard focus stays where it was, before
// and after any click on the window. On X11 the window also bypasses the window
// manager, which would otherwise pull a window parked below the screen's edge
// back onto it (and give it a taskbar entry and a frame). On native Wayland,
// where the compositor offers it, it becomes a layer surface in the display's
// bottom-right corner (platform/screen/LayerSurface.h), waiting below the edge.
void makeTopMost(QWidget& window);

} // namespace alerts::platform
