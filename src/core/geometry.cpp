// SPDX-License-Identifier: MIT
#include "geometry.h"

#include <cmath>

namespace alerts::core {

int roundHalfEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

int twipsToPixels(double twips, double twipsPerPixel) {
    return roundHalfEven(twips / twipsPerPixel);
}

int pixelsToTwips(int pixels, double twipsPerPixel) {
    return roundHalfEven(pixels * twipsPerPixel);
}

} // namespace alerts::core
