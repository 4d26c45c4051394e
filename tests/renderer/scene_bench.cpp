// How fast the scene draws on Mesa's software rasterizer, and what a large
// picture costs at start-up.  Prints figures; passes unless no offscreen
// context can be had or the picture does not load.
//
//   scene_bench [frames]   (default 300)
#include <GL/gl.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "offscreen_gl.h"
#include "render_app.h"
#include "shell_state.h"
#include "bmp_test_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

// A value in kB from /proc/self/status ("VmHWM", "VmRSS"); -1 if absent.
long StatusKilobytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
  }
  return -1;
}

// Lets VmHWM start again from the current resident size (Linux 4.0+).
bool ResetPeakMemory() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return static_cast<bool>(clear.flush());
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  using namespace tumbleview;
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
  constexpr int kScreenWidth = 1024;
  constexpr int kScreenHeight = 768;
  constexpr int kPictureWidth = 4000;
  constexpr int kPictureHeight = 3000;

  std::string why;
  auto gl = CreateOffscreenGl(kScreenWidth, kScreenHeight, &why);
  if (!gl) {
    std::printf("SKIP: no offscreen OpenGL context: %s\n", why.c_str());
    return 0;
  }
  std::printf("renderer: %s, %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
              reinterpret_cast<const char*>(glGetString(GL_VERSION)));

  char folderName[] = "/tmp/tv-scene-bench-XXXXXX";
  if (mkdtemp(folderName) == nullptr) return 1;
  const std::filesystem::path folder = folderName;
  const std::filesystem::path picture = folder / "Tumbleview.bmp";
  {
    test::Picture pattern{kPictureWidth, kPictureHeight, {}};
    for (int y = 0; y < kPictureHeight; ++y) {
      for (int x = 0; x < kPictureWidth; ++x) {
        pattern.pixels.push_back({static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                  static_cast<std::uint8_t>(x ^ y)});
      }
    }
    const std::vector<std::uint8_t> file = test::EncodePicture(pattern, test::Storage::kInfo24);
    std::ofstream(picture, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  }  // the picture's memory is gone before the measurement starts

  const bool peakReset = ResetPeakMemory();
  const long rssBefore = StatusKilobytes("VmRSS");
  const Clock::time_point start = Clock::now();
  int result = 0;
  {
    RenderApp app(picture);
    if (Shell().loadFailed != 0) {
      std::printf("FAIL: the %d x %d picture did not load\n", kPictureWidth, kPictureHeight);
      result = 1;
    } else {
      const Clock::time_point constructed = Clock::now();
      app.DrawFrame();
      glFinish();
      const Clock::time_point firstFrame = Clock::now();
      const long peak = StatusKilobytes("VmHWM");
      std::printf("start-up, %d x %d picture: construction %.3f s, to first frame %.3f s\n",
                  kPictureWidth, kPictureHeight, Seconds(constructed - start),
                  Seconds(firstFrame - start));
      std::printf("peak memory above the resident size before construction: %.1f MiB%s\n",
                  static_cast<double>(peak - rssBefore) / 1024.0,
                  peakReset ? "" : " (peak not resettable: includes earlier use)");

      const Clock::time_point loopStart = Clock::now();
      for (int i = 0; i < frames; ++i) {
        app.DrawFrame();
        // A buffer swap waits for the frame in the real program.
        glFinish();
      }
      const double loopSeconds = Seconds(Clock::now() - loopStart);
      std::printf("DrawFrame at %d x %d: %d frames in %.3f s = %.1f frames per second\n",
                  kScreenWidth, kScreenHeight, frames, loopSeconds, frames / loopSeconds);
    }
  }
  std::filesystem::remove_all(folder);
  return result;
}
