#include "bmp_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

namespace tumbleview {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kPixelOffsetField = 10;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::size_t kMaskBytes = 12;

constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;
constexpr std::uint32_t kCompressionBitFields = 3;

// Reads from the input that check their own range, so that no request,
// however wrong, can reach outside it: a run of bytes that does not lie
// wholly inside comes back empty, a number that does not reads as 0.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : m_data(data) {}

  std::uint64_t size() const { return m_data.size(); }
  bool holds(std::uint64_t offset, std::uint64_t count) const {
    return offset <= m_data.size() && count <= m_data.size() - offset;
  }
  std::span<const std::uint8_t> bytes(std::uint64_t offset, std::uint64_t count) const {
    if (!holds(offset, count)) return {};
    return m_data.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
  }
  // Everything from `offset` to the end; empty when `offset` is past it.
  std::span<const std::uint8_t> rest(std::uint64_t offset) const {
    return offset < m_data.size() ? m_data.subspan(static_cast<std::size_t>(offset)) : std::span<const std::uint8_t>();
  }
  std::uint16_t u16(std::uint64_t offset) const {
    const std::span<const std::uint8_t> b = bytes(offset, 2);
    return b.empty() ? 0 : static_cast<std::uint16_t>(b[0] | (b[1] << 8));
  }
  std::uint32_t u32(std::uint64_t offset) const {
    const std::span<const std::uint8_t> b = bytes(offset, 4);
    if (b.empty()) return 0;
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  }
  std::int32_t i32(std::uint64_t offset) const { return static_cast<std::int32_t>(u32(offset)); }

 private:
  std::span<const std::uint8_t> m_data;
};

// A stream read front to back (the RLE codes): each take hands out at most
// the bytes that are left.
class ByteCursor {
 public:
  explicit ByteCursor(std::span<const std::uint8_t> data) : m_rest(data) {}

  std::span<const std::uint8_t> take(std::size_t count) {
    const std::span<const std::uint8_t> taken = m_rest.first(std::min(count, m_rest.size()));
    m_rest = m_rest.subspan(taken.size());
    return taken;
  }

 private:
  std::span<const std::uint8_t> m_rest;
};

using Rgb = std::array<std::uint8_t, 3>;
// Every index without a table entry is opaque black.
using Palette = std::array<Rgb, 256>;

// What the header says, after validation.
struct Layout {
  std::int64_t width = 0;
  std::int64_t rows = 0;
  bool topDown = false;
  unsigned bpp = 0;
  std::uint32_t compression = kCompressionNone;
  std::array<std::uint32_t, 3> masks{};  // red, green, blue
  std::uint64_t pixelOffset = 0;
  Palette palette{};
};

// One colour channel of a bit-field pixel, widened to 8 bits.
class Channel {
 public:
  explicit Channel(std::uint32_t mask) : m_mask(mask) {
    if (mask == 0) return;
    m_shift = static_cast<unsigned>(std::countr_zero(mask));
    m_bits = static_cast<unsigned>(std::popcount(mask));
    if (m_bits > 8) return;
    for (std::uint32_t value = 0; value < (1u << m_bits); ++value) {
      // Repeat the value's bits from the top down so that all-ones stays
      // full intensity.
      std::uint32_t wide = 0;
      for (int position = 8 - static_cast<int>(m_bits);; position -= static_cast<int>(m_bits)) {
        wide |= position >= 0 ? value << position : value >> -position;
        if (position <= 0) break;
      }
      m_widen[value] = static_cast<std::uint8_t>(wide);
    }
  }

  std::uint8_t operator()(std::uint32_t pixel) const {
    const std::uint32_t value = (pixel & m_mask) >> m_shift;
    if (m_bits <= 8) return m_widen[value];
    return static_cast<std::uint8_t>(value >> (m_bits - 8));
  }

 private:
  std::uint32_t m_mask;
  unsigned m_shift = 0;
  unsigned m_bits = 0;
  std::array<std::uint8_t, 256> m_widen{};
};

