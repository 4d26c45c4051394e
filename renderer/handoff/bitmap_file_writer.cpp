#include "bitmap_file_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "posix_atomic_file.h"

namespace tumbleview {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kHeaderBytes = kFileHeaderBytes + kInfoHeaderBytes;

std::uint64_t rowBytes(int width) { return (static_cast<std::uint64_t>(width) * 3 + 3) & ~3ull; }

void putLe(std::uint8_t* at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::array<std::uint8_t, kHeaderBytes> header(int width, int height) {
  const std::uint64_t fileBytes = bitmapFileBytes(width, height);
  std::array<std::uint8_t, kHeaderBytes> h{};
  h[0] = 'B';
  h[1] = 'M';
  putLe(&h[2], static_cast<std::uint32_t>(fileBytes), 4);
  putLe(&h[10], kHeaderBytes, 4);  // pixel offset; the reserved fields stay 0
  putLe(&h[14], kInfoHeaderBytes, 4);
  putLe(&h[18], static_cast<std::uint32_t>(width), 4);
  putLe(&h[22], static_cast<std::uint32_t>(height), 4);  // positive: bottom row first
  putLe(&h[26], 1, 2);                                   // planes
  putLe(&h[28], 24, 2);                                  // bits per pixel; compression 0
  putLe(&h[34], static_cast<std::uint32_t>(fileBytes - kHeaderBytes), 4);
  return h;
}

}  // namespace

std::uint64_t bitmapFileBytes(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  const std::uint64_t bytes = kHeaderBytes + rowBytes(width) * static_cast<std::uint64_t>(height);
  return bytes > kMaxBitmapFileBytes ? 0 : bytes;
}

bool writeBitmapFile(const std::filesystem::path& path, const Xrgb32Rows& pixels) {
  if (pixels.top == nullptr || bitmapFileBytes(pixels.width, pixels.height) == 0) return false;
  AtomicFileWriter file(path, {.mode = 0600, .syncToDisk = false});
  const auto head = header(pixels.width, pixels.height);
  if (!file.write(std::span<const std::uint8_t>(head))) return false;

  // Rows go out in batches of about a megabyte: a large picture needs no
  // second full copy, and few enough writes that they cost nothing.
  const std::size_t stride = static_cast<std::size_t>(rowBytes(pixels.width));
  const std::size_t rowsPerBatch = std::max<std::size_t>(1, (std::size_t{1} << 20) / stride);
  std::vector<std::uint8_t> batch(rowsPerBatch * stride, 0);
  std::size_t filled = 0;
  for (int y = pixels.height - 1; y >= 0; --y) {
    const std::uint8_t* source = pixels.top + static_cast<std::ptrdiff_t>(y) * pixels.strideBytes;
    std::uint8_t* out = batch.data() + filled * stride;
    for (int x = 0; x < pixels.width; ++x, out += 3) {
      std::uint32_t argb;
      std::memcpy(&argb, source + 4 * static_cast<std::size_t>(x), 4);
      out[0] = static_cast<std::uint8_t>(argb);        // blue
      out[1] = static_cast<std::uint8_t>(argb >> 8);   // green
      out[2] = static_cast<std::uint8_t>(argb >> 16);  // red
    }
    // The padding bytes were zeroed once and are never written.
    if (++filled == rowsPerBatch || y == 0) {
      if (!file.write(std::span<const std::uint8_t>(batch.data(), filled * stride))) return false;
      filled = 0;
    }
  }
  return file.commit();
}

}  // namespace tumbleview
