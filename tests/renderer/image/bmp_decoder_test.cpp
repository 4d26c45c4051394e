// The bitmap decoder: one picture in every storage it reads, a catalogue of
// damaged and hostile files with their stated outcomes, and the committed
// fuzz corpus replayed against the outcomes pinned for it.  Under the
// sanitizers these also catch out-of-bounds access and undefined arithmetic;
// the fuzz target's bounded run (label fuzz) mutates the same corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bmp_decoder.h"
#include "bmp_test_writer.h"
#include "temp_folder.h"

namespace tumbleview {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::BmpFields;
using test::Picture;
using test::Rgb8;
using test::Storage;

constexpr DibStatus kOk = DibStatus::kOk;
constexpr DibStatus kFormat = DibStatus::kUnknownFormat;
constexpr DibStatus kConvert = DibStatus::kConversionError;
constexpr DibStatus kMemory = DibStatus::kOutOfMemory;

Bytes concat(Bytes a, const Bytes& b) { return a.insert(a.end(), b.begin(), b.end()), a; }
Bytes cut(Bytes bytes, std::size_t size) { return bytes.resize(size), bytes; }

// Palette entry i of the test palettes; never black, so that the black of
// skipped and out-of-table pixels stands out.
Rgb8 colour(unsigned i) { return {std::uint8_t(10 + i), std::uint8_t(100 + i), std::uint8_t(200 + i)}; }

// Expected output written as one string per row, bottom row first: a hex
// digit is that palette entry, '.' is black.
Bytes expect(std::initializer_list<const char*> rows) {
  Bytes out;
  for (const std::string_view row : rows) {
    for (const char c : row) {
      const Rgb8 value = c == '.' ? Rgb8{} : colour(static_cast<unsigned>(std::stoi(std::string(1, c), nullptr, 16)));
      out.insert(out.end(), {value.r, value.g, value.b});
    }
  }
  return out;
}

// A 4 x 2 picture at 24 bits: every pixel a different colour.
BmpFields base24() {
  BmpFields f;
  f.width = 4, f.height = 2;
  for (int i = 0; i < 24; ++i) f.pixelData.push_back(static_cast<std::uint8_t>(i * 11 + 3));
  return f;
}

// Its decoded pixels: each stored B, G, R triple as R, G, B.
Bytes base24Pixels() {
  Bytes out = base24().pixelData;
  for (std::size_t i = 0; i < out.size(); i += 3) std::swap(out[i], out[i + 2]);
  return out;
}

// An indexed picture, 4 wide, with the given pixel bytes.
BmpFields indexed(std::uint16_t bpp, unsigned entries, Bytes pixels, int height = 1) {
  BmpFields f;
  f.width = 4, f.height = height, f.bpp = bpp, f.colorsUsed = entries, f.pixelData = std::move(pixels);
  for (unsigned i = 0; i < entries; ++i) f.palette.push_back(colour(i));
  return f;
}

BmpFields rle(std::uint32_t compression, Bytes stream, int height = 2, unsigned entries = 16) {
  BmpFields f = indexed(compression == 1 ? 8 : 4, entries, std::move(stream), height);
  f.compression = compression;
  return f;
}

Bytes bitFields(std::uint16_t bpp, std::vector<std::uint32_t> masks, Bytes pixels) {
  BmpFields f;
  f.width = 2, f.bpp = bpp, f.compression = 3, f.masks = std::move(masks), f.pixelData = std::move(pixels);
  return test::writeBmp(f);
}

template <typename Change>
Bytes with(BmpFields f, Change change) {
  return change(f), test::writeBmp(f);
}
Bytes with(const BmpFields& f) { return test::writeBmp(f); }
// The 4 x 2 24-bit picture with the fields the statements set.
#define B24(...) with(base24(), [&](BmpFields& f) { __VA_ARGS__; })

// A width x height picture at 24 bits, and limits it can be measured against.
Bytes grey24(int width, int height) {
  return B24(f.width = width, f.height = height, f.pixelData.assign((width * 3 + 3) / 4 * 4 * height, 7));
}
constexpr DibLimits kSmall{.maxSide = 8, .maxPixels = 32};

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

TEST(BmpDecoder, SamePictureDecodesIdenticallyInEveryStorage) {
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
        const DibDecodeResult result = decodeDib(test::encodePicture(picture, storage));
        ASSERT_EQ(result.status, DibStatus::kOk);
        EXPECT_EQ(std::pair(result.image.width, result.image.height), std::pair(width, height));
        const std::vector<std::uint8_t> expected = picture.rgbBytes();
        EXPECT_EQ(result.image.pixels, PixelBytes(expected.begin(), expected.end()));
      }
    }
  }
}

