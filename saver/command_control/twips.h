// The Command button's unit: twips, 1440 per inch, 15 per pixel at the
// 96 dots per inch the saver lays out in.
#pragma once

#include <cmath>

namespace tumbleview {

inline constexpr int kTwipsPerPixel = 15;

// A length or position in twips as whole pixels: nearest, halves to even.
inline int twipsToPixels(double twips) {
  return static_cast<int>(std::nearbyint(twips / kTwipsPerPixel));
}

inline double pixelsToTwips(int pixels) { return double(pixels) * kTwipsPerPixel; }

}  // namespace tumbleview
