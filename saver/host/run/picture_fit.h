// The size at which a picture goes to the renderer.  The renderer refuses
// bitmaps beyond its limits ("Out of memory."), while the saver loads larger
// pictures and a desktop over several monitors can be wider: such pictures
// are scaled down to fit, keeping their aspect ratio.  Sizes are pixels.
#pragma once

#include <cstdint>

namespace tumbleview {

struct PictureSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// The renderer's own limits (its decoder's defaults): longest side and
// width x height.
struct RendererLimits {
  std::int64_t maxSide = 0;
  std::int64_t maxPixels = 0;
};
RendererLimits rendererLimits();

// `size` itself when it is within `limits` (or empty); otherwise the
// largest size that is, with both sides scaled by the same factor, rounded
// down, and at least 1.
PictureSize fitWithin(PictureSize size, const RendererLimits& limits);

}  // namespace tumbleview
