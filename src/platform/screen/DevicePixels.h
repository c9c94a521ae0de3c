// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QRect>

class QScreen;
class QWidget;

namespace alerts::platform {

// The window system's own pixels. Qt places windows in device-independent pixels,
// and at a fractional scale (1.25, 1.5) a whole number of those can fall between
// two device pixels: a window put flush against a screen edge through Qt's
// coordinates may end a pixel short of it or a pixel past it. Placed through
// these, it lands exactly where asked.

// How many device pixels make one of Qt's pixels on this screen (1.5 at 144 dpi).
[[nodiscard]] qreal devicePixelsPerPixel(const QScreen& screen);

// The screen's full area in device pixels of the virtual desktop.
[[nodiscard]] QRect devicePixelGeometry(const QScreen& screen);

// A top-level window's outer rectangle in device pixels, as the window system
// holds it.
[[nodiscard]] QRect devicePixelGeometry(const QWidget& window);

// Moves a top-level window's outer top-left corner to this device pixel.
void moveToDevicePixel(QWidget& window, QPoint topLeft);

// Shows only this part of a top-level window (device pixels, relative to its
// top-left corner), which must not be empty; a part that covers the whole window
// shows all of it.
void clipToDevicePixels(QWidget& window, const QRect& part);

} // namespace alerts::platform
