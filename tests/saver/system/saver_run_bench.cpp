// How long `Tumbleview.scr /s` takes to put the cube on the screen, stage by
// stage, and how much processor the saver uses while it only watches the
// renderer.  Prints figures (medians of a few runs); no pass/fail threshold.
#include <QColor>
#include <QImage>

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include <unistd.h>

#include "saver_system_support.h"

namespace tvtest {
namespace {

namespace fs = std::filesystem;
using Millis = std::chrono::duration<double, std::milli>;

constexpr Seconds kBound{60};
constexpr int kRuns = 5;
constexpr unsigned long kEscape = 0xff1b;

// Steady-clock nanoseconds of each "saver <stage> <ns>" and "first-frame <ns>" line.
std::map<std::string, double> stageTimes(const std::string& report) {
  std::map<std::string, double> times;
  std::istringstream lines(report);
  std::string word;
  while (lines >> word) {
    std::string stage = word;
    if (word == "saver") lines >> stage;
    if (stage != "settings" && stage != "picture" && stage != "handoff" && stage != "renderer-window" &&
        stage != "first-frame") {
      continue;
    }
    double ns = 0;
    lines >> ns;
    times[stage] = ns;
  }
  return times;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double nowNs() {
  return static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count());
}

bool ended(XDisplay& x, Process& saver) {
  x.key(kEscape, true);
  const bool gone = saver.waitExit(kBound).has_value();
  x.key(kEscape, false);
  return gone;
}

void startToFirstFrame(XDisplay& x, const char* name, const std::function<SaverChoices(const fs::path&)>& choose) {
  std::map<std::string, std::vector<double>> stages;
  for (int run = 0; run < kRuns; ++run) {
    SaverInstall install;
    install.choose(choose(install.root()));
    const double start = nowNs();
    auto saver = install.start({"/s"});
    if (!waitUntil([&] { return saver->stdout().find("first-frame") != std::string::npos; }, kBound)) {
      std::printf("%s: no frame; %s\n", name, saver->stdout().c_str());
      return;
    }
    std::map<std::string, double> t = stageTimes(saver->stdout());
    const auto add = [&](const char* label, double from, double to) { stages[label].push_back((to - from) / 1e6); };
    add("settings", start, t["settings"]);
    add("picture load", t["settings"], t["picture"]);
    add("hand-off write", t["picture"], t["handoff"]);
    add("renderer start", t["handoff"], t["renderer-window"]);
    add("renderer decode+textures", t["renderer-window"], t["first-frame"]);
    add("total", start, t["first-frame"]);
    if (!ended(x, *saver)) std::printf("%s: the saver did not end\n", name);
  }
  std::printf("%s, start of Tumbleview.scr /s to the first frame (median of %d, ms):\n", name, kRuns);
  for (const char* label : {"settings", "picture load", "hand-off write", "renderer start", "renderer decode+textures", "total"}) {
    std::printf("  %-26s %8.1f\n", label, median(stages[label]));
  }
}

fs::path photo(const fs::path& folder, int width, int height, const char* format) {
  // Gradients with detail, so that the coder has work as with a photograph.
  QImage picture(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < width; ++x) row[x] = qRgb(x * 255 / width, y * 255 / height, (x * y + (x ^ y)) & 0xFF);
  }
  const fs::path path = folder / (std::string("picture.") + format);
  picture.save(QString::fromStdString(path.string()), format, 90);
  return path;
}

// Processor time of a process so far (user + system), from /proc.
double cpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double user = 0, system = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) user = std::stod(field);
    if (i == 15) system = std::stod(field);
  }
  return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void watching(XDisplay& x, int otherWindows) {
  std::vector<Window> windows;
  for (int i = 0; i < otherWindows; ++i) {
    const Window window = XCreateSimpleWindow(x.get(), x.rootWindow(), i % 50, i / 50, 10, 10, 0, 0, 0);
    XStoreName(x.get(), window, ("window " + std::to_string(i)).c_str());
    XMapWindow(x.get(), window);
    windows.push_back(window);
  }
  XSync(x.get(), False);
  SaverInstall install;
  install.choose({});
  auto saver = install.start({"/s"});
  waitUntil([&] { return saver->stdout().find("first-frame") != std::string::npos; }, kBound);
  const double before = cpuSeconds(saver->pid());
  const auto from = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(5));
  const double used = cpuSeconds(saver->pid()) - before;
  const double seconds = Seconds(Clock::now() - from).count();
  std::printf("watching with %3d other top-level windows: %.2f %% of one core\n", otherWindows, 100 * used / seconds);
  ended(x, *saver);
  for (Window window : windows) XDestroyWindow(x.get(), window);
  XSync(x.get(), False);
}

}  // namespace
}  // namespace tvtest

int main() {
  using namespace tvtest;
  XDisplay x;
  startToFirstFrame(x, "1024 x 768 BMP", [](const fs::path& f) { return SaverChoices{1, photo(f, 1024, 768, "bmp").string(), 0, 0, ""}; });
  startToFirstFrame(x, "4000 x 3000 JPEG", [](const fs::path& f) { return SaverChoices{1, photo(f, 4000, 3000, "jpg").string(), 0, 0, ""}; });
  startToFirstFrame(x, "desktop capture", [](const fs::path&) { return SaverChoices{}; });
  watching(x, 30);
  watching(x, 300);
  return 0;
}
