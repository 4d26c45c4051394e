// Writes bitmap files for the decoder's tests: any header field can be set
// to any value, so the same writer makes well-formed and hostile files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tumbleview::test {

struct Rgb8 {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb8&, const Rgb8&) = default;
};

// width x height pixels, bottom row first (the order of RgbImage).
struct Picture {
  int width = 0, height = 0;
  std::vector<Rgb8> pixels;

  // The bytes an RgbImage of this picture holds.
  std::vector<std::uint8_t> rgbBytes() const;
};

// Header fields, written verbatim.  Header sizes other than 12 and 40 get
// the 40-byte fields followed by zeros.
struct BmpFields {
  bool fileHeader = true;
  std::uint32_t headerSize = 40;
  std::int32_t width = 1, height = 1;  // 16-bit unsigned in a 12-byte header
  std::uint16_t planes = 1, bpp = 24;
  std::uint32_t compression = 0, sizeImage = 0;
  std::int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
  std::uint32_t colorsUsed = 0, colorsImportant = 0;
  std::optional<std::uint32_t> pixelOffset;  // default: right after the table
  std::optional<std::uint32_t> fileSize;     // default: the real size
  std::vector<std::uint32_t> masks;          // written after the header
  std::vector<Rgb8> palette;                 // 3 bytes each in a 12-byte header, else 4
  std::vector<std::uint8_t> pixelData;
};

std::vector<std::uint8_t> writeBmp(const BmpFields& fields);

// Every way the decoder can store a picture.  Indexed storages use a short
// colour table (a full one for core headers); RLE streams mix encoded and
// absolute runs; bit fields are 5-6-5 and 8-8-8 in 32 bits.
enum class Storage {
  kInfo1, kInfo4, kInfo8, kInfo16, kInfo24, kInfo32, kInfoRle4, kInfoRle8,
  kBitFields565, kBitFields32, kCore1, kCore4, kCore8, kCore24,
  kTopDown24, kTopDown8, kBare8, kBareCore4, kCount
};
std::string storageName(Storage storage);
// Bits per pixel of the storage; the picture must have at most 2^bpp
// colours for the indexed ones.
int storageDepth(Storage storage);
std::vector<std::uint8_t> encodePicture(const Picture& picture, Storage storage);

}  // namespace tumbleview::test