struct Case {
  std::string id;
  Bytes file;
  DibStatus status;
  std::optional<Bytes> pixels = std::nullopt;  // checked when given
  DibLimits limits = {};
};

std::vector<Case> catalogue() {
  const Bytes base = test::writeBmp(base24());
  const Bytes rle16 = test::writeBmp(rle(1, {4, 1, 0, 0, 0, 2, 1, 0, 1, 2, 0, 1}));
  std::vector<Case> cases = {
      // Container and header.
      {"A01 empty", {}, kFormat},
      {"A02 only BM", {'B', 'M'}, kFormat},
      {"A03 13-byte file header", cut(base, 13), kFormat},
      {"A04 magic MB", concat({'M', 'B'}, Bytes(base.begin() + 2, base.end())), kFormat},
      {"A05 magic BA", concat({'B', 'A'}, Bytes(base.begin() + 2, base.end())), kFormat},
      {"A06 header size 0", B24(f.headerSize = 0), kFormat},
      {"A07 header size 13", B24(f.headerSize = 13), kFormat},
      {"A08 header size 0xFFFFFFF0", B24(f.headerSize = 0xFFFFFFF0), kFormat},
      {"A09 header size 124 cut mid-header", cut(B24(f.headerSize = 124), 80), kFormat},
      {"A10 info header cut at byte 30", cut(base, 14 + 30), kFormat},
      {"A11 pixel offset inside the header", B24(f.pixelOffset = 20), kConvert},
      {"A12 pixel offset far past the end", B24(f.pixelOffset = 0x7FFFFFF0), kConvert},
      {"A12b pixel offset at the end", B24(f.pixelOffset = 54 + 24), kConvert},
      {"A13 pixel offset 0", B24(f.pixelOffset = 0), kOk, base24Pixels()},
      {"A14 file size 7", B24(f.fileSize = 7), kOk, base24Pixels()},
      {"A15 planes 0", B24(f.planes = 0), kConvert},
      {"A16 planes 2", B24(f.planes = 2), kConvert},
      {"A18 compression 7", B24(f.compression = 7), kConvert},
      {"A19 JPEG in BMP", B24(f.compression = 4, f.bpp = 0), kConvert},
      {"A19b PNG in BMP", B24(f.compression = 5, f.bpp = 0), kConvert},
      {"A20 RLE8 at 4 bits", with(rle(1, {2, 1, 0, 1}), [](BmpFields& f) { f.bpp = 4; }), kConvert},
      {"A21 RLE4 at 8 bits", with(rle(2, {2, 1, 0, 1}), [](BmpFields& f) { f.bpp = 8; }), kConvert},
      {"A22 bit fields at 24 bits", bitFields(24, {0xFF0000, 0xFF00, 0xFF}, Bytes(8)), kConvert},
      {"A23 image size 0xFFFFFFFF", B24(f.sizeImage = 0xFFFFFFFF), kOk, base24Pixels()},
      {"A24 resolution INT_MIN", B24(f.xPelsPerMeter = f.yPelsPerMeter = INT_MIN), kOk, base24Pixels()},

      // Dimensions and memory.
      {"B01 width 0", B24(f.width = 0), kMemory},
      {"B02 height 0", B24(f.height = 0), kMemory},
      {"B03 width -4", B24(f.width = -4), kMemory},
      {"B04 height INT32_MIN", B24(f.height = INT32_MIN), kMemory},
      {"B05 30000x30000 in 70 bytes", cut(B24(f.width = f.height = 30000), 70), kMemory},
      {"B06 65536x65536 at 32 bits", B24(f.width = f.height = 65536, f.bpp = 32), kMemory},
      {"B07 width 0x7FFFFFFF", B24(f.width = 0x7FFFFFFF, f.bpp = 32), kMemory},
      {"B08 16777216x1 at 1 bit", with(indexed(1, 2, Bytes(1 << 21)), [](BmpFields& f) { f.width = 1 << 24; }), kMemory},
      {"B09 core width 0x8000", with(indexed(1, 2, Bytes(4096)), [](BmpFields& f) { f.headerSize = 12, f.width = 0x8000; }), kMemory},
      {"B10 core width 0xFFFF", with(indexed(1, 2, Bytes(8192)), [](BmpFields& f) { f.headerSize = 12, f.width = 0xFFFF; }), kMemory},
      {"B10b core width 0x8000 is unsigned", with(indexed(1, 2, Bytes(4096, 0xFF)), [](BmpFields& f) { f.headerSize = 12, f.width = 0x8000; }), kOk, std::nullopt, DibLimits{.maxSide = 0xFFFF}},
      {"B11 4097x1", grey24(4097, 1), kOk},
      {"B12 side one past the limit", grey24(9, 1), kMemory, std::nullopt, kSmall},
      {"B13 pixel count at the limit", grey24(8, 4), kOk, std::nullopt, kSmall},
      {"B14 pixel count one row past the limit", grey24(8, 5), kMemory, std::nullopt, kSmall},

      // Colour tables.
      {"C01 8 bits without a table", with(indexed(8, 0, Bytes(1100, 1)), [](BmpFields& f) { f.colorsUsed = 0; }), kConvert},
      {"C02 300 colours at 8 bits", with(indexed(8, 256, {0, 1, 15, 2}), [](BmpFields& f) { f.colorsUsed = 300; }), kOk, expect({"01f2"})},
      {"C03 0xFFFFFFFF colours", with(indexed(8, 256, {3, 2, 1, 0}), [](BmpFields& f) { f.colorsUsed = 0xFFFFFFFF; }), kOk, expect({"3210"})},
      {"C03b 0xFFFFFFFF colours, bare header", with(indexed(8, 256, {3, 2, 1, 0}), [](BmpFields& f) { f.colorsUsed = 0xFFFFFFFF, f.fileHeader = false; }), kConvert},
      {"C03c colours used 0x10000 counts as none", with(indexed(8, 256, {3, 2, 1, 0}), [](BmpFields& f) { f.colorsUsed = 0x10000; }), kOk, expect({"3210"})},
      {"C04 17 colours at 4 bits", with(indexed(4, 17, {0x01, 0xEF, 0, 0})), kOk, expect({"01ef"})},
      {"C05 3 colours, index 200", with(indexed(8, 3, {0, 200, 2, 3})), kOk, expect({"0.2."})},
      {"C06 table cut by the end", cut(test::writeBmp(indexed(8, 256, {0, 1, 2, 3})), 54 + 400), kConvert},
      {"C06b table cut, bare header", cut(with(indexed(8, 256, {0, 1, 2, 3}), [](BmpFields& f) { f.fileHeader = false; }), 40 + 400), kConvert},
      {"C06c pixel offset inside the used table", with(indexed(8, 4, {0, 1, 2, 3}), [](BmpFields& f) { f.pixelOffset = 54 + 8; }), kConvert},
      {"C07 core 8 bits, 3-byte entries", with(indexed(8, 256, {5, 4, 0xA, 0xB}), [](BmpFields& f) { f.headerSize = 12; }), kOk, expect({"54ab"})},
      {"C08 4 bits, 3 colours", with(indexed(4, 3, {0x01, 0x21, 0, 0})), kOk, expect({"0121"})},
      {"C09 1 bit, 1 colour, index 0", with(indexed(1, 1, {0, 0, 0, 0})), kOk, expect({"0000"})},
      {"C10 1 bit, 1 colour, index 1", with(indexed(1, 1, {0x50, 0, 0, 0})), kOk, expect({"0.0."})},

      // Bit fields.
      {"D01 all masks 0", bitFields(16, {0, 0, 0}, Bytes(4)), kConvert},
      {"D02 red mask 0xFFFFFFFF", bitFields(32, {0xFFFFFFFF, 0xFF00, 0xFF}, Bytes(8)), kConvert},
      {"D02b lone mask 0xFFFFFFFF", bitFields(32, {0xFFFFFFFF, 0, 0}, {1, 2, 3, 0xF0, 0, 0, 0, 0}), kOk, Bytes{0xF0, 0, 0, 0, 0, 0}},
      {"D03 overlapping masks", bitFields(16, {0xF800, 0x0FE0, 0x1F}, Bytes(4)), kConvert},
      {"D04 non-contiguous mask", bitFields(16, {0xF000, 0x0F00, 0x00F1}, Bytes(4)), kConvert},
      {"D05 mask above bit 15 at 16 bits", bitFields(16, {0x1F0000, 0x3E0, 0x1F}, Bytes(4)), kConvert},
      {"D06 masks cut by the end", cut(bitFields(16, {0xF800, 0x7E0, 0x1F}, {}), 14 + 40 + 6), kConvert},
      {"D07 5-6-5", bitFields(16, {0xF800, 0x7E0, 0x1F}, {0xFF, 0xFF, 0x10, 0x84}), kOk, Bytes{255, 255, 255, 132, 130, 132}},
      {"D08 8-8-0", bitFields(16, {0xFF00, 0x00FF, 0}, {0x34, 0x12, 0xFF, 0x00}), kOk, Bytes{0x12, 0x34, 0, 0, 0xFF, 0}},
      {"D09 10-10-10 keeps the top bits", bitFields(32, {0x3FF00000, 0xFFC00, 0x3FF}, {0xFF, 0x03, 0x00, 0x0C, 0, 0, 0, 0}), kOk, Bytes{0x30, 0, 0xFF, 0, 0, 0}},
      {"D10 plain 16 bits is 5-5-5", B24(f.width = 2, f.height = 1, f.bpp = 16, f.pixelData = {0xFF, 0xFF, 0x10, 0x42}), kOk, Bytes{255, 255, 255, 132, 132, 132}},

      // Uncompressed pixel data.
      {"E01 half the pixels missing", cut(base, 54 + 12), kConvert},
      {"E02 last row cut by 3 bytes", cut(base, base.size() - 3), kConvert},
      {"E02b last row without its padding", cut(B24(f.width = 3), 54 + 12 + 9), kOk},
      {"E03 no pixel bytes", cut(base, 54), kConvert},
      {"E05 32 bits, 4th byte 0, is opaque", B24(f.width = 2, f.height = 1, f.bpp = 32, f.pixelData = {1, 2, 3, 0, 4, 5, 6, 0}), kOk, Bytes{3, 2, 1, 6, 5, 4}},

      // RLE.  Rows are 4 wide, 2 high, with a 16-entry table.
      {"F01 encoded run of 200", with(rle(1, {200, 1, 0, 0, 2, 2, 0, 1})), kOk, expect({"1111", "22.."})},
      {"F02 absolute run of 9", with(rle(1, {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 1, 5, 0, 1})), kOk, expect({"1234", "5..."})},
      {"F03 delta past the row end", with(rle(1, {0, 2, 250, 0, 2, 7, 0, 0, 1, 3, 0, 1})), kOk, expect({"....", "3..."})},
      {"F04 delta past the top", with(rle(1, {1, 4, 0, 2, 0, 250, 4, 5, 0, 1})), kOk, expect({"4...", "...."})},
      {"F05 ten end-of-lines, then data", with(rle(1, concat({1, 6}, concat(Bytes(20, 0), {4, 7})))), kOk, expect({"6...", "...."})},
      {"F06 no end-of-bitmap", with(rle(1, {4, 1, 0, 0, 3, 2})), kOk, expect({"1111", "222."})},
      {"F07 escape, then the end", with(rle(1, {4, 1, 0})), kOk, expect({"1111", "...."})},
      {"F07b delta cut by the end", with(rle(1, {4, 1, 0, 2, 1})), kOk, expect({"1111", "...."})},
      {"F08 absolute run cut by the end", with(rle(1, {0, 4, 9, 8})), kOk, expect({"98..", "...."})},
      {"F09 odd absolute run, pad byte missing", with(rle(1, {0, 3, 9, 8, 7})), kOk, expect({"987.", "...."})},
      {"F10 RLE top-down", with(rle(1, {4, 1, 0, 1}), [](BmpFields& f) { f.height = -2; }), kConvert},
      {"F10b RLE4 top-down", with(rle(2, {4, 0x11, 0, 1}), [](BmpFields& f) { f.height = -2; }), kConvert},
      {"F11 16384x16384 RLE8 in 2 bytes", with(rle(1, {0, 1}), [](BmpFields& f) { f.width = f.height = 16384; }), kMemory},
      {"F11b 8000x8000 RLE8 in 2 bytes", with(rle(1, {0, 1}), [](BmpFields& f) { f.width = f.height = 8000; }), kConvert},
      {"F11c RLE without a stream", with(rle(1, {})), kConvert},
      {"F12 RLE8 index past a 2-entry table", with(rle(1, {2, 250, 2, 1, 0, 1}, 1, 2)), kOk, expect({"..11"})},
      {"F13 RLE4 odd run past the row", with(rle(2, {5, 0x12, 0, 0, 3, 0x34, 0, 1})), kOk, expect({"1212", "343."})},
      {"F14 RLE4 odd absolute runs", with(rle(2, {0, 3, 0x12, 0x30, 0, 0, 0, 3, 0xAB, 0xC0, 0, 1})), kOk, expect({"123.", "abc."})},
      {"F15 RLE4 absolute run past the row", with(rle(2, {0, 7, 0x12, 0x34, 0x56, 0x70, 0, 0, 1, 0xFF, 0, 1})), kOk, expect({"1234", "f..."})},
      {"F16 RLE8 with a delta", rle16, kOk, expect({"1111", ".2.."})},
      {"F17 junk after end-of-bitmap", concat(rle16, Bytes(64, 0x11)), kOk, expect({"1111", ".2.."})},
  };
  for (unsigned bpp : {0u, 2u, 3u, 7u, 15u, 33u, 64u, 65535u}) {
    cases.push_back({"A17 depth " + std::to_string(bpp), B24(f.bpp = static_cast<std::uint16_t>(bpp)), kConvert});
  }
  return cases;
}

