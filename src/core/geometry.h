// SPDX-License-Identifier: MIT
#pragma once

namespace alerts::core {

// Window positions are kept in whole twips (1/1440 inch); 15 twips make one
// device-independent pixel, which is one device pixel at 96 dpi.
inline constexpr int kTwipsPerPixel = 15;

// Nearest integer, halves to even (the default floating-point rounding mode).
int roundHalfEven(double value);

// Both round halves to even. Whole twips are finer than any pixel of a display
// up to 15 times as dense as 96 dpi, so a pixel survives the trip there and back.
int twipsToPixels(double twips, double twipsPerPixel = kTwipsPerPixel);
int pixelsToTwips(int pixels, double twipsPerPixel = kTwipsPerPixel);

} // namespace alerts::core
