// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>

class QWindow;

namespace alerts::platform {

// The window system's own place of a window, just told to Qt at a move: where the
// window system would report it back with nothing new, the report is dropped.
void toldPlace(QWindow& window, const QRect& native);

} // namespace alerts::platform
