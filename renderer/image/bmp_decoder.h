// Windows bitmap (DIB) decoding: bytes in, 24-bit RGB rows out.
//
// A pure function of its input: no file access, no GL, no globals, so it may
// run on any thread.  It gives the RGB values that converting the bitmap into
// a 24-bit bottom-up DIB section would give, and a fixed, documented answer
// for every damaged file.
//
// Accepted forms
//   - With or without the 14-byte file header: input that starts with "BM"
//     has the bitmap header at offset 14 and the pixel offset at offset 10;
//     anything else is read as a bare bitmap header at offset 0, followed by
//     its colour table and then the pixel data.
//   - Header sizes 12 (core: unsigned 16-bit width and height, 3-byte colour
//     entries, no compression) and 40 (info: 4-byte colour entries).  Every
//     other size (108, 124, OS/2 variants, ...) is refused.
//   - Bits per pixel 1, 4, 8 (through the colour table), 16 (5-5-5, top bit
//     ignored), 24 and 32 (blue, green, red, and a 4th byte that is ignored:
//     the picture is opaque whatever it holds).
//   - Compression 0 (none) at any of those depths; 1 (RLE8) only at 8 bits
//     and 2 (RLE4) only at 4 bits, bottom-up only; 3 (bit fields) only at 16
//     and 32 bits with a 40-byte header, its three 32-bit masks (red, green,
//     blue) right after the header.  Every other compression (JPEG, PNG,
//     ...) and every other depth/compression pair is refused.
//   - Bit fields: each mask must be one contiguous run of bits inside the
//     pixel (below bit 16 at 16 bits), the masks must not overlap and not
//     all be zero.  A zero mask gives 0 for its channel.  A channel narrower
//     than 8 bits is widened by repeating its bits (5-bit 31 -> 255, 16 ->
//     132), a wider one keeps its top 8 bits.  Plain 16-bit pixels are the
//     masks 0x7C00, 0x03E0, 0x001F.
//   - Negative height (rows stored top row first) is decoded for
//     uncompressed and bit-field pixels; the output is still bottom row
//     first and its height is the positive row count.  RLE with a negative
//     height is refused.
//
// Colour table
//   - Entries: for a core header 2, 16 or 256 by depth (0 above 8 bits).
//     For an info header the colours-used field as a 16-bit number when that
//     is not 0, else the same count by depth.
//   - That declared count fixes where the pixels start in a bare header.
//     Entries past 2^bpp are never read; the ones used (at most 2^bpp) must
//     lie inside the input.  A table shorter than 2^bpp is fine (writers
//     store only the colours they use); an index past it is opaque black.
//
// Where the pixels are
//   - With a file header the pixel offset field is used; 0 there means "right
//     after the colour table".  An offset that points into the header, the
//     masks or the used part of the colour table is refused, so that no
//     byte is read both as a colour and as a pixel.
//   - Ignored: the file-size field, the image-size field, the resolution
//     fields and colours-important.
//
// Limits (DibLimits): width >= 1, height != 0 and != INT32_MIN, each side at
// most maxSide, width x rows at most maxPixels.  All size arithmetic is
// 64-bit and checked before anything is allocated.  Memory is bounded by the
// input as well:
//   - uncompressed: every pixel must be present in the input.  Only the
//     padding after the last pixel of the last stored row may be missing.
//     A shorter input (truncated file, pixel offset past the end, no pixel
//     bytes) is refused, never partly decoded, so output never depends on
//     bytes that are not there.  The output is then at most 24 times the
//     input (1 bit in, 3 bytes out).
//   - RLE: width x rows must not exceed rlePixelsPerByte x the bytes from
//     the pixel offset to the end of the input.
//
// RLE streams run from the pixel offset to the end of the input (the
// image-size field is not trusted).  Pixels the stream never writes are
// black, as are pixels a delta skips.  Runs (encoded or absolute) that reach
// past the end of a row are clipped at the row end; the rest of that row's
// pixels up to the next end-of-line are dropped.  An end-of-line or delta
// that moves past the top row ends decoding; so does end-of-bitmap, the end
// of the input (no end-of-bitmap marker needed), an escape or delta cut by
// the end, and an absolute run cut by the end (its pixels that are present
// are kept; a missing pad byte after an odd run is fine).  Bytes after
// end-of-bitmap are ignored.
//
// Refusals (the loader, image_loading.h, gives each its message):
//   kUnknownFormat    input too short to hold the header size field or the
//                     whole header it announces; header size other than 12
//                     or 40.
//   kOutOfMemory      width or height outside the limits above (the 24-bit
//                     image of that size cannot be made); the output buffer
//                     cannot be allocated.
//   kConversionError  planes other than 1; unsupported depth, compression or
//                     pair of them; bad or missing masks; colour table cut
//                     by the end of the input; pixel offset inside the
//                     header, masks or used colour table; pixel data
//                     missing or truncated; RLE with a negative height or
//                     too short a stream for its size.
//
// Output is fully determined by the input bytes: every output byte is
// written on every successful path, whatever the output buffer held before.
// A newly made buffer is not cleared first (see pixel_memory.h); this
// promise is what keeps its bytes defined.
#pragma once

#include <cstdint>
#include <span>

#include "rgb_image.h"

namespace tumbleview {

enum class DibStatus {
  kOk,
  kUnknownFormat,
  kConversionError,
  kOutOfMemory,
};

struct DibLimits {
  // Longest side, in pixels.
  std::int64_t maxSide = 16384;
  // Largest width x rows: 64 Mi pixels, 192 MiB of RGB.
  std::int64_t maxPixels = std::int64_t{1} << 26;
  // RLE output pixels allowed per byte of compressed stream.
  std::int64_t rlePixelsPerByte = 256;
};

// Decodes `file` (a whole bitmap file, or a bare bitmap header and what
// follows it) into `out`.  On kOk, `out` holds width, the positive row count
// and width x rows x 3 bytes, bottom row first; its pixel storage is reused
// when it already has the right size.  On any other status `out` is left
// empty.  Never throws.
DibStatus decodeDibInto(std::span<const std::uint8_t> file, RgbImage& out,
                        const DibLimits& limits = {});

struct DibDecodeResult {
  DibStatus status = DibStatus::kOk;
  RgbImage image;  // meaningful only when status is kOk
};

DibDecodeResult decodeDib(std::span<const std::uint8_t> file, const DibLimits& limits = {});

}  // namespace tumbleview
