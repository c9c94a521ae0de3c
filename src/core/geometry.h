// SPDX-License-Identifier: MIT
#pragma once

namespace alerts::core {

// Window positions are kept in twips (1/1440 inch); 15 twips make one
// device-independent pixel at 96 dpi.
inline constexpr int kTwipsPerPixel = 15;

// Nearest integer, halves to even (the default floating-point rounding mode).
int roundHalfEven(double value);

int twipsToPixels(double twips, double twipsPerPixel = kTwipsPerPixel);
int pixelsToTwips(int pixels, int twipsPerPixel = kTwipsPerPixel);

} // namespace alerts::core