bool isContiguous(std::uint32_t mask) {
  if (mask == 0) return true;
  const std::uint32_t shifted = mask >> std::countr_zero(mask);
  return (shifted & (shifted + 1)) == 0;
}

bool masksUsable(const std::array<std::uint32_t, 3>& masks, unsigned bpp) {
  const auto [red, green, blue] = masks;
  if ((red | green | blue) == 0) return false;
  if ((red & green) != 0 || (red & blue) != 0 || (green & blue) != 0) return false;
  if (bpp == 16 && ((red | green | blue) >> 16) != 0) return false;
  return isContiguous(red) && isContiguous(green) && isContiguous(blue);
}

unsigned entriesForDepth(unsigned bpp) {
  switch (bpp) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

bool depthFits(unsigned bpp, std::uint32_t compression) {
  switch (compression) {
    case kCompressionNone:
      return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
    case kCompressionRle8: return bpp == 8;
    case kCompressionRle4: return bpp == 4;
    case kCompressionBitFields: return bpp == 16 || bpp == 32;
    default: return false;
  }
}

DibStatus readLayout(const ByteReader& in, const DibLimits& limits, Layout& layout) {
  const bool fileHeader = in.u16(0) == ('B' | 'M' << 8);
  const std::uint64_t headerStart = fileHeader ? kFileHeaderSize : 0;
  if (!in.holds(headerStart, 4)) return DibStatus::kUnknownFormat;
  const std::uint32_t headerSize = in.u32(headerStart);
  if (headerSize != kCoreHeaderSize && headerSize != kInfoHeaderSize) {
    return DibStatus::kUnknownFormat;
  }
  if (!in.holds(headerStart, headerSize)) return DibStatus::kUnknownFormat;

  const bool core = headerSize == kCoreHeaderSize;
  std::int64_t width = 0;
  std::int64_t height = 0;
  unsigned planes = 0;
  std::uint32_t colorsUsed = 0;
  if (core) {
    width = in.u16(headerStart + 4);
    height = in.u16(headerStart + 6);
    planes = in.u16(headerStart + 8);
    layout.bpp = in.u16(headerStart + 10);
  } else {
    width = in.i32(headerStart + 4);
    height = in.i32(headerStart + 8);
    planes = in.u16(headerStart + 12);
    layout.bpp = in.u16(headerStart + 14);
    layout.compression = in.u32(headerStart + 16);
    colorsUsed = in.u32(headerStart + 32);
  }

  // The size checks come first: they stand for the 24-bit image that could
  // not be made, whatever else is wrong with the file.  height is 64-bit, so
  // negating INT32_MIN is defined; it is then refused by the side limit.
  layout.topDown = height < 0;
  layout.width = width;
  layout.rows = height < 0 ? -height : height;
  if (width < 1 || layout.rows < 1 || width > limits.maxSide || layout.rows > limits.maxSide ||
      width * layout.rows > limits.maxPixels) {
    return DibStatus::kOutOfMemory;
  }

  if (planes != 1 || !depthFits(layout.bpp, layout.compression)) {
    return DibStatus::kConversionError;
  }
  const bool rle = layout.compression == kCompressionRle8 || layout.compression == kCompressionRle4;
  if (rle && layout.topDown) return DibStatus::kConversionError;

  std::uint64_t tableStart = headerStart + headerSize;
  if (layout.compression == kCompressionBitFields) {
    if (!in.holds(tableStart, kMaskBytes)) return DibStatus::kConversionError;
    layout.masks = {in.u32(tableStart), in.u32(tableStart + 4), in.u32(tableStart + 8)};
    if (!masksUsable(layout.masks, layout.bpp)) return DibStatus::kConversionError;
    tableStart += kMaskBytes;
  } else if (layout.bpp == 16) {
    layout.masks = {0x7C00, 0x03E0, 0x001F};
  }

  const std::uint64_t entrySize = core ? 3 : 4;
  std::uint64_t entries = colorsUsed & 0xFFFFu;
  if (entries == 0) entries = entriesForDepth(layout.bpp);
  const std::uint64_t used = std::min<std::uint64_t>(entries, entriesForDepth(layout.bpp));
  const std::span<const std::uint8_t> table = in.bytes(tableStart, used * entrySize);
  if (table.size() != used * entrySize) return DibStatus::kConversionError;
  for (std::size_t i = 0; i < used; ++i) {
    const std::span<const std::uint8_t> entry = table.subspan(i * entrySize, 3);
    layout.palette[i] = {entry[2], entry[1], entry[0]};
  }

  const std::uint64_t afterTable = tableStart + entries * entrySize;
  layout.pixelOffset = afterTable;
  if (fileHeader) {
    const std::uint32_t stored = in.u32(kPixelOffsetField);
    if (stored != 0 && stored < tableStart + used * entrySize) return DibStatus::kConversionError;
    if (stored != 0) layout.pixelOffset = stored;
  }
  if (layout.pixelOffset >= in.size()) return DibStatus::kConversionError;

  const std::uint64_t available = in.size() - layout.pixelOffset;
  const std::uint64_t pixels = static_cast<std::uint64_t>(layout.width * layout.rows);
  if (rle) {
    const std::uint64_t perByte = static_cast<std::uint64_t>(std::max<std::int64_t>(limits.rlePixelsPerByte, 1));
    if (pixels / perByte > available ||
        (pixels / perByte == available && pixels % perByte != 0)) {
      return DibStatus::kConversionError;
    }
  } else {
    const std::uint64_t rowBits = static_cast<std::uint64_t>(layout.width) * layout.bpp;
    const std::uint64_t stride = (rowBits + 31) / 32 * 4;
    const std::uint64_t needed = stride * static_cast<std::uint64_t>(layout.rows - 1) + (rowBits + 7) / 8;
    if (needed > available) return DibStatus::kConversionError;
  }
  return DibStatus::kOk;
}

// ---- Uncompressed rows.  `src` is one stored row as the reader handed it
// out, (width x bpp + 7) / 8 bytes with nothing past the last pixel; every
// row function reads exactly the bytes of `width` pixels.  `dst` takes
// width x 3.

void row24(const std::uint8_t* src, std::uint8_t* dst, std::size_t width) {
  std::size_t x = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Four pixels per step as three 32-bit words, so that the loop runs at
    // memory speed instead of one byte move at a time.
    //   in:  a = b0 g0 r0 b1 | b = g1 r1 b2 g2 | c = r2 b3 g3 r3
    //   out:     r0 g0 b0 r1 |     g1 b1 r2 g2 |     b2 r3 g3 b3
    for (; x + 4 <= width; x += 4, src += 12, dst += 12) {
      std::uint32_t a, b, c;
      std::memcpy(&a, src, 4);
      std::memcpy(&b, src + 4, 4);
      std::memcpy(&c, src + 8, 4);
      const std::uint32_t p = ((a >> 16) & 0xFFu) | (a & 0xFF00u) | ((a & 0xFFu) << 16) |
                              (((b >> 8) & 0xFFu) << 24);
      const std::uint32_t q = (b & 0xFFu) | ((a >> 24) << 8) | ((c & 0xFFu) << 16) | (b & 0xFF000000u);
      const std::uint32_t r = ((b >> 16) & 0xFFu) | ((c >> 24) << 8) | (c & 0xFF0000u) |
                              (((c >> 8) & 0xFFu) << 24);
      std::memcpy(dst, &p, 4);
      std::memcpy(dst + 4, &q, 4);
      std::memcpy(dst + 8, &r, 4);
    }
  }
  for (; x < width; ++x, src += 3, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

void row32(const std::uint8_t* src, std::uint8_t* dst, std::size_t width) {
  for (std::size_t x = 0; x < width; ++x, src += 4, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

void rowIndexed(const std::uint8_t* src, std::uint8_t* dst, std::size_t width, unsigned bpp,
                const Palette& palette) {
  const unsigned perByte = 8 / bpp;
  const unsigned mask = (1u << bpp) - 1;
  for (std::size_t x = 0; x < width; ++x, dst += 3) {
    const unsigned shift = 8 - bpp * (static_cast<unsigned>(x % perByte) + 1);
    const Rgb& colour = palette[(src[x / perByte] >> shift) & mask];
    dst[0] = colour[0];
    dst[1] = colour[1];
    dst[2] = colour[2];
  }
}

// Each colour as 4 bytes (R, G, B, 0), so that a pixel is one 4-byte store
// whose 4th byte the next pixel overwrites.
using WidePalette = std::array<std::array<std::uint8_t, 4>, 256>;

WidePalette widen(const Palette& palette) {
  WidePalette wide{};
  for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = {palette[i][0], palette[i][1], palette[i][2], 0};
  return wide;
}

void rowIndexed8(const std::uint8_t* src, std::uint8_t* dst, std::size_t width, const WidePalette& wide) {
  std::size_t x = 0;
  for (; x + 1 < width; ++x, dst += 3) std::memcpy(dst, wide[src[x]].data(), 4);
  // The row's last pixel byte by byte: nothing is written past the row.
  std::memcpy(dst, wide[src[x]].data(), 3);
}

struct BitFieldChannels {
  Channel red, green, blue;
};

void rowBitFields(const std::uint8_t* src, std::uint8_t* dst, std::size_t width, unsigned bpp,
                  const BitFieldChannels& channels) {
  for (std::size_t x = 0; x < width; ++x, dst += 3) {
    std::uint32_t pixel = 0;
    if (bpp == 16) {
      pixel = static_cast<std::uint32_t>(src[0] | (src[1] << 8));
      src += 2;
    } else {
      pixel = static_cast<std::uint32_t>(src[0]) | (static_cast<std::uint32_t>(src[1]) << 8) |
              (static_cast<std::uint32_t>(src[2]) << 16) | (static_cast<std::uint32_t>(src[3]) << 24);
      src += 4;
    }
    dst[0] = channels.red(pixel);
    dst[1] = channels.green(pixel);
    dst[2] = channels.blue(pixel);
  }
}

// False, with the output incomplete, if a row is not wholly inside the input
// (readLayout has made sure that every row is).
bool decodeUncompressed(const ByteReader& in, const Layout& layout, std::uint8_t* out) {
  const std::size_t width = static_cast<std::size_t>(layout.width);
  const std::size_t rows = static_cast<std::size_t>(layout.rows);
  const std::size_t stride = (width * layout.bpp + 31) / 32 * 4;
  const std::size_t rowBytes = (width * layout.bpp + 7) / 8;
  const bool bitFields = layout.bpp == 16 || layout.compression == kCompressionBitFields;
  const BitFieldChannels channels{Channel(layout.masks[0]), Channel(layout.masks[1]),
                                  Channel(layout.masks[2])};
  const WidePalette wide = widen(layout.palette);
  for (std::size_t row = 0; row < rows; ++row) {
    const std::size_t storedRow = layout.topDown ? rows - 1 - row : row;
    const std::span<const std::uint8_t> stored = in.bytes(layout.pixelOffset + storedRow * stride, rowBytes);
    if (stored.size() != rowBytes) return false;
    const std::uint8_t* src = stored.data();
    std::uint8_t* dst = out + row * width * 3;
    if (bitFields) {
      rowBitFields(src, dst, width, layout.bpp, channels);
    } else if (layout.bpp == 24) {
      row24(src, dst, width);
    } else if (layout.bpp == 32) {
      row32(src, dst, width);
    } else if (layout.bpp == 8) {
      rowIndexed8(src, dst, width, wide);
    } else {
      rowIndexed(src, dst, width, layout.bpp, layout.palette);
    }
  }
  return true;
}

// ---- Run-length encoded pixels.

class RleCanvas {
 public:
  RleCanvas(std::uint8_t* out, std::uint64_t width, std::uint64_t rows, const Palette& palette)
      : m_out(out), m_width(width), m_rows(rows), m_palette(palette) {}

  // Writes one pixel at the pen, or drops it when the pen is past the row.
  void put(unsigned index) {
    if (m_x < m_width) {
      std::uint8_t* dst = m_out + (m_y * m_width + m_x) * 3;
      const Rgb& colour = m_palette[index];
      dst[0] = colour[0];
      dst[1] = colour[1];
      dst[2] = colour[2];
      ++m_x;
    }
  }
  // False once the pen has left the top row: decoding ends.
  bool endOfLine() {
    m_x = 0;
    return ++m_y < m_rows;
  }
  bool move(unsigned dx, unsigned dy) {
    m_x = std::min(m_x + dx, m_width);
    m_y += dy;
    return m_y < m_rows;
  }

 private:
  std::uint8_t* m_out;
  std::uint64_t m_width;
  std::uint64_t m_rows;
  const Palette& m_palette;
  std::uint64_t m_x = 0;
  std::uint64_t m_y = 0;
};

void decodeRle(const ByteReader& in, const Layout& layout, std::uint8_t* out) {
  const bool four = layout.compression == kCompressionRle4;
  RleCanvas canvas(out, static_cast<std::uint64_t>(layout.width), static_cast<std::uint64_t>(layout.rows),
                   layout.palette);
  ByteCursor stream(in.rest(layout.pixelOffset));
  for (;;) {
    const std::span<const std::uint8_t> code = stream.take(2);
    if (code.size() < 2) return;
    const unsigned count = code[0];
    const unsigned value = code[1];
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i) {
        canvas.put(four ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
      }
      continue;
    }
    if (value == 0) {
      if (!canvas.endOfLine()) return;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      const std::span<const std::uint8_t> delta = stream.take(2);
      if (delta.size() < 2 || !canvas.move(delta[0], delta[1])) return;
    } else {
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      const std::span<const std::uint8_t> run = stream.take(bytes);
      // A run cut by the end keeps the pixels that are there.
      const std::size_t pixels = std::min<std::size_t>(value, four ? run.size() * 2 : run.size());
      for (std::size_t i = 0; i < pixels; ++i) {
        canvas.put(four ? (i % 2 == 0 ? run[i / 2] >> 4 : run[i / 2] & 0x0F) : run[i]);
      }
      if (run.size() < bytes) return;
      // Absolute runs are padded to a 16-bit boundary.
      stream.take(bytes & 1);
    }
  }
}

}  // namespace

DibStatus decodeDibInto(std::span<const std::uint8_t> file, RgbImage& out, const DibLimits& limits) {
  const ByteReader in(file);
  Layout layout;
  const DibStatus status = readLayout(in, limits, layout);
  if (status != DibStatus::kOk) {
    out = RgbImage{};
    return status;
  }
  const std::size_t size = static_cast<std::size_t>(layout.width * layout.rows * 3);
  try {
    // A buffer of another size is dropped before the new one is made: its
    // bytes would all be overwritten, so carrying them over is wasted work
    // and holding both blocks at once wasted memory.
    if (out.pixels.size() != size) {
      out.pixels = PixelBytes();
      out.pixels.resize(size);
    }
  } catch (const std::bad_alloc&) {
    out = RgbImage{};
    return DibStatus::kOutOfMemory;
  }
  out.width = static_cast<int>(layout.width);
  out.height = static_cast<int>(layout.rows);
  if (layout.compression == kCompressionRle8 || layout.compression == kCompressionRle4) {
    std::fill(out.pixels.begin(), out.pixels.end(), std::uint8_t{0});
    decodeRle(in, layout, out.pixels.data());
  } else if (!decodeUncompressed(in, layout, out.pixels.data())) {
    out = RgbImage{};
    return DibStatus::kConversionError;
  }
  return DibStatus::kOk;
}

DibDecodeResult decodeDib(std::span<const std::uint8_t> file, const DibLimits& limits) {
  DibDecodeResult result;
  result.status = decodeDibInto(file, result.image, limits);
  return result;
}

}  // namespace tumbleview
