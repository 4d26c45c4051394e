// Nearest-neighbour stretched copies between plain 32-bit pixel buffers,
// with the source-pixel choice of the classic colour-on-colour stretch:
// rows and columns are repeated when enlarging and dropped when shrinking,
// never blended.  Portable, no toolkit headers: the QImage copy
// (qt_pictures.h) and the Command button's painting both draw through here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tumbleview {

// A 32-bit pixel buffer, 0xAARRGGBB per pixel (the layout of QImage's
// RGB32 and ARGB32); `stride` is the distance between rows in pixels.  Not
// owning.
struct PixelSurface {
  std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};

struct ConstPixelSurface {
  const std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};

// A rectangle in pixels: origin and extent.  A negative extent runs from the
// origin towards smaller coordinates and mirrors the copy.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// For a copy of `sourceLength` pixels onto `targetLength` pixels, the source
// index (0 .. sourceLength-1) each target pixel takes, chosen by a Bresenham
// walk with a half-pixel start (2 -> 5 gives 0 0 0 1 1; 4 -> 3 gives 0 1 3).
// Empty unless both lengths are positive.
std::vector<int> stretchIndexMap(int sourceLength, int targetLength);

// Copies `sourceRect` of `source` into `targetRect` of `target`, stretched
// by stretchIndexMap in each direction, every written pixel OR-ed with
// `setBits` (0xFF000000 makes the copy opaque).  A target extent of 1 with a
// larger source extent uses one source pixel less, as the classic stretch
// does.  Source pixels outside the source and target pixels outside the
// target are skipped.  False, drawing nothing, when an extent is 0.
bool stretchPixels(const PixelSurface& target, PixelRect targetRect, const ConstPixelSurface& source,
                   PixelRect sourceRect, std::uint32_t setBits = 0);

}  // namespace tumbleview
