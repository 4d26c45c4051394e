// Benchmark of the renderer program on the X server it is given (run it under
// Xvfb at 1024 x 768 with Mesa's software rasterizer):
//   - time from process start to the first presented frame, 1024 x 768 picture;
//   - frames presented per second, next to a comparable GL hack of the
//     xscreensaver-gl package run the same way (as fast as it can);
//   - start-up time and peak memory with a 4000 x 3000 picture.
// Frames are counted from outside, the same way for both programs: the X
// server's damage reports on the window, in whole-window areas.
#include "shell_e2e.h"  // first: it puts GoogleTest before Xlib

#include <X11/extensions/Xdamage.h>
#include <poll.h>

#include <algorithm>
#include <cstdio>

namespace {

using tvtest::Clock;
using tvtest::Seconds;

constexpr const char* kPeer = "/usr/libexec/xscreensaver/flipscreen3d";
constexpr int kStartRuns = 7;

// Whole-window areas damaged per second on `window` over `duration`.
double presentedPerSecond(Display* display, Window window, Seconds duration) {
  int eventBase = 0, errorBase = 0;
  if (!XDamageQueryExtension(display, &eventBase, &errorBase)) return -1;
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  const Damage damage = XDamageCreate(display, window, XDamageReportRawRectangles);
  XSync(display, True);  // drops what came before
  double area = 0;
  const auto start = Clock::now();
  while (Clock::now() < start + std::chrono::duration_cast<Clock::duration>(duration)) {
    if (!XPending(display)) {
      pollfd fd{ConnectionNumber(display), POLLIN, 0};
      poll(&fd, 1, 10);
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == eventBase + XDamageNotify) {
      const XRectangle& damaged = reinterpret_cast<XDamageNotifyEvent*>(&event)->area;
      area += static_cast<double>(damaged.width) * damaged.height;
    }
  }
  const double elapsed = Seconds(Clock::now() - start).count();
  XDamageDestroy(display, damage);
  return area / (static_cast<double>(attributes.width) * attributes.height) / elapsed;
}

Window windowOf(const tvtest::XDisplay& x, pid_t pid) {
  std::vector<Window> found;
  tvtest::waitUntil([&] {
    found = x.findWindows([&](Window w) { return x.propertyLong(w, "_NET_WM_PID", XA_CARDINAL) == pid && x.shown(w); });
    return !found.empty();
  }, Seconds(20));
  return found.empty() ? 0 : found.front();
}

std::int64_t steadyNs() { return std::chrono::nanoseconds(Clock::now().time_since_epoch()).count(); }

// The renderer started on `drive`; milliseconds from its start to the first
// frame it reports, or a negative number if it reports none in `timeout`.
double startToFirstFrame(std::unique_ptr<tvtest::Process>& renderer, const std::filesystem::path& drive, Seconds timeout) {
  const std::int64_t started = steadyNs();
  renderer = std::make_unique<tvtest::Process>(tvtest::rendererCommand(drive), drive, "renderer");
  double ms = -1;
  tvtest::waitUntil([&] {
    const std::string out = renderer->stdout();
    const auto at = out.find("first-frame ");
    return (ms = at == std::string::npos ? -1 : double(std::atoll(out.c_str() + at + 12) - started) / 1e6) > 0;
  }, timeout);
  return ms;
}

// The peak resident size of a running process in MiB (VmHWM), or a negative number.
double peakMiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024.0;
  }
  return -1;
}

void closeProgram(const tvtest::XDisplay& x, tvtest::Process& program) {
  x.requestClose(windowOf(x, program.pid()));
  program.waitExit(Seconds(10));
}

// The frames per second `program` presents on its window after a warm-up.
double measureFrameRate(const tvtest::XDisplay& x, tvtest::Process& program) {
  const Window window = windowOf(x, program.pid());
  if (window == 0) return -1;
  std::this_thread::sleep_for(Seconds(1));
  const double rate = presentedPerSecond(x.get(), window, Seconds(5));
  closeProgram(x, program);
  return rate;
}

}  // namespace

int main() {
  const tumbleview::test::TempFolder folder;
  const std::filesystem::path& drive = folder.path();
  const std::filesystem::path picture = drive / tumbleview::kHandoffFileName;
  tvtest::writeSolidBmp(picture, 1024, 768, 0x2878DC);
  const tvtest::XDisplay x;
  std::printf("screen %dx%d; picture 1024x768\n", x.screenSize().first, x.screenSize().second);

  // Start to first presented frame: on the bare server, then with a window
  // manager (which answers the full-screen request that SDL otherwise waits
  // for in vain).
  std::unique_ptr<tvtest::Process> windowManager, renderer;
  for (const char* setting : {"no window manager", "openbox"}) {
    if (setting[0] == 'o' && !(windowManager = tvtest::startOpenbox(x, drive, Seconds(20)))) {
      std::printf("openbox did not start: no figures with a window manager\n");
      break;
    }
    std::vector<double> times;
    for (int run = 0; run < kStartRuns; ++run) {
      times.push_back(startToFirstFrame(renderer, drive, Seconds(20)));
      if (times.back() < 0) return std::printf("renderer presented no frame: %s\n", renderer->stderr().c_str()), 1;
      closeProgram(x, *renderer);
    }
    std::sort(times.begin(), times.end());
    std::printf("start to first frame (%s): median %.1f ms, min %.1f ms, max %.1f ms (%d runs)\n", setting,
                times[kStartRuns / 2], times.front(), times.back(), kStartRuns);
  }
  windowManager.reset();

  renderer = std::make_unique<tvtest::Process>(tvtest::rendererCommand(drive), drive, "renderer");
  const double ours = measureFrameRate(x, *renderer);
  std::printf("Tumbleview.dll: %.1f frames/s presented\n", ours);
  // The peer, as fast as it can.
  if (!std::filesystem::exists(kPeer)) {
    std::printf("peer %s not installed (Debian package xscreensaver-gl): no comparison\n", kPeer);
  } else {
    tvtest::Process peer({kPeer, "-window", "-geometry", "1024x768+0+0", "-delay", "0"}, drive, "peer");
    const double theirs = measureFrameRate(x, peer);
    std::printf("flipscreen3d -delay 0: %.1f frames/s presented\n", theirs);
    std::printf("ratio Tumbleview.dll / flipscreen3d: %.2f\n", theirs > 0 ? ours / theirs : 0.0);
  }

  tvtest::writeSolidBmp(picture, 4000, 3000, 0x2878DC);
  if (const double ms = startToFirstFrame(renderer, drive, Seconds(60)); ms > 0) {
    std::printf("4000x3000 picture: start to first frame %.1f ms, peak memory %.1f MiB\n", ms, peakMiB(renderer->pid()));
  }
  closeProgram(x, *renderer);
  return 0;
}
