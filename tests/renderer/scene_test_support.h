// Helpers shared by the scene's GL tests: bitmap files to load, an offscreen
// context per test, a clock driven by hand.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "frame_timer.h"
#include "test_bitmap_file.h"
#include "offscreen_gl.h"
#include "render_app.h"
#include "shell_state.h"

namespace tumbleview::testing {

// A performance counter that only moves when the test says so; 1024 ticks
// per second, so whole seconds are exact in single precision.
class ManualClock {
 public:
  static constexpr std::int64_t kTicksPerSecond = 1024;

  FrameClocks Clocks() const {
    FrameClocks clocks;
    clocks.counterFrequency = [] { return kTicksPerSecond; };
    clocks.counterNow = [ticks = m_ticks] { return *ticks; };
    clocks.milliseconds = [ticks = m_ticks] { return static_cast<std::uint32_t>(*ticks); };
    return clocks;
  }
  void Advance(std::int64_t ticks) { *m_ticks += ticks; }

 private:
  std::shared_ptr<std::int64_t> m_ticks = std::make_shared<std::int64_t>(0);
};

// Every test gets a fresh 1024 x 768 offscreen context, a private temporary
// folder and the shell values and angles of a fresh process.
class GlTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 1024;
  static constexpr int kHeight = 768;

  void SetUp() override {
    Shell() = ShellState{};
    pitch = 0.0f;
    yaw = 0.0f;
    char pattern[] = "/tmp/tv-scene-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_folder = pattern;
    std::string why;
    m_gl = CreateOffscreenGl(kWidth, kHeight, &why);
    if (!m_gl) GTEST_SKIP() << "no offscreen OpenGL context: " << why;
  }
  void TearDown() override {
    m_gl.reset();
    std::filesystem::remove_all(m_folder);
  }

  // The colour of screen pixel (x, y), origin bottom left.
  static Rgb At(const std::vector<std::uint8_t>& rgba, int x, int y) {
    const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * kWidth + x) * 4];
    return {p[0], p[1], p[2]};
  }

  std::filesystem::path m_folder;
  std::unique_ptr<OffscreenGl> m_gl;
};

}  // namespace tumbleview::testing
