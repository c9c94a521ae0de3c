// SPDX-License-Identifier: MIT
#pragma once

namespace alerts::platform {

// On X11 a pointer grab and a request to activate a window carry a time stamp,
// which Qt takes from the last X event the program received. A request that
// comes without one (a tray host's click over D-Bus, a second start) would carry
// a stamp older than the window manager's own grabs since (the title bar's
// minimise): the server refuses the menu's grab as too old, and the menu ignores
// the mouse; the window manager takes the activation for a stale one. This brings
// the program's time up to the X server's current time. Elsewhere: nothing.
void catchUpWithServerTime();

} // namespace alerts::platform
