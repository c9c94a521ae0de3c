// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

namespace alerts::platform {

// On X11 a pointer grab and a request to activate a window carry a time stamp,
// which Qt takes from the last X event the program received. A request that
// comes without one (a tray host's click over D-Bus, a second start) would carry
// a stamp older than the window manager's own grabs since (the title bar's
// minimise): the server refuses the menu's grab as too old, and the menu ignores
// the mouse; the window manager takes the activation for a stale one. This brings
// the program's time up to the X server's current time. Elsewhere: nothing.
void catchUpWithServerTime();

// On Wayland a window comes forward only with an activation token, which a
// launcher gives the program it starts. While one of these lives, the program's
// next request to activate a window (Qt 6.5 and later read it then) carries the
// token handed over, from a second start. A token is good once: one Qt did not
// take (older Qt, or no activation) goes with this too. Elsewhere: nothing.
class ActivationToken final {
public:
    explicit ActivationToken(const QByteArray& token);
    ~ActivationToken();
    ActivationToken(const ActivationToken&) = delete;
    ActivationToken& operator=(const ActivationToken&) = delete;
    ActivationToken(ActivationToken&&) = delete;
    ActivationToken& operator=(ActivationToken&&) = delete;

private:
    bool m_set = false;
};

} // namespace alerts::platform
