#include "bmp_test_writer.h"

#include <algorithm>
#include <stdexcept>

namespace tumbleview::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& out, std::uint32_t value) { out.insert(out.end(), {std::uint8_t(value), std::uint8_t(value >> 8)}); }
void put32(Bytes& out, std::uint32_t value) { put16(out, value & 0xFFFF), put16(out, value >> 16); }

std::size_t rowStride(int width, int bpp) { return (static_cast<std::size_t>(width) * bpp + 31) / 32 * 4; }

// A picture split into a colour table and one index per pixel.
struct Indexed {
  std::vector<Rgb8> palette;
  Bytes indices;  // bottom row first
};

Indexed toIndexed(const Picture& picture) {
  Indexed out;
  for (const Rgb8& p : picture.pixels) {
    auto found = std::find(out.palette.begin(), out.palette.end(), p);
    if (found == out.palette.end()) {
      if (out.palette.size() == 256) throw std::invalid_argument("more than 256 colours");
      found = out.palette.insert(out.palette.end(), p);
    }
    out.indices.push_back(static_cast<std::uint8_t>(found - out.palette.begin()));
  }
  return out;
}

// Stored rows, each padded to 4 bytes, bottom row first unless `topDown`.
// Pixel values are little-endian bpp-bit numbers; below 8 bits the first
// pixel takes the high bits of its byte.
template <typename Value>
Bytes packRows(const Picture& picture, int bpp, bool topDown, Value value) {
  const std::size_t stride = rowStride(picture.width, bpp);
  Bytes out(stride * static_cast<std::size_t>(picture.height), 0);
  for (int row = 0; row < picture.height; ++row) {
    std::uint8_t* line = &out[stride * static_cast<std::size_t>(topDown ? picture.height - 1 - row : row)];
    for (int x = 0; x < picture.width; ++x) {
      const std::uint32_t v = value(static_cast<std::size_t>(row * picture.width + x));
      const std::size_t bit = static_cast<std::size_t>(x) * bpp;
      if (bpp < 8) line[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bpp - bit % 8));
      for (int k = 0; k < bpp / 8; ++k) line[bit / 8 + k] = static_cast<std::uint8_t>(v >> 8 * k);
    }
  }
  return out;
}

std::size_t runAt(const Bytes& row, std::size_t i) {
  std::size_t run = 1;
  while (i + run < row.size() && row[i + run] == row[i] && run < 255) ++run;
  return run;
}

// Encoded runs for repeats of 3 or more, absolute runs for stretches of 3 or
// more changes, single encoded pixels otherwise; an end-of-line after every
// row and end-of-bitmap at the end.  RLE4 packs two indices per byte.
Bytes encodeRle(const Picture& picture, const Indexed& indexed, bool rle4) {
  Bytes out;
  const auto pair = [rle4](unsigned a, unsigned b) { return static_cast<std::uint8_t>(rle4 ? a << 4 | b : a); };
  for (int row = 0; row < picture.height; ++row) {
    const auto begin = indexed.indices.begin() + static_cast<long>(row) * picture.width;
    const Bytes line(begin, begin + picture.width);
    for (std::size_t i = 0; i < line.size();) {
      const std::size_t run = runAt(line, i);
      std::size_t end = i;
      while (run < 3 && end < line.size() && end - i < 255 && runAt(line, end) < 3) ++end;
      if (run >= 3 || end - i < 3) {
        const std::size_t count = run >= 3 ? run : 1;
        out.insert(out.end(), {static_cast<std::uint8_t>(count), pair(line[i], line[i])});
        i += count;
        continue;
      }
      out.insert(out.end(), {0, static_cast<std::uint8_t>(end - i)});
      const std::size_t start = out.size();
      for (std::size_t k = i; k < end; k += rle4 ? 2 : 1) out.push_back(pair(line[k], k + 1 < end ? line[k + 1] : 0));
      if ((out.size() - start) % 2 != 0) out.push_back(0);
      i = end;
    }
    if (row + 1 < picture.height) out.insert(out.end(), {0, 0});
  }
  out.insert(out.end(), {0, 1});
  return out;
}

constexpr const char* kStorageNames[] = {"Info1", "Info4", "Info8", "Info16", "Info24", "Info32", "InfoRle4",
                                         "InfoRle8", "BitFields565", "BitFields32", "Core1", "Core4", "Core8",
                                         "Core24", "TopDown24", "TopDown8", "Bare8", "BareCore4"};
