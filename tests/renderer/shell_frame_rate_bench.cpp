// Benchmark of the renderer program on the X server it is given (run it under
// Xvfb at 1024 x 768 with Mesa's software rasterizer):
//   - time from process start to the first presented frame, 1024 x 768 picture;
//   - frames presented per second, next to a comparable GL hack of the
//     xscreensaver-gl package run the same way (as fast as it can).
// Frames are counted from outside, the same way for both programs: the X
// server's damage reports on the window, in whole-window areas.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "shell_e2e_support.h"

namespace {

using tvtest::Clock;
using tvtest::Seconds;

constexpr const char* kPeer = "/usr/libexec/xscreensaver/flipscreen3d";
constexpr Seconds kWarmUp{1.0};
constexpr Seconds kMeasure{5.0};
constexpr int kStartRuns = 7;

std::int64_t SteadyNs() { return std::chrono::nanoseconds(Clock::now().time_since_epoch()).count(); }

// Whole-window areas damaged per second on `window` over `duration`.
double PresentedPerSecond(Display* display, Window window, Seconds duration) {
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

Window WaitForWindowOfPid(tvtest::XDisplay& x, pid_t pid) {
  Window window = 0;
  tvtest::WaitUntil(
      [&] {
        const std::vector<Window> found =
            x.FindWindows([&](Window w) { return x.WmPid(w) == std::optional<long>(pid) && x.Shown(w); });
        window = found.empty() ? 0 : found.front();
        return window != 0;
      },
      Seconds(20));
  return window;
}

long long FirstFrameNs(const tvtest::Process& renderer) {
  const std::string out = renderer.Stdout();
  const auto at = out.find("first-frame ");
  if (at == std::string::npos) return -1;
  return std::atoll(out.c_str() + at + 12);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  char pattern[] = "/tmp/tv-shell-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::filesystem::path drive = pattern;
  tvtest::WriteSolidBmp(drive / "Tumbleview.bmp", 1024, 768, 40, 120, 220);
  const std::vector<std::string> environment{"TUMBLEVIEW_DRIVE_C=" + drive.string(), "TUMBLEVIEW_FRAME_REPORT=1"};
  tvtest::XDisplay x;
  std::printf("screen %dx%d; picture 1024x768\n", x.ScreenSize().first, x.ScreenSize().second);

  // Start to first presented frame: on the bare server, then with a window
  // manager (which answers the full-screen request that SDL otherwise waits
  // for in vain).
  for (const bool withWindowManager : {false, true}) {
    std::unique_ptr<tvtest::Process> windowManager;
    if (withWindowManager) {
      windowManager = std::make_unique<tvtest::Process>(std::vector<std::string>{"openbox", "--sm-disable"},
                                                        std::vector<std::string>{}, drive, "openbox");
      if (!tvtest::WaitUntil([&] { return x.HasWindowManager(); }, Seconds(20))) {
        std::printf("openbox did not start: no figures with a window manager\n");
        break;
      }
    }
    std::vector<double> startMs;
    for (int run = 0; run < kStartRuns; ++run) {
      const std::int64_t started = SteadyNs();
      tvtest::Process renderer({TUMBLEVIEW_RENDERER}, environment, drive, "renderer");
      if (!tvtest::WaitUntil([&] { return FirstFrameNs(renderer) > 0; }, Seconds(20))) {
        std::printf("renderer presented no frame: %s\n", renderer.Stderr().c_str());
        return 1;
      }
      startMs.push_back(static_cast<double>(FirstFrameNs(renderer) - started) / 1e6);
      const Window window = WaitForWindowOfPid(x, renderer.pid());
      x.RequestClose(window);
      renderer.WaitExit(Seconds(10));
    }
    std::printf("start to first frame%s: median %.1f ms, min %.1f ms, max %.1f ms (%d runs)\n",
                withWindowManager ? " (openbox)" : " (no window manager)", Median(startMs),
                *std::min_element(startMs.begin(), startMs.end()), *std::max_element(startMs.begin(), startMs.end()),
                kStartRuns);
  }

  // Our frame rate.
  double ours = 0;
  {
    tvtest::Process renderer({TUMBLEVIEW_RENDERER}, environment, drive, "renderer");
    const Window window = WaitForWindowOfPid(x, renderer.pid());
    tvtest::WaitUntil([&] { return FirstFrameNs(renderer) > 0; }, Seconds(20));
    std::this_thread::sleep_for(kWarmUp);
    ours = PresentedPerSecond(x.get(), window, kMeasure);
    const std::int64_t closed = SteadyNs();
    x.RequestClose(window);
    renderer.WaitExit(Seconds(10));
    unsigned long long frames = 0;
    unsigned long long swaps = 0;
    const std::string out = renderer.Stdout();
    std::sscanf(out.c_str() + std::min(out.find("\nframes "), out.size()), "\nframes %llu swaps %llu", &frames, &swaps);
    const double ownSeconds = static_cast<double>(closed - FirstFrameNs(renderer)) / 1e9;
    std::printf("Tumbleview.dll: %.1f frames/s presented (own count: %.1f frames/s)\n", ours,
                static_cast<double>(swaps) / ownSeconds);
  }

  // The peer, as fast as it can.
  if (!std::filesystem::exists(kPeer)) {
    std::printf("peer %s not installed (Debian package xscreensaver-gl): no comparison\n", kPeer);
  } else {
    tvtest::Process peer({kPeer, "-window", "-geometry", "1024x768+0+0", "-delay", "0"}, {}, drive, "peer");
    const Window window = WaitForWindowOfPid(x, peer.pid());
    if (window == 0) {
      std::printf("peer showed no window: %s\n", peer.Stderr().c_str());
      return 1;
    }
    std::this_thread::sleep_for(kWarmUp);
    const double theirs = PresentedPerSecond(x.get(), window, kMeasure);
    std::printf("flipscreen3d -delay 0: %.1f frames/s presented\n", theirs);
    std::printf("ratio Tumbleview.dll / flipscreen3d: %.2f\n", theirs > 0 ? ours / theirs : 0.0);
  }
  std::filesystem::remove_all(drive);
  return 0;
}
