// Benchmark of the renderer program on the X server it is given (run it under
// Xvfb at 1024 x 768 with Mesa's software rasterizer):
//   - time from process start to the first presented frame, 1024 x 768 picture;
//   - frames presented per second, next to a comparable GL hack of the
//     xscreensaver-gl package run the same way (as fast as it can);
//   - start-up time and peak memory with a 4000 x 3000 picture.
// Frames are counted from outside, the same way for both programs: the X
// server's damage reports on the window, in whole-window areas.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "handoff.h"
#include "shell_e2e_support.h"
#include "temp_folder.h"

namespace {

using tvtest::Clock;
using tvtest::Seconds;

constexpr const char* kPeer = "/usr/libexec/xscreensaver/flipscreen3d";
constexpr Seconds kWarmUp{1.0};
constexpr Seconds kMeasure{5.0};
constexpr int kStartRuns = 7;

std::int64_t steadyNs() { return std::chrono::nanoseconds(Clock::now().time_since_epoch()).count(); }

// Whole-window areas damaged per second on `window` over `duration`.
double presentedPerSecond(Display* display, Window window, Seconds duration) {
  int eventBase = 0;
  int errorBase = 0;
  if (!XDamageQueryExtension(display, &eventBase, &errorBase)) return -1;
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  const Damage damage = XDamageCreate(display, window, XDamageReportRawRectangles);
  XSync(display, False);
  while (XPending(display)) {
    XEvent event;
    XNextEvent(display, &event);
  }
  double area = 0;
  const auto start = Clock::now();
  const auto end = start + std::chrono::duration_cast<Clock::duration>(duration);
  while (Clock::now() < end) {
    if (!XPending(display)) {
      pollfd fd{ConnectionNumber(display), POLLIN, 0};
      poll(&fd, 1, 10);
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == eventBase + XDamageNotify) {
      const auto* notify = reinterpret_cast<XDamageNotifyEvent*>(&event);
      area += static_cast<double>(notify->area.width) * notify->area.height;
    }
  }
  const double elapsed = Seconds(Clock::now() - start).count();
  XDamageDestroy(display, damage);
  XSync(display, False);
  return area / (static_cast<double>(attributes.width) * attributes.height) / elapsed;
}

Window waitForWindowOfPid(tvtest::XDisplay& x, pid_t pid) {
  Window window = 0;
  tvtest::waitUntil(
      [&] {
        const std::vector<Window> found =
            x.findWindows([&](Window w) { return x.propertyLong(w, "_NET_WM_PID", XA_CARDINAL) == pid && x.shown(w); });
        window = found.empty() ? 0 : found.front();
        return window != 0;
      },
      Seconds(20));
  return window;
}

// The peak resident size of a running process, in kB (VmHWM), or -1.
long peakKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

long long firstFrameNs(const tvtest::Process& renderer) {
  const std::string out = renderer.stdout();
  const auto at = out.find("first-frame ");
  if (at == std::string::npos) return -1;
  return std::atoll(out.c_str() + at + 12);
}

// The frames per second `program` presents on its window after a warm-up,
// or -1 when it shows no window.
double measureFrameRate(tvtest::XDisplay& x, tvtest::Process& program) {
  const Window window = waitForWindowOfPid(x, program.pid());
  if (window == 0) return -1;
  std::this_thread::sleep_for(kWarmUp);
  const double rate = presentedPerSecond(x.get(), window, kMeasure);
  x.requestClose(window);
  program.waitExit(Seconds(10));
  return rate;
}

}  // namespace

int main() {
  const tumbleview::test::TempFolder folder;
  const std::filesystem::path& drive = folder.path();
  const std::filesystem::path picture = drive / tumbleview::kHandoffFileName;
  tvtest::writeSolidBmp(picture, 1024, 768, 40, 120, 220);
  const std::vector<std::string> environment{"TUMBLEVIEW_DRIVE_C=" + drive.string(), "TUMBLEVIEW_FRAME_REPORT=1"};
  tvtest::XDisplay x;
  std::printf("screen %dx%d; picture 1024x768\n", x.screenSize().first, x.screenSize().second);

  // Start to first presented frame: on the bare server, then with a window
  // manager (which answers the full-screen request that SDL otherwise waits
  // for in vain).
  std::unique_ptr<tvtest::Process> windowManager;
  for (const char* setting : {"no window manager", "openbox"}) {
    if (windowManager == nullptr && setting[0] == 'o') {
      windowManager = std::make_unique<tvtest::Process>(std::vector<std::string>{"openbox", "--sm-disable"},
                                                        std::vector<std::string>{}, drive, "openbox");
      if (!tvtest::waitUntil([&] { return x.hasWindowManager(); }, Seconds(20))) {
        std::printf("openbox did not start: no figures with a window manager\n");
        break;
      }
    }
    std::vector<double> startMs;
    for (int run = 0; run < kStartRuns; ++run) {
      const std::int64_t started = steadyNs();
      tvtest::Process renderer({TUMBLEVIEW_RENDERER}, environment, drive, "renderer");
      if (!tvtest::waitUntil([&] { return firstFrameNs(renderer) > 0; }, Seconds(20))) {
        std::printf("renderer presented no frame: %s\n", renderer.stderr().c_str());
        return 1;
      }
      startMs.push_back(static_cast<double>(firstFrameNs(renderer) - started) / 1e6);
      x.requestClose(waitForWindowOfPid(x, renderer.pid()));
      renderer.waitExit(Seconds(10));
    }
    std::sort(startMs.begin(), startMs.end());
    std::printf("start to first frame (%s): median %.1f ms, min %.1f ms, max %.1f ms (%d runs)\n", setting,
                startMs[kStartRuns / 2], startMs.front(), startMs.back(), kStartRuns);
  }
  windowManager.reset();

  tvtest::Process renderer({TUMBLEVIEW_RENDERER}, environment, drive, "renderer");
  const double ours = measureFrameRate(x, renderer);
  std::printf("Tumbleview.dll: %.1f frames/s presented\n", ours);
  // The peer, as fast as it can.
  if (!std::filesystem::exists(kPeer)) {
    std::printf("peer %s not installed (Debian package xscreensaver-gl): no comparison\n", kPeer);
  } else {
    tvtest::Process peer({kPeer, "-window", "-geometry", "1024x768+0+0", "-delay", "0"}, {}, drive, "peer");
    const double theirs = measureFrameRate(x, peer);
    std::printf("flipscreen3d -delay 0: %.1f frames/s presented\n", theirs);
    std::printf("ratio Tumbleview.dll / flipscreen3d: %.2f\n", theirs > 0 ? ours / theirs : 0.0);
  }

  tvtest::writeSolidBmp(picture, 4000, 3000, 40, 120, 220);
  const std::int64_t started = steadyNs();
  tvtest::Process large({TUMBLEVIEW_RENDERER}, environment, drive, "large");
  if (tvtest::waitUntil([&] { return firstFrameNs(large) > 0; }, Seconds(60))) {
    std::printf("4000x3000 picture: start to first frame %.1f ms, peak memory %.1f MiB\n",
                static_cast<double>(firstFrameNs(large) - started) / 1e6,
                static_cast<double>(peakKilobytes(large.pid())) / 1024.0);
  }
  x.requestClose(waitForWindowOfPid(x, large.pid()));
  large.waitExit(Seconds(10));
  return 0;
}
