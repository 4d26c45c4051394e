// Writes plain 24-bit Windows bitmaps for the scene's tests and benchmark.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace tumbleview::testing {

struct Rgb {
  std::uint8_t r, g, b;
};

// Writes a 24-bit bottom-up Windows bitmap; `pixel(x, y)` gives the colour
// of column x of row y counted from the bottom.  Streams row by row, so even
// a large picture costs only one row of memory.
template <typename PixelFn>
void WriteBitmap(const std::filesystem::path& path, int width, int height, PixelFn pixel) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height);
  std::vector<std::uint8_t> header(54, 0);
  auto put16 = [&](std::size_t at, std::uint32_t v) {
    header[at] = v & 0xff;
    header[at + 1] = (v >> 8) & 0xff;
  };
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    put16(at, v & 0xffff);
    put16(at + 2, v >> 16);
  };
  header[0] = 'B';
  header[1] = 'M';
  put32(2, 54 + imageSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  put16(26, 1);
  put16(28, 24);
  put32(34, imageSize);

  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header.data()), 54);
  std::vector<std::uint8_t> row(stride, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      row[x * 3] = c.b;
      row[x * 3 + 1] = c.g;
      row[x * 3 + 2] = c.r;
    }
    out.write(reinterpret_cast<const char*>(row.data()), stride);
  }
}

inline void WriteSolidBitmap(const std::filesystem::path& path, int width, int height, Rgb colour) {
  WriteBitmap(path, width, height, [colour](int, int) { return colour; });
}

}  // namespace tumbleview::testing
