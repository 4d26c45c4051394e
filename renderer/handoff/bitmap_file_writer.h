// Writing Windows bitmap files: 24-bit RGB, 40-byte BITMAPINFOHEADER,
// bottom row first, rows padded to 4 bytes, no compression.  Any decoder of
// Windows bitmaps reads them, the renderer's among them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace tumbleview {

// Pixels to write: 32 bits each, 0xAARRGGBB as a native 32-bit number (the
// layout of QImage's RGB32 and ARGB32 formats), top row first, rows
// `strideBytes` apart.  The alpha byte is ignored.
struct Xrgb32Rows {
  int width = 0;   // pixels
  int height = 0;  // rows
  const std::uint8_t* top = nullptr;
  std::ptrdiff_t strideBytes = 0;
};

// Largest file the format can describe: its size fields are 32-bit.
inline constexpr std::uint64_t kMaxBitmapFileBytes = 0xFFFFFFFFu;

// The file's size for a picture of that size; 0 when it cannot be written
// (a side of 0 or less, or a file beyond kMaxBitmapFileBytes).
std::uint64_t bitmapFileBytes(int width, int height);

// Writes `pixels` to `path` through AtomicFileWriter (posix_atomic_file.h),
// mode 0600: readers see the old file or the whole new one.  Not synced to
// disk: the file is a hand-over that is made anew each time, and an fsync of
// a 36 MB photo would cost more than the rest of the write.  False, with
// `path` untouched, when the picture is empty or too large or any step fails.
bool writeBitmapFile(const std::filesystem::path& path, const Xrgb32Rows& pixels);

}  // namespace tumbleview
