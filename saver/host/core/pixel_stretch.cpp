#include "pixel_stretch.h"

#include <cstdlib>

namespace tumbleview {

std::vector<int> stretchIndexMap(int sourceLength, int targetLength) {
  std::vector<int> map;
  if (sourceLength <= 0 || targetLength <= 0) return map;
  map.resize(static_cast<std::size_t>(targetLength));
  // 64-bit error terms: three times a length overflows an int long before
  // the length itself does.
  const std::int64_t s = sourceLength;
  const std::int64_t t = targetLength;
  if (s <= t) {
    // Walk the target; step the source when the error says the next target
    // pixel's centre has passed the next source pixel's edge.
    std::int64_t error = 3 * s - 2 * t;
    int source = 0;
    for (int target = 0; target < targetLength; ++target) {
      map[static_cast<std::size_t>(target)] = source;
      if (error > 0) {
        ++source;
        error += 2 * s - 2 * t;
      } else {
        error += 2 * s;
      }
    }
  } else {
    // Walk the source; each target pixel keeps the first source pixel that
    // reaches it, the rest of the run is deleted.
    std::int64_t error = 3 * t - 2 * s;
    int target = 0;
    bool taken = false;
    for (int source = 0; source < sourceLength && target < targetLength; ++source) {
      if (!taken) {
        map[static_cast<std::size_t>(target)] = source;
        taken = true;
      }
      if (error > 0) {
        ++target;
        taken = false;
        error += 2 * t - 2 * s;
      } else {
        error += 2 * t;
      }
    }
  }
  return map;
}

bool stretchPixels(const PixelSurface& target, PixelRect targetRect, const ConstPixelSurface& source,
                   PixelRect sourceRect, std::uint32_t setBits) {
  if (targetRect.width == 0 || targetRect.height == 0 || sourceRect.width == 0 ||
      sourceRect.height == 0) {
    return false;
  }
  if (std::abs(targetRect.width) == 1 && std::abs(sourceRect.width) > 1) {
    sourceRect.width -= sourceRect.width > 0 ? 1 : -1;
  }
  if (std::abs(targetRect.height) == 1 && std::abs(sourceRect.height) > 1) {
    sourceRect.height -= sourceRect.height > 0 ? 1 : -1;
  }
  const std::vector<int> columns =
      stretchIndexMap(std::abs(sourceRect.width), std::abs(targetRect.width));
  const std::vector<int> rows = stretchIndexMap(std::abs(sourceRect.height), std::abs(targetRect.height));
  // A negative extent walks from its origin towards smaller coordinates.
  const int txStep = targetRect.width > 0 ? 1 : -1;
  const int tyStep = targetRect.height > 0 ? 1 : -1;
  const int sxStep = sourceRect.width > 0 ? 1 : -1;
  const int syStep = sourceRect.height > 0 ? 1 : -1;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::int64_t ty = targetRect.y + std::int64_t(r) * tyStep;
    const std::int64_t sy = sourceRect.y + std::int64_t(rows[r]) * syStep;
    if (ty < 0 || ty >= target.height || sy < 0 || sy >= source.height) continue;
    std::uint32_t* out = target.pixels + ty * target.stride;
    const std::uint32_t* in = source.pixels + sy * source.stride;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const std::int64_t tx = targetRect.x + std::int64_t(c) * txStep;
      const std::int64_t sx = sourceRect.x + std::int64_t(columns[c]) * sxStep;
      if (tx < 0 || tx >= target.width || sx < 0 || sx >= source.width) continue;
      out[tx] = in[sx] | setBits;
    }
  }
  return true;
}

}  // namespace tumbleview
