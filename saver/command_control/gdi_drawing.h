// The two raster operations the Command button paints with, reproducing
// the classic platform's results pixel for pixel: a vertical two-colour
// gradient fill and a nearest-neighbour stretched copy (the "colour on
// colour" stretch mode).  Portable: plain 32-bit pixel buffers, no toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tumbleview::gdi {

// A 32-bit pixel buffer, 0xAARRGGBB per pixel (the layout of QImage's
// RGB32); `stride` is the distance between rows in pixels.  Not owning.
struct Surface {
  std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};

struct ConstSurface {
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

// For each of `destinationLength` destination pixels, the offset of the
// source pixel it shows (0 .. sourceLength-1), both lengths positive: an
// enlargement repeats source pixels, a reduction deletes them, both chosen
// by a Bresenham walk with a half-pixel start.
std::vector<int> stretchSourceOffsets(int sourceLength, int destinationLength);

// Stretched copy of `sourceRect` of `source` into `destinationRect` of
// `target`, nearest neighbour.  A destination extent of 1 with a larger
// source extent uses one source pixel less, as the platform does.  Source
// pixels outside the source and destination pixels outside the target are
// skipped.  False, drawing nothing, when an extent is 0.
bool stretchBltColorOnColor(const Surface& target, PixelRect destinationRect,
                            const ConstSurface& source, PixelRect sourceRect);

}  // namespace tumbleview::gdi
