// The decoded picture that the decoder makes and the texture makers consume.
#pragma once

#include "pixel_memory.h"

namespace tumbleview {

// Tightly packed 24-bit RGB, bottom row first, rows of exactly width * 3
// bytes with no padding.
struct RgbImage {
  int width = 0;   // pixels
  int height = 0;  // rows
  PixelBytes pixels;  // height * width * 3 bytes: R, G, B
};

}  // namespace tumbleview
