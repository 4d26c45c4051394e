#include "gdi_drawing.h"

#include <algorithm>

namespace tumbleview::gdi {

bool gradientFillRectV(const Surface& target, std::span<const TriVertex> vertices,
                       GradientRect mesh) {
  if (mesh.upperLeft >= vertices.size() || mesh.lowerRight >= vertices.size()) return false;
  const TriVertex* top = &vertices[mesh.upperLeft];
  const TriVertex* bottom = &vertices[mesh.lowerRight];
  // The geometry decides which colour is on top, not the order in the mesh.
  if (bottom->y < top->y) std::swap(top, bottom);
  const std::int64_t height = std::int64_t{bottom->y} - top->y;
  const std::int32_t left = std::min(top->x, bottom->x);
  const std::int32_t right = std::max(top->x, bottom->x);
  if (height == 0 || left == right) return true;

  auto channel = [height](std::uint16_t a, std::uint16_t b, std::int64_t i) {
    return static_cast<std::uint32_t>((std::int64_t{a} * (height - i) + std::int64_t{b} * i) /
                                      height / 256);
  };
  const std::int64_t firstRow = std::max<std::int64_t>(top->y, 0);
  const std::int64_t endRow = std::min<std::int64_t>(bottom->y, target.height);
  const std::int64_t firstColumn = std::max<std::int64_t>(left, 0);
  const std::int64_t endColumn = std::min<std::int64_t>(right, target.width);
  for (std::int64_t y = firstRow; y < endRow; ++y) {
    const std::int64_t i = y - top->y;
    const std::uint32_t pixel = 0xFF000000u | channel(top->red, bottom->red, i) << 16 |
                                channel(top->green, bottom->green, i) << 8 |
                                channel(top->blue, bottom->blue, i);
    std::uint32_t* row = target.pixels + y * target.stride;
    std::fill(row + firstColumn, row + endColumn, pixel);
  }
  return true;
}

bool stretchBltColorOnColor(const Surface& target, PixelRect destinationRect,
                            const ConstSurface& source, PixelRect sourceRect) {
  return stretchPixels(target, destinationRect, source, sourceRect);
}

}  // namespace tumbleview::gdi
