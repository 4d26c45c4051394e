// libFuzzer entry point over the pure bitmap decoder.  Limits are lowered so
// that the fuzzer spends its time on parsing, not on filling large images;
// the checks below turn a silent contract break into a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "bmp_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tumbleview::DibLimits limits{.maxSide = 1024, .maxPixels = 1 << 16, .rlePixelsPerByte = 256};
  const std::span<const std::uint8_t> input(data, size);
  tumbleview::RgbImage first;
  const tumbleview::DibStatus status = tumbleview::decodeDibInto(input, first, limits);
  if (status != tumbleview::DibStatus::kOk) {
    if (!first.pixels.empty() || first.width != 0 || first.height != 0) std::abort();
    return 0;
  }
  if (first.width < 1 || first.height < 1 ||
      first.pixels.size() != static_cast<std::size_t>(first.width) * static_cast<std::size_t>(first.height) * 3) {
    std::abort();
  }
  // Every output byte must come from the input: decoding again over a
  // buffer full of other bytes gives the same picture.
  tumbleview::RgbImage second;
  second.pixels.assign(first.pixels.size(), 0xA5);
  for (std::uint8_t& byte : first.pixels) byte ^= 0xFF;
  if (tumbleview::decodeDibInto(input, first, limits) != status ||
      tumbleview::decodeDibInto(input, second, limits) != status || first.pixels != second.pixels) {
    std::abort();
  }
  return 0;
}
