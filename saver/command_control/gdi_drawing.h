// The two raster operations the Command button paints with, reproducing
// the classic platform's results pixel for pixel: a vertical two-colour
// gradient fill and a nearest-neighbour stretched copy (the "colour on
// colour" stretch mode).  Portable: plain 32-bit pixel buffers, no toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "pixel_stretch.h"

namespace tumbleview::gdi {

// Pixel buffers and rectangles are the portable ones of pixel_stretch.h:
// 0xAARRGGBB per pixel (the layout of QImage's RGB32), strides in pixels.
using Surface = PixelSurface;
using ConstSurface = ConstPixelSurface;
using tumbleview::PixelRect;

// A gradient vertex: position in pixels, colour channels with the 8-bit
// value in the high byte (0x0000..0xFF00).  Alpha is ignored.
struct TriVertex {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint16_t red = 0;
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
  std::uint16_t alpha = 0;
};

// The two vertex indices that span one gradient rectangle.
struct GradientRect {
  std::uint32_t upperLeft = 0;
  std::uint32_t lowerRight = 0;
};

// Vertical gradient over the rectangle spanned by the two vertices.  The
// vertex that lies higher gives the top colour whichever index the mesh
// names first; rows top..bottom-1 and columns left..right-1 are filled (the
// far edges are exclusive), row i of h having, per channel,
// (top * (h - i) + bottom * i) / h / 256 in integer arithmetic.  Pixels
// outside the surface are not touched.  False, drawing nothing, when an
// index is out of range.
bool gradientFillRectV(const Surface& target, std::span<const TriVertex> vertices,
                       GradientRect mesh);

// Stretched copy of `sourceRect` of `source` into `destinationRect` of
// `target`, nearest neighbour, pixels copied as they are: stretchPixels.
// False, drawing nothing, when an extent is 0.
bool stretchBltColorOnColor(const Surface& target, PixelRect destinationRect,
                            const ConstSurface& source, PixelRect sourceRect);

}  // namespace tumbleview::gdi
