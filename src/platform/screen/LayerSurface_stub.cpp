// SPDX-License-Identifier: MIT
// A build without layer-shell: no window is ever a layer surface.
#include "platform/screen/LayerSurface.h"

namespace alerts::platform {

bool makeCornerLayerSurface(QWidget& /*window*/) {
    return false;
}

bool isLayerSurface(const QWidget& /*window*/) {
    return false;
}

bool waylandOffersLayerShell() {
    return false;
}

QRect layerSurfaceGeometry(const QWidget& /*window*/) {
    return {};
}

void moveLayerSurface(QWidget& /*window*/, QPoint /*topLeft*/) {}

} // namespace alerts::platform
