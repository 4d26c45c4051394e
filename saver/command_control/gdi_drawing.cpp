#include "gdi_drawing.h"

#include <algorithm>
#include <cstdlib>

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

std::vector<int> stretchSourceOffsets(int sourceLength, int destinationLength) {
  std::vector<int> offsets(static_cast<std::size_t>(std::max(destinationLength, 0)));
  if (sourceLength <= 0 || destinationLength <= 0) return offsets;
  const std::int64_t s = sourceLength;
  const std::int64_t d = destinationLength;
  if (s <= d) {
    // Walk the destination; step the source when the error says the next
    // destination pixel's centre has passed the next source pixel's edge.
    std::int64_t error = 3 * s - 2 * d;
    int source = 0;
    for (int i = 0; i < destinationLength; ++i) {
      offsets[static_cast<std::size_t>(i)] = source;
      if (error > 0) {
        ++source;
        error += 2 * s - 2 * d;
      } else {
        error += 2 * s;
      }
    }
  } else {
    // Walk the source; each destination pixel keeps the first source pixel
    // that reaches it, the rest of the run is deleted.
    std::int64_t error = 3 * d - 2 * s;
    int destination = 0;
    bool fresh = true;
    for (int j = 0; j < sourceLength && destination < destinationLength; ++j) {
      if (fresh) offsets[static_cast<std::size_t>(destination)] = j;
      fresh = false;
      if (error > 0) {
        ++destination;
        fresh = true;
        error += 2 * d - 2 * s;
      } else {
        error += 2 * d;
      }
    }
  }
  return offsets;
}

bool stretchBltColorOnColor(const Surface& target, PixelRect destinationRect,
                            const ConstSurface& source, PixelRect sourceRect) {
  if (destinationRect.width == 0 || destinationRect.height == 0 || sourceRect.width == 0 ||
      sourceRect.height == 0) {
    return false;
  }
  if (std::abs(destinationRect.width) == 1 && std::abs(sourceRect.width) > 1) {
    sourceRect.width -= sourceRect.width > 0 ? 1 : -1;
  }
  if (std::abs(destinationRect.height) == 1 && std::abs(sourceRect.height) > 1) {
    sourceRect.height -= sourceRect.height > 0 ? 1 : -1;
  }
  const std::vector<int> columns =
      stretchSourceOffsets(std::abs(sourceRect.width), std::abs(destinationRect.width));
  const std::vector<int> rows =
      stretchSourceOffsets(std::abs(sourceRect.height), std::abs(destinationRect.height));
  // A negative extent walks from its origin towards smaller coordinates.
  const int dxStep = destinationRect.width > 0 ? 1 : -1;
  const int dyStep = destinationRect.height > 0 ? 1 : -1;
  const int sxStep = sourceRect.width > 0 ? 1 : -1;
  const int syStep = sourceRect.height > 0 ? 1 : -1;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::int64_t dy = destinationRect.y + std::int64_t(r) * dyStep;
    const std::int64_t sy = sourceRect.y + std::int64_t(rows[r]) * syStep;
    if (dy < 0 || dy >= target.height || sy < 0 || sy >= source.height) continue;
    std::uint32_t* out = target.pixels + dy * target.stride;
    const std::uint32_t* in = source.pixels + sy * source.stride;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const std::int64_t dx = destinationRect.x + std::int64_t(c) * dxStep;
      const std::int64_t sx = sourceRect.x + std::int64_t(columns[c]) * sxStep;
      if (dx < 0 || dx >= target.width || sx < 0 || sx >= source.width) continue;
      out[dx] = in[sx];
    }
  }
  return true;
}

}  // namespace tumbleview::gdi
