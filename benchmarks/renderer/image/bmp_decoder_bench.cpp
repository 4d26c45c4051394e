// Decoder throughput from memory: input megabytes per second, median of
// several runs, for a 4000 x 3000 picture at 24 and at 8 bits per pixel.
// "fresh" allocates the output each time; "reused" decodes into an output of
// the right size, the conversion alone; "file" is LoadDibImage on a file in
// the page cache: mapping, decoding into a fresh output, unmapping.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "bmp_decoder.h"
#include "bmp_test_writer.h"
#include "image_loading.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000, kRuns = 9;

// Random pixel bytes; at 8 bits with a full colour table.
std::vector<std::uint8_t> makeFile(std::uint16_t bpp) {
  tumbleview::test::BmpFields fields;
  fields.width = kWidth, fields.height = kHeight, fields.bpp = bpp;
  for (int i = 0; bpp == 8 && i < 256; ++i) fields.palette.push_back({std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7)});
  fields.pixelData.resize((static_cast<std::size_t>(kWidth) * bpp + 31) / 32 * 4 * kHeight);
  std::uint32_t state = 12345;
  for (std::uint8_t& byte : fields.pixelData) byte = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
  return tumbleview::test::writeBmp(fields);
}

template <typename Decode>
double medianMegabytesPerSecond(std::size_t bytes, Decode decode) {
  std::vector<double> rates;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    if (!decode()) return std::fprintf(stderr, "decoding failed\n"), 0;
    rates.push_back(bytes / 1e6 / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::nth_element(rates.begin(), rates.begin() + kRuns / 2, rates.end());
  return rates[kRuns / 2];
}

}  // namespace

int main() {
  using namespace tumbleview;
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "tumbleview_bmp_decoder_bench.bmp";
  for (std::uint16_t bpp : {24, 8}) {
    const std::vector<std::uint8_t> file = makeFile(bpp);
    const double fresh = medianMegabytesPerSecond(file.size(), [&] { return decodeDib(file).status == DibStatus::kOk; });
    RgbImage reused;
    const double again = medianMegabytesPerSecond(file.size(), [&] { return decodeDibInto(file, reused) == DibStatus::kOk; });
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    const double loaded = medianMegabytesPerSecond(file.size(), [&] { return LoadDibImage(path.c_str()) != nullptr; });
    std::filesystem::remove(path);
    std::printf("bmp_decoder %dx%d %2d bpp: %7.1f MB/s fresh, %7.1f MB/s reused, %7.1f MB/s file (input %zu bytes, output %d MB)\n",
                kWidth, kHeight, bpp, fresh, again, loaded, file.size(), kWidth * kHeight * 3 / 1000000);
  }
  return 0;
}
