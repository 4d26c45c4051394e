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

Picture MakePicture(int width, int height, int colours) {
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

constexpr std::array kAllStorages = {
    Storage::kInfo1,  Storage::kInfo4,        Storage::kInfo8,       Storage::kInfo16,
    Storage::kInfo24, Storage::kInfo32,       Storage::kInfoRle4,    Storage::kInfoRle8,
    Storage::kBitFields565, Storage::kBitFields32, Storage::kCore1, Storage::kCore4,
    Storage::kCore8,  Storage::kCore24,       Storage::kTopDown24,   Storage::kTopDown8,
    Storage::kBare8,  Storage::kBareCore4,
};

TEST(BmpDecoder, SamePictureDecodesIdenticallyAtEveryDepthAndCompression) {
  for (Storage storage : kAllStorages) {
    const int depth = test::StorageDepth(storage);
    const int colours = depth >= 8 ? 125 : 1 << depth;
    for (int width : {1, 2, 3, 5, 31, 33, 300}) {
      for (int height : {1, 2, 3}) {
        SCOPED_TRACE(test::StorageName(storage) + " " + std::to_string(width) + "x" +
                     std::to_string(height));
        const Picture picture = MakePicture(width, height, colours);
        const auto file = test::EncodePicture(picture, storage);
        const DibDecodeResult result = DecodeDib(file);
        ASSERT_EQ(result.status, DibStatus::kOk);
        EXPECT_EQ(result.image.width, width);
        EXPECT_EQ(result.image.height, height);
        EXPECT_EQ(result.image.pixels, picture.rgbBytes());
      }
    }
  }
}

TEST(BmpDecoder, Width3RowsAreExactlyNineBytes) {
  // Stored rows are padded to 12 bytes; decoded ones must not be.
  const Picture picture{3, 2, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {8, 16, 24}, {255, 255, 255}, {0, 0, 0}}};
  const auto result = DecodeDib(test::EncodePicture(picture, Storage::kInfo24));
  ASSERT_EQ(result.status, DibStatus::kOk);
  ASSERT_EQ(result.image.pixels.size(), 18u);
  EXPECT_EQ(result.image.pixels, (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255,  //
                                                            8, 16, 24, 255, 255, 255, 0, 0, 0}));
}

}  // namespace
}  // namespace tumbleview