// Decodes again into buffers that held different garbage, of the right size
// and of another one: any output byte the decoder fails to write shows up as
// a difference.
void expectDeterministic(const Bytes& file) {
  RgbImage first;
  const DibStatus status = decodeDibInto(file, first);
  for (const auto& [extra, garbage] : {std::pair{0, 0xAA}, {0, 0x55}, {7, 0x33}}) {
    RgbImage again;
    again.pixels.assign(first.pixels.size() + extra, static_cast<std::uint8_t>(garbage));
    ASSERT_EQ(decodeDibInto(file, again), status);
    ASSERT_EQ(again.pixels, first.pixels);
  }
}

TEST(BmpDecoder, CatalogueGivesItsStatedOutcomeDeterministically) {
  for (const Case& c : catalogue()) {
    SCOPED_TRACE(c.id);
    const DibDecodeResult result = decodeDib(c.file, c.limits);
    ASSERT_EQ(result.status, c.status);
    const auto& image = result.image;
    EXPECT_EQ(image.pixels.size(), c.status != kOk ? 0 : std::size_t(image.width) * std::size_t(image.height) * 3);
    if (c.pixels) { EXPECT_EQ(image.pixels, PixelBytes(c.pixels->begin(), c.pixels->end())); }
    expectDeterministic(c.file);
  }
}

