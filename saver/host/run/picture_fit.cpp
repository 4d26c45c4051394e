#include "picture_fit.h"

#include <algorithm>
#include <cmath>

#include "bmp_decoder.h"

namespace tumbleview {
namespace {

bool fits(std::int64_t width, std::int64_t height, const RendererLimits& limits) {
  return width <= limits.maxSide && height <= limits.maxSide && width * height <= limits.maxPixels;
}

}  // namespace

RendererLimits rendererLimits() {
  const DibLimits decoder;
  return {decoder.maxSide, decoder.maxPixels};
}

PictureSize fitWithin(PictureSize size, const RendererLimits& limits) {
  const std::int64_t width = size.width;
  const std::int64_t height = size.height;
  if (width <= 0 || height <= 0 || fits(width, height, limits)) return size;
  const double area = static_cast<double>(width) * static_cast<double>(height);
  const double scale =
      std::min({static_cast<double>(limits.maxSide) / static_cast<double>(width),
                static_cast<double>(limits.maxSide) / static_cast<double>(height),
                std::sqrt(static_cast<double>(limits.maxPixels) / area)});
  // The tolerance keeps an exact fit (20000 x 0.8192 = 16384) from losing
  // a pixel to rounding.
  const auto scaled = [&](std::int64_t side) {
    return std::max<std::int64_t>(1, static_cast<std::int64_t>(std::floor(static_cast<double>(side) * scale + 1e-6)));
  };
  std::int64_t fittedWidth = std::min(scaled(width), limits.maxSide);
  std::int64_t fittedHeight = std::min(scaled(height), limits.maxSide);
  while (!fits(fittedWidth, fittedHeight, limits) && (fittedWidth > 1 || fittedHeight > 1)) {
    (fittedWidth >= fittedHeight ? fittedWidth : fittedHeight) -= 1;
  }
  return {static_cast<int>(fittedWidth), static_cast<int>(fittedHeight)};
}

}  // namespace tumbleview
