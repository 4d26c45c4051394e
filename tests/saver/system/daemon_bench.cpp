// Benchmark of the hack mode under XScreenSaver 6 on the X server it is given
// (Xvfb at 1024 x 768, Mesa's software rasterizer), as an unprivileged user:
// frames per second and processor use of Tumbleview next to flipscreen3d,
// both run by the daemon the same way, unpaced (--delay 0) and at the
// default delay; Tumbleview's /s run at the same size; and, for the hack,
// the time from the saver's start to its first frame.  Frames are counted
// from outside, alike for every program: the X server's damage reports on
// the drawn window, in whole-window areas.  Processor use is the user and
// system time of the drawing processes (saver and renderer, or the hack)
// over the measured span, in per cent of one core.
// Qt's headers (through the support header) before Xlib's macros.
#include "saver_system_support.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace tvtest;

constexpr Seconds kWarmUp{2.0};
constexpr Seconds kMeasure{6.0};
constexpr const char* kPeer = "flipscreen3d";

// User plus system time of `pids`, in clock ticks.
long long cpuTicks(const std::vector<pid_t>& pids) {
  long long ticks = 0;
  for (pid_t pid : pids) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    if (line.rfind(')') == std::string::npos) continue;  // ended meanwhile
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 14 || i == 15) ticks += std::stoll(field);
    }
  }
  return ticks;
}

// Processes whose program file is named `name`.
std::vector<pid_t> processesNamed(const std::string& name) {
  std::vector<pid_t> found;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
    std::error_code gone;
    if (fs::read_symlink(entry.path() / "exe", gone).filename() == name && !gone) {
      found.push_back(std::atoi(entry.path().filename().c_str()));
    }
  }
  return found;
}

struct Figures {
  double framesPerSecond = 0;
  double cpuPercent = 0;
};

// Whole-window damage per second on `window`, and the processor use of
// `drawing` over the same span.
Figures measure(Display* display, Window window, const std::vector<std::string>& drawing) {
  const Damage damage = XDamageCreate(display, window, XDamageReportRawRectangles);
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  XSync(display, False);
  std::this_thread::sleep_for(kWarmUp);
  std::vector<pid_t> pids;
  for (const std::string& name : drawing) {
    for (pid_t pid : processesNamed(name)) pids.push_back(pid);
  }
  while (XPending(display)) {
    XEvent event;
    XNextEvent(display, &event);
  }
  const long long ticksBefore = cpuTicks(pids);
  double area = 0;
  const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(kMeasure);
  while (Clock::now() < end) {
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    if (!XPending(display) && poll(&fd, 1, 10) <= 0) continue;
    XEvent event;
    XNextEvent(display, &event);
    const auto* notify = reinterpret_cast<const XDamageNotifyEvent*>(&event);
    area += static_cast<double>(notify->area.width) * notify->area.height;
  }
  const double ticks = static_cast<double>(cpuTicks(pids) - ticksBefore);
  XDamageDestroy(display, damage);
  return {area / (static_cast<double>(attributes.width) * attributes.height) / kMeasure.count(),
          100.0 * ticks / static_cast<double>(sysconf(_SC_CLK_TCK)) / kMeasure.count()};
}

class DaemonBench : public SaverSystem {
 protected:
  // XScreenSaver as an unprivileged user (its graphics helper runs no hack
  // as root) with a home whose programs list holds only `programLine`.
  std::unique_ptr<Process> daemonWith(const std::string& programLine) {
    const fs::path home = m_install.root() / "home";
    fs::permissions(m_install.root(), fs::perms::owner_all | fs::perms::others_exec);
    fs::create_directories(home);
    std::ofstream(home / ".xscreensaver") << "mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\n"
                                             "splash: False\nprograms:\t\\\n  GL: " << programLine << " \\n\n";
    const std::vector<std::string> env = {"HOME=" + home.string(), "TUMBLEVIEW_DRIVE_C=" + m_install.drive().string(),
                                          "TUMBLEVIEW_FRAME_REPORT=1"};
    for (const fs::path& path : {home, home / ".xscreensaver", m_install.drive()}) {
      if (chown(path.c_str(), 65534, 65534) != 0) ADD_FAILURE() << "chown " << path;
    }
    const std::vector<std::string> user = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    auto command = [&](const std::vector<std::string>& argv) {
      std::vector<std::string> full = user;
      full.insert(full.end(), argv.begin(), argv.end());
      return Process(full, env, m_install.root(), "command").waitExit(kBound);
    };
    std::vector<std::string> argv = user;
    argv.insert(argv.end(), {"xscreensaver", "--no-splash"});
    auto daemon = std::make_unique<Process>(argv, env, m_install.root(), "xscreensaver" + std::to_string(++m_runs));
    waitUntil([&] { return command({"xscreensaver-command", "-version"}) == 0; }, kBound);
    command({"xscreensaver-command", "-activate"});
    return daemon;
  }

