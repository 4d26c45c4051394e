// How fast the scene draws on Mesa's software rasterizer, and what a
// 4000 x 3000 picture costs at start-up.  Prints figures; passes unless no
// offscreen context can be had or the picture does not load.
#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bmp_test_writer.h"
#include "offscreen_gl.h"
#include "render_app.h"
#include "shell_state.h"
#include "temp_folder.h"

namespace {

// A value in kB from /proc/self/status ("VmHWM", "VmRSS").
long statusKilobytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
  }
  return -1;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  using namespace tumbleview;
  constexpr int kFrames = 300, kPictureWidth = 4000, kPictureHeight = 3000;
  std::string why;
  auto gl = createOffscreenGl(1024, 768, &why);
  if (!gl) return std::printf("SKIP: no offscreen OpenGL context: %s\n", why.c_str()), 0;
  std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

  const test::TempFolder folder;
  const std::filesystem::path picture = folder.path() / "Tumbleview.bmp";
  {
    test::Picture pattern{kPictureWidth, kPictureHeight, {}};
    for (int y = 0; y < kPictureHeight; ++y) {
      for (int x = 0; x < kPictureWidth; ++x) pattern.pixels.push_back({std::uint8_t(x), std::uint8_t(y), std::uint8_t(x ^ y)});
    }
    test::writeFile(picture, test::encodePicture(pattern, test::Storage::kInfo24));
  }  // the picture's memory is gone before the measurement starts

  // Writing 5 to clear_refs lets VmHWM start again from the resident size.
  const bool peakReset = static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5" << std::flush);
  const long rssBefore = statusKilobytes("VmRSS");
  const auto start = std::chrono::steady_clock::now();
  int result = 0;
  {
    RenderApp app(picture);
    if (shellState().loadFailed != 0) {
      std::printf("FAIL: the %d x %d picture did not load\n", kPictureWidth, kPictureHeight);
      result = 1;
    } else {
      const double constructed = secondsSince(start);
      app.DrawFrame();
      glFinish();
      std::printf("start-up, %d x %d picture: construction %.3f s, to first frame %.3f s\n", kPictureWidth,
                  kPictureHeight, constructed, secondsSince(start));
      std::printf("peak memory above the resident size before construction: %.1f MiB%s\n",
                  static_cast<double>(statusKilobytes("VmHWM") - rssBefore) / 1024.0,
                  peakReset ? "" : " (peak not resettable: includes earlier use)");
      const auto loopStart = std::chrono::steady_clock::now();
      for (int i = 0; i < kFrames; ++i) {
        app.DrawFrame();
        glFinish();  // a buffer swap waits for the frame in the real program
      }
      const double seconds = secondsSince(loopStart);
      std::printf("DrawFrame at 1024 x 768: %d frames in %.3f s = %.1f frames per second\n", kFrames, seconds,
                  kFrames / seconds);
    }
  }
  return result;
}
