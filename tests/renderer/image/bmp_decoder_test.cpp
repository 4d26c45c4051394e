#include "bmp_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "bmp_test_writer.h"

namespace tumbleview {
namespace {

using test::Picture;
using test::Rgb8;
using test::Storage;

// Channel values that survive every storage exactly, 5-5-5 and 5-6-5
// included: 8, 16 and 24 are whole steps of both, and 255 is their top.
constexpr std::array<std::uint8_t, 5> kExactLevels = {0, 8, 16, 24, 255};

Picture makePicture(int width, int height, int colours) {
  std::vector<Rgb8> palette;
  for (std::uint8_t r : kExactLevels)
    for (std::uint8_t g : kExactLevels)
      for (std::uint8_t b : kExactLevels) palette.push_back({r, g, b});
  std::rotate(palette.begin(), palette.begin() + 31, palette.end());
  Picture picture{width, height, {}};
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) {
      // Runs of equal pixels mixed with changes, so RLE uses both run kinds.
      const int index = (x / 4 % 2 == 0) ? (x / 4 + row) : (x * 7 + row * 13);
      picture.pixels.push_back(palette[static_cast<std::size_t>(index % colours)]);
    }
  }
  return picture;
}

TEST(BmpDecoder, SamePictureDecodesIdenticallyAtEveryDepthAndCompression) {
  // Width 3 checks that decoded rows are unpadded (9 bytes, not 12).
  for (int s = 0; s < static_cast<int>(Storage::kCount); ++s) {
    const Storage storage = static_cast<Storage>(s);
    const int depth = test::storageDepth(storage);
    const int colours = depth >= 8 ? 125 : 1 << depth;
    for (int width : {1, 2, 3, 5, 31, 33, 300}) {
      for (int height : {1, 2, 3}) {
        SCOPED_TRACE(test::storageName(storage) + " " + std::to_string(width) + "x" +
                     std::to_string(height));
        const Picture picture = makePicture(width, height, colours);
        const auto file = test::encodePicture(picture, storage);
        const DibDecodeResult result = decodeDib(file);
        ASSERT_EQ(result.status, DibStatus::kOk);
        EXPECT_EQ(result.image.width, width);
        EXPECT_EQ(result.image.height, height);
        const std::vector<std::uint8_t> expected = picture.rgbBytes();
        EXPECT_EQ(result.image.pixels, PixelBytes(expected.begin(), expected.end()));
      }
    }
  }
}

}  // namespace
}  // namespace tumbleview
