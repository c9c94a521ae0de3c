// SPDX-License-Identifier: MIT
#include "platform/TopMost.h"

#include <QWidget>

namespace alerts::platform {

void makeTopMost(QWidget& window) {
    // Changing the flags hides the window; its place is kept.
    window.setWindowFlags(window.windowFlags() | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    window.show();
}

} // namespace alerts::platform