constexpr int kStorageDepths[] = {1, 4, 8, 16, 24, 32, 4, 8, 16, 32, 1, 4, 8, 24, 24, 8, 8, 4};

}  // namespace

std::vector<std::uint8_t> Picture::rgbBytes() const {
  Bytes out;
  for (const Rgb8& p : pixels) out.insert(out.end(), {p.r, p.g, p.b});
  return out;
}

std::vector<std::uint8_t> writeBmp(const BmpFields& f) {
  Bytes header;
  put32(header, f.headerSize);
  const bool core = f.headerSize == 12;
  for (auto v : {static_cast<std::uint32_t>(f.width), static_cast<std::uint32_t>(f.height)}) core ? put16(header, v & 0xFFFF) : put32(header, v);
  put16(header, f.planes);
  put16(header, f.bpp);
  if (!core) {
    for (auto v : {f.compression, f.sizeImage, static_cast<std::uint32_t>(f.xPelsPerMeter),
                   static_cast<std::uint32_t>(f.yPelsPerMeter), f.colorsUsed, f.colorsImportant}) put32(header, v);
    if (f.headerSize > header.size() && f.headerSize < 4096) header.resize(f.headerSize, 0);
  }
  for (std::uint32_t mask : f.masks) put32(header, mask);
  for (const Rgb8& c : f.palette) core ? header.insert(header.end(), {c.b, c.g, c.r}) : header.insert(header.end(), {c.b, c.g, c.r, 0});
  Bytes out;
  if (f.fileHeader) {
    const std::size_t offset = 14 + header.size();
    out = {'B', 'M'};
    put32(out, f.fileSize.value_or(static_cast<std::uint32_t>(offset + f.pixelData.size())));
    put32(out, 0);
    put32(out, f.pixelOffset.value_or(static_cast<std::uint32_t>(offset)));
  }
  out.insert(out.end(), header.begin(), header.end());
  out.insert(out.end(), f.pixelData.begin(), f.pixelData.end());
  return out;
}

std::string storageName(Storage storage) { return kStorageNames[static_cast<int>(storage)]; }
int storageDepth(Storage storage) { return kStorageDepths[static_cast<int>(storage)]; }

std::vector<std::uint8_t> encodePicture(const Picture& picture, Storage storage) {
  BmpFields f;
  f.width = picture.width;
  f.height = picture.height;
  f.bpp = static_cast<std::uint16_t>(storageDepth(storage));
  const Indexed indexed = f.bpp <= 8 ? toIndexed(picture) : Indexed{};
  f.palette = indexed.palette;
  switch (storage) {
    case Storage::kCore1: case Storage::kCore4: case Storage::kCore8: case Storage::kBareCore4:
      f.palette.resize(std::size_t{1} << f.bpp);  // a core table always has 2^bpp entries
      [[fallthrough]];
    case Storage::kCore24:
      f.headerSize = 12;
      break;
    default:
      f.colorsUsed = static_cast<std::uint32_t>(f.palette.size());
  }
  f.fileHeader = storage != Storage::kBare8 && storage != Storage::kBareCore4;
  if (storage == Storage::kBitFields565) f.masks = {0xF800, 0x07E0, 0x001F};
  if (storage == Storage::kBitFields32) f.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
  if (!f.masks.empty()) f.compression = 3;
  if (storage == Storage::kInfoRle4 || storage == Storage::kInfoRle8) {
    f.compression = storage == Storage::kInfoRle8 ? 1 : 2;
    f.pixelData = encodeRle(picture, indexed, storage == Storage::kInfoRle4);
    return writeBmp(f);
  }
  const bool topDown = storage == Storage::kTopDown24 || storage == Storage::kTopDown8;
  if (topDown) f.height = -picture.height;
  f.pixelData = packRows(picture, f.bpp, topDown, [&](std::size_t i) -> std::uint32_t {
    const Rgb8 p = picture.pixels[i];
    if (f.bpp <= 8) return indexed.indices[i];
    if (storage == Storage::kBitFields565) return (p.r >> 3) << 11 | (p.g >> 2) << 5 | p.b >> 3;
    if (f.bpp == 16) return (p.r >> 3) << 10 | (p.g >> 3) << 5 | p.b >> 3;
    // The 4th byte at 32 bits is neither alpha nor zero, to show it is ignored.
    return static_cast<std::uint32_t>(storage == Storage::kBitFields32 ? 0x5A : 0x33) << 24 | p.r << 16 | p.g << 8 | p.b;
  });
  return writeBmp(f);
}

}  // namespace tumbleview::test
