#include "dialog_layout.h"

#include <cmath>

#include "basic_conversions.h"
#include "iconv_cp932.h"
#include "settings_file.h"

namespace tumbleview {
namespace {

constexpr double kGradientDivisor = 3.142;
constexpr double kGradientPeak = 220;
constexpr double kPreviewBox = 80;

}  // namespace

DialogPlacement placeDialog(int screenWidth, int screenHeight, int outerWidth, int outerHeight) {
  return {(screenWidth - outerWidth) / 2, (screenHeight - outerHeight) / 3};
}

int gradientLevel(int y, int clientHeight) {
  const double level = std::fabs(std::sin(y / (clientHeight / kGradientDivisor))) * kGradientPeak;
  // The default rounding mode sends halves to the even neighbour.
  return static_cast<int>(std::nearbyint(level));
}

std::vector<TileOrigin> tileOrigins(int targetWidth, int targetHeight, int tileWidth,
                                    int tileHeight) {
  std::vector<TileOrigin> origins;
  if (tileWidth <= 0 || tileHeight <= 0) return origins;
  int x = 0;
  int y = 0;
  for (;;) {
    origins.push_back({x, y});
    if (y > targetHeight) {
      if (x > targetWidth) break;
      x += tileWidth;
      y = 0;
    } else {
      y += tileHeight;
    }
  }
  return origins;
}

PreviewExtent previewExtent(int pictureWidth, int pictureHeight) {
  const double w = pictureWidth;
  const double h = pictureHeight;
  if (w > h) return {kPreviewBox, kPreviewBox * h / w};
  return {kPreviewBox * w / h, kPreviewBox};
}

std::optional<int> wholePixels(double extent) {
  const std::optional<std::int16_t> pixels = toInt16Rounded(extent);
  if (!pixels) return std::nullopt;
  return *pixels;
}

bool settingsFileHoldsPath(const std::string& path) {
  std::size_t bytes = 0;
  for (const char32_t c : decodeUtf8(path)) {
    const std::size_t inCp932 = cp932Length(c);
    bytes += inCp932 != 0 ? inCp932 : encodeUtf8(std::u32string(1, c)).size();
  }
  return bytes <= kReadIniLimit;
}

}  // namespace tumbleview