// Pictures large enough for the huge-page storage, decoded into fresh
// buffers and into ones of the other sizes: same bytes, and under the
// sanitizers every block is released the way it was made.
TEST(BmpDecoder, LargeAndSmallBuffersHoldTheSamePicture) {
  RgbImage image;
  const std::pair<int, int> sizes[] = {{1500, 1000}, {3, 2}, {1600, 1000}, {1500, 1000}};
  for (const auto& [width, height] : sizes) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    const Bytes file = grey24(width, height);
    ASSERT_EQ(decodeDibInto(file, image), kOk);
    EXPECT_EQ(image.pixels, PixelBytes(std::size_t(width) * std::size_t(height) * 3, 7));
    expectDeterministic(file);
  }
}

// Status, size and a hash of the pixels: what the outcome table pins.
std::string outcomeOf(const Bytes& file) {
  static const char* const kNames[] = {"ok", "unknown-format", "conversion-error", "out-of-memory"};
  const DibDecodeResult result = decodeDib(file);
  std::uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a
  for (std::uint8_t byte : result.image.pixels) hash = (hash ^ byte) * 0x100000001b3u;
  std::ostringstream outcome;
  outcome << kNames[static_cast<int>(result.status)] << ' ' << result.image.width << 'x' << result.image.height << ' '
          << std::hex << hash;
  return result.status == kOk ? outcome.str() : kNames[static_cast<int>(result.status)];
}

// The fuzzer's committed corpus (seeds and minimised finds) must keep the
// outcomes pinned for it, one line per file: name, then the outcome.
TEST(BmpDecoder, CorpusKeepsItsPinnedOutcomes) {
  std::map<std::string, std::string> pinned;
  std::ifstream table(TUMBLEVIEW_BMP_CORPUS_OUTCOMES);
  for (std::string name, outcome; table >> name && std::getline(table >> std::ws, outcome);) pinned[name] = outcome;
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TUMBLEVIEW_BMP_CORPUS)) {
    const std::string name = entry.path().filename().string();
    const Bytes file = test::readFile(entry.path());
    EXPECT_EQ(pinned[name], outcomeOf(file)) << "the line for this file: " << name << ' ' << outcomeOf(file);
    expectDeterministic(file);
    ++files;
  }
  EXPECT_EQ(files, pinned.size()) << "the table pins files that are not in the corpus";
  EXPECT_GT(files, 20u);
}

}  // namespace
}  // namespace tumbleview
