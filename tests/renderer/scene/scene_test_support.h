// Helpers shared by the scene's GL tests and benchmark: picture files, an
// offscreen context per test, a clock driven by hand.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bmp_test_writer.h"
#include "frame_timer.h"
#include "offscreen_gl.h"
#include "render_app.h"
#include "shell_state.h"
#include "temp_folder.h"

namespace tumbleview::testing {

using Rgb = test::Rgb8;

// An expected colour, channels 0..255, not yet rounded.
struct Colour {
  double r, g, b;
};
inline Colour scaled(Rgb c, double factor) { return {c.r * factor, c.g * factor, c.b * factor}; }

// Writes a 24-bit bitmap; `pixel(x, row)` gives the colour, rows counted
// from the bottom.
template <typename PixelFn>
void writePicture(const std::filesystem::path& path, int width, int height, PixelFn pixel) {
  test::Picture picture{width, height, {}};
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) picture.pixels.push_back(pixel(x, row));
  }
  test::writeFile(path, test::encodePicture(picture, test::Storage::kInfo24));
}

// One integer of GL state.
inline int glInt(unsigned name) {
  int value = 0;
  glGetIntegerv(name, &value);
  return value;
}

// A performance counter that only moves when the test says so; 1024 ticks
// per second, so whole seconds are exact in single precision.
class ManualClock {
 public:
  static constexpr std::int64_t kTicksPerSecond = 1024;

  FrameClocks clocks() const {
    FrameClocks clocks;
    clocks.counterFrequency = [] { return kTicksPerSecond; };
    clocks.counterNow = [ticks = m_ticks] { return *ticks; };
    clocks.milliseconds = [ticks = m_ticks] { return static_cast<std::uint32_t>(*ticks); };
    return clocks;
  }
  void advance(std::int64_t ticks) { *m_ticks += ticks; }

 private:
  std::shared_ptr<std::int64_t> m_ticks = std::make_shared<std::int64_t>(0);
};

// Every test gets a fresh 1024 x 768 offscreen context, a private temporary
// folder holding a 64 x 64 orange picture, and the shell values and angles
// of a fresh process.
class GlTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 1024;
  static constexpr int kHeight = 768;
  static constexpr Rgb kOrange{255, 128, 0};

  void SetUp() override {
    shellState() = ShellState{};
    pitch = 0.0f;
    yaw = 0.0f;
    m_picture = m_folder / "Tumbleview.bmp";
    writePicture(m_picture, 64, 64, [](int, int) { return kOrange; });
    std::string why;
    m_gl = createOffscreenGl(kWidth, kHeight, &why);
    if (!m_gl) GTEST_SKIP() << "no offscreen OpenGL context: " << why;
  }
  void TearDown() override { m_gl.reset(); }

  // The colour of pixel (x, y) of an RGBA read-back `width` pixels wide.
  static Rgb at(const std::vector<std::uint8_t>& rgba, int x, int y, int width = kWidth) {
    const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
    return {p[0], p[1], p[2]};
  }

  // Counts the pixels of a w x h area where `actual(x, y)` is more than one
  // step away from `expected(x, y)` in any channel; reports the first.
  template <typename Actual, typename Expected>
  static int countMismatches(int w, int h, Actual actual, Expected expected) {
    int count = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const Rgb a = actual(x, y);
        const Colour e = expected(x, y);
        const bool near = std::abs(a.r - e.r) <= 1.0 && std::abs(a.g - e.g) <= 1.0 &&
                          std::abs(a.b - e.b) <= 1.0;
        if (!near && count++ == 0) {
          ADD_FAILURE() << "first mismatch at (" << x << ", " << y << "): " << int(a.r) << ","
                        << int(a.g) << "," << int(a.b) << " instead of " << e.r << "," << e.g
                        << "," << e.b;
        }
      }
    }
    return count;
  }

  const test::TempFolder m_temp;
  const std::filesystem::path& m_folder = m_temp.path();
  std::filesystem::path m_picture;
  std::unique_ptr<OffscreenGl> m_gl;
};

}  // namespace tumbleview::testing
