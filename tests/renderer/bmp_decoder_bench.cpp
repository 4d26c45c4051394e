// Decoder throughput from memory: input megabytes per second, median of
// several runs, for a 4000 x 3000 picture at 24 and at 8 bits per pixel.
// "fresh" allocates the output each time (as LoadDibImage does); "reused"
// decodes into an output of the right size, the conversion alone.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "bmp_decoder.h"
#include "bmp_test_writer.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kRuns = 9;

std::vector<std::uint8_t> MakeFile(std::uint16_t bpp) {
  tumbleview::test::BmpFields fields;
  fields.width = kWidth;
  fields.height = kHeight;
  fields.bpp = bpp;
  if (bpp == 8) {
    for (int i = 0; i < 256; ++i) {
      fields.palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                static_cast<std::uint8_t>(i * 7)});
    }
  }
  const std::size_t stride = (static_cast<std::size_t>(kWidth) * bpp + 31) / 32 * 4;
  fields.pixelData.resize(stride * kHeight);
  std::uint32_t state = 12345;
  for (std::uint8_t& byte : fields.pixelData) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return tumbleview::test::WriteBmp(fields);
}

template <typename Decode>
double MedianMegabytesPerSecond(std::size_t bytes, Decode decode) {
  std::vector<double> rates;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    if (!decode()) {
      std::fprintf(stderr, "decoding failed\n");
      return 0;
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    rates.push_back(static_cast<double>(bytes) / 1e6 / seconds.count());
  }
  std::nth_element(rates.begin(), rates.begin() + kRuns / 2, rates.end());
  return rates[kRuns / 2];
}

}  // namespace

int main() {
  for (std::uint16_t bpp : {std::uint16_t{24}, std::uint16_t{8}}) {
    const std::vector<std::uint8_t> file = MakeFile(bpp);
    const double fresh = MedianMegabytesPerSecond(file.size(), [&] {
      return tumbleview::DecodeDib(file).status == tumbleview::DibStatus::kOk;
    });
    tumbleview::RgbImage reused;
    const double again = MedianMegabytesPerSecond(file.size(), [&] {
      return tumbleview::DecodeDibInto(file, reused) == tumbleview::DibStatus::kOk;
    });
    std::printf("bmp_decoder %dx%d %2d bpp: %7.1f MB/s fresh, %7.1f MB/s reused (input %zu bytes, output %d MB)\n",
                kWidth, kHeight, bpp, fresh, again, file.size(), kWidth * kHeight * 3 / 1000000);
  }
  return 0;
}