  // The daemon's window: the one its hack was handed.
  Window hackWindow(const std::string& hack) {
    Window window = 0;
    waitUntil([&] {
      for (pid_t pid : processesNamed(hack)) {
        std::ifstream environ("/proc/" + std::to_string(pid) + "/environ");
        for (std::string entry; std::getline(environ, entry, '\0');) {
          if (entry.starts_with("XSCREENSAVER_WINDOW=")) window = std::stoul(entry.substr(20), nullptr, 0);
        }
      }
      return window != 0;
    }, kBound);
    return window;
  }

  void report(const char* what, const Figures& figures) {
    std::printf("%-36s %6.1f frames/s %6.1f %% CPU %6.2f %%CPU per frame/s\n", what, figures.framesPerSecond,
                figures.cpuPercent, figures.framesPerSecond > 0 ? figures.cpuPercent / figures.framesPerSecond : 0.0);
  }

  int m_runs = 0;
};

TEST_F(DaemonBench, HackNextToFlipscreen3dAndTheRun) {
  if (geteuid() != 0 || system("command -v xscreensaver >/dev/null") != 0) {
    GTEST_SKIP() << "needs root (to run the daemon as another user) and xscreensaver";
  }
  m_install.choose({1, TUMBLEVIEW_SOURCE_DIR "/saver/assets/sample.bmp", 0, 0, ""});
  const std::string saver = (m_install.programs() / "Tumbleview.scr").string();
  struct Run {
    const char* name;
    std::string line;
    std::vector<std::string> drawing;
  };
  for (const Run& run : {Run{"Tumbleview hack, --delay 0", saver + " --root --delay 0", {"Tumbleview.scr", "Tumbleview.dll"}},
                         Run{"Tumbleview hack, default delay", saver + " --root", {"Tumbleview.scr", "Tumbleview.dll"}},
                         Run{"flipscreen3d, --delay 0", std::string(kPeer) + " --root --delay 0", {kPeer}},
                         Run{"flipscreen3d, default delay", std::string(kPeer) + " --root", {kPeer}}}) {
    auto daemon = daemonWith(run.line);
    const Window window = hackWindow(run.drawing.front());
    ASSERT_NE(window, 0u) << run.name;
    report(run.name, measure(m_x.get(), window, run.drawing));
    const std::string out = daemon->stdout();
    if (const auto main = out.find("saver main "), first = out.find("first-frame "); main != std::string::npos && first != std::string::npos) {
      std::printf("%-36s %6.0f ms from the saver's start to the first frame\n", run.name,
                  (std::stod(out.substr(first + 12)) - std::stod(out.substr(main + 11))) / 1e6);
    }
    kill(daemon->pid(), SIGTERM);
    daemon->waitExit(kBound);
    waitUntil([&] { return m_install.runningPrograms().empty(); }, kBound);
  }

  // The design's run at the same size, as fast as it draws; as this user,
  // whose hand-off folder must be its own again.
  ASSERT_EQ(chown(m_install.drive().c_str(), getuid(), getgid()), 0);
  std::unique_ptr<Process> run = m_install.start({"/s"});
  const Window window = rendererShown(*run);
  ASSERT_NE(window, 0u) << run->stdout() << run->stderr();
  report("Tumbleview /s (unpaced)", measure(m_x.get(), window, {"Tumbleview.scr", "Tumbleview.dll"}));
  escape(*run);
}

}  // namespace
