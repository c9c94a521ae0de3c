// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

namespace alerts::platform {

// On native Wayland a client cannot place its windows, and a new window is put
// wherever the compositor likes and given the focus. Compositors that offer
// wlr-layer-shell (KWin, sway, Hyprland, niri, labwc, COSMIC, river, Wayfire)
// place a layer surface for it instead: anchored to an output's edges, offset by
// margins, above full-screen windows on the overlay layer.

// Makes a window that has not been shown yet a layer surface on the overlay layer
// of its screen, anchored to the bottom and right edges, taking no keyboard focus
// and leaving other surfaces' exclusive zones alone (it covers the display's
// corner, panels included), waiting wholly below the bottom edge. False, leaving
// the window as it is, on any other platform, in a build without layer-shell, or
// where the compositor does not offer it.
bool makeCornerLayerSurface(QWidget& window);

// Before Qt starts: whether the Wayland compositor that WAYLAND_DISPLAY names
// offers wlr-layer-shell, asked over a connection of its own. False in a build
// without layer-shell, or where no compositor answers.
[[nodiscard]] bool waylandOffersLayerShell();

[[nodiscard]] bool isLayerSurface(const QWidget& window);

// Where a layer surface stands in its screen's coordinates, as its margins put it:
// the compositor places it and tells no client where that is.
[[nodiscard]] QRect layerSurfaceGeometry(const QWidget& window);

// Moves a layer surface's top-left corner there, by its right and bottom margins;
// a negative margin puts part of it past the output's edge, where it is not seen.
void moveLayerSurface(QWidget& window, QPoint topLeft);

} // namespace alerts::platform
