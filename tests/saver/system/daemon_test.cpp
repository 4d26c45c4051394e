// The saver on a Linux desktop, each case on a private 1024 x 768 Xvfb with
// real daemons: the hack conventions without a daemon (a window of the
// test's own), XScreenSaver 6 run as an unprivileged user with a home of its
// own (its graphics helper refuses to run hacks as root), xautolock's idle
// start, and the per-user install.  Music goes to SDL's disk driver.
//
// Built a second time with TUMBLEVIEW_DAEMON_BENCH as the benchmark (label
// bench): frames per second and processor use of the hack next to
// flipscreen3d, both run by XScreenSaver the same way, paced and unpaced,
// and of the /s run at the same size.  Frames are counted from outside,
// alike for all: the X server's damage reports on the drawn window, in
// whole-window areas.  Processor use is the user and system time of the
// drawing processes, in per cent of one core.
// Qt's headers (through the support header) before Xlib's macros.
#include "saver_system_support.h"

#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "handoff.h"
#include "music_test_support.h"
#include "program_paths.h"
#include "saver_state.h"
#include "settings_file.h"

namespace {

namespace fs = std::filesystem;
using namespace tvtest;
using tumbleview::test::captureMore;
using tumbleview::test::capturedFrames;
using tumbleview::test::tone;
using tumbleview::test::writeWave;

// Bounded waits around daemons, which take their time on a busy machine.
constexpr Seconds kDaemonBound{30};
// How long a daemon lets a hack take to end before it complains; the hack,
// the renderer and the music must all be gone by then.
constexpr Seconds kGracePeriod{3};

// A rectangle of the screen, pixels.
struct Area {
  int x, y, width, height;
};

// The red picture on the spheres, tinted by the cube's blue light.
bool reddish(int r, int g, int b) { return r > 100 && r > 2 * g && r > b; }

class Daemon : public SaverSystem {
 protected:
  Daemon() {
    // The unprivileged user must reach its home inside the test's folder.
    fs::permissions(m_install.root(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::create_directory(home());
    writeWave((home() / "tone.wav").string(), tone(440, 44100));
    writeSolidBmp(home() / "red.bmp", 64, 64, 0xE02020);
    for (const fs::path& path : {home(), home() / "tone.wav", home() / "red.bmp"}) {
      if (geteuid() == 0 && chown(path.c_str(), kNobody, kNoGroup) != 0) throw std::runtime_error("chown failed");
    }
  }

  fs::path home() const { return m_install.root() / "home"; }
  fs::path installed() const { return home() / ".local/share/tumbleview"; }
  fs::path music() const { return home() / "music.raw"; }

  // Runs as the unprivileged user in its own home, as a desktop session would.
  std::unique_ptr<Process> asUser(const std::vector<std::string>& command, const std::string& name) {
    const std::string h = home().string();
    std::vector<std::string> argv = {"env", "HOME=" + h, "XDG_DATA_HOME=" + h + "/.local/share", "XDG_CONFIG_HOME=" + h + "/.config",
                                     "XDG_CACHE_HOME=" + h + "/.cache", "SDL_AUDIODRIVER=disk",
                                     "SDL_DISKAUDIOFILE=" + music().string(), "TUMBLEVIEW_FRAME_REPORT=1"};
    if (geteuid() == 0) argv.insert(argv.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    argv.insert(argv.end(), command.begin(), command.end());
    return std::make_unique<Process>(argv, m_install.root(), name + std::to_string(++m_runs));
  }
  std::optional<int> runAsUser(const std::vector<std::string>& argv) { return asUser(argv, "command")->waitExit(kDaemonBound); }

  // The unprivileged user may not reach the checkout (a clone in a private
  // folder): the installer runs from a copy of what it reads.
  fs::path staged() {
    const fs::path to = m_install.root() / "source", from = TUMBLEVIEW_SOURCE_DIR, bin = TUMBLEVIEW_BUILD_DIR "/bin";
    if (fs::exists(to)) return to;
    for (const char* part : {"scripts", "saver/host/run/desktop", "saver/assets/icon.png", "build/bin/Tumbleview.scr",
                             "build/bin/Tumbleview.dll", "build/bin/README.md"}) {
      fs::create_directories((to / part).parent_path());
      const fs::path source = std::string_view(part).starts_with("build/") ? bin / fs::path(part).filename() : from / part;
      fs::copy(source, to / part, fs::copy_options::recursive);
    }
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(to)) {
      fs::permissions(entry.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    }
    fs::permissions(to, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    return to;
  }

  std::optional<int> install(const std::vector<std::string>& options = {}) {
    std::vector<std::string> argv = {(staged() / "scripts/install.sh").string(), "--build", (staged() / "build").string()};
    argv.insert(argv.end(), options.begin(), options.end());
    return runAsUser(argv);
  }

  // The red picture (or, with `picKind` 0, the desktop) and the looping
  // tone, in the settings file of `folder`.
  void chooseRedWithMusic(const fs::path& folder, std::int16_t picKind = 1) const {
    tumbleview::setSaverFolderForTesting(folder.string());
    tumbleview::Settings = tumbleview::SettingsRecord{picKind, (home() / "red.bmp").string(), "", 2, 0, (home() / "tone.wav").string(), ""};
    tumbleview::writeSettings();
    tumbleview::setSaverFolderForTesting(std::nullopt);
  }

  int redPixels(const Area& area) const {
    return m_x.capture().count(area.x, area.y, area.x + area.width, area.y + area.height, reddish);
  }

  // Processes whose program file lies in `folder` (or is named `name`).
  static std::vector<pid_t> runningIn(const fs::path& folder, const std::string& name = "") {
    std::vector<pid_t> found;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
      std::error_code gone;
      const fs::path program = fs::read_symlink(entry.path() / "exe", gone);
      if (!gone && (name.empty() ? program.parent_path() == folder : program.filename() == name)) {
        found.push_back(std::atoi(entry.path().filename().c_str()));
      }
    }
    return found;
  }

  // XScreenSaver as the user, with settings of its own (the hack alone, at
  // once, no fading, no lock) and `programs` as the list, activated.
  std::unique_ptr<Process> startXscreensaver(const std::string& programs = "") {
    std::ofstream(home() / ".xscreensaver", std::ios::app)
        << "mode:\t\tone\nselected:\t0\nlock:\t\tFalse\nfade:\t\tFalse\nunfade:\t\tFalse\nsplash:\t\tFalse\n" << programs;
    std::unique_ptr<Process> daemon = asUser({"xscreensaver", "--no-splash", "--verbose"}, "xscreensaver");
    EXPECT_TRUE(waitUntil([&] { return runAsUser({"xscreensaver-command", "-version"}) == 0; }, kDaemonBound));
    EXPECT_EQ(runAsUser({"xscreensaver-command", "-activate"}), 0);
    return daemon;
  }

  static bool musicStopped(const std::string& capture) {
    const std::size_t before = capturedFrames(capture);
    return !captureMore(capture, 0.5) && capturedFrames(capture) == before;
  }

  static constexpr uid_t kNobody = 65534;
  static constexpr gid_t kNoGroup = 65534;
  int m_runs = 0;
};

#ifndef TUMBLEVIEW_DAEMON_BENCH

// --- The hack conventions without a daemon -----------------------------------

TEST_F(Daemon, HelpVersionAndBadWindowIdsEndWithStatusZero) {
  struct Case {
    std::vector<std::string> arguments;
    const char* printed;
  };
  for (const Case& c : {Case{{"--help"}, "XSCREENSAVER_WINDOW"}, Case{{"--help"}, "Tumbleview.ini"},
                        Case{{"--version"}, "Tumbleview 1."}, Case{{"--window-id", "nonsense"}, ""},
                        Case{{"--help", "/s"}, ""}}) {
    std::unique_ptr<Process> saver = m_install.start(c.arguments);
    EXPECT_EQ(saver->waitExit(kSaverBound), 0) << c.arguments.front();
    EXPECT_NE(saver->stdout().find(c.printed), std::string::npos) << c.arguments.front();
    if (*c.printed == '\0') {
      EXPECT_EQ(saver->stdout().find("Usage"), std::string::npos);
    }
  }
}

TEST_F(Daemon, GivenWindowsShowTheCubeUntilSigtermWithMusicOnceOnTheDaemonsScreen) {
  struct Case {
    const char* name;
    bool byVariable;  // --root with $XSCREENSAVER_WINDOW, else --window-id (a preview pane)
    int monitors;     // hacks started at once, one window each, as a daemon does
    int musicPlayers;
  };
  for (const Case& c : {Case{"preview pane", false, 1, 0}, Case{"daemon window", true, 1, 1},
                        Case{"two monitors", true, 2, 1}}) {
    SCOPED_TRACE(c.name);
    m_install.choose({1, (home() / "red.bmp").string(), 2, 0, (home() / "tone.wav").string()});
    std::vector<Area> panes;
    std::vector<Window> windows;
    std::vector<std::unique_ptr<Process>> savers;
    const auto musicOf = [&](int i) { return m_install.root() / ("music" + std::to_string(i) + ".raw"); };
    for (int i = 0; i < c.monitors; ++i) {
      // Large enough for the sphere's 256 x 256 render-target pass.
      panes.push_back({50 + 500 * i, 150, 400, 300});
      windows.push_back(solidWindow(panes[i].x, panes[i].y, panes[i].width, panes[i].height, 0x404040));
      fs::remove(musicOf(i));
      const std::string hex = (std::ostringstream() << std::hex << windows[i]).str();
      std::vector<std::string> env = {"SDL_DISKAUDIOFILE=" + musicOf(i).string()};
      if (c.byVariable) env.push_back("XSCREENSAVER_WINDOW=0x" + hex);
      savers.push_back(c.byVariable ? m_install.start({"--root"}, env) : m_install.start({"--window-id", "0x" + hex}, env));
    }
    for (int i = 0; i < c.monitors; ++i) {
      EXPECT_TRUE(waitUntil([&] { return redPixels(panes[i]) > panes[i].width * panes[i].height / 50; }, kSaverBound))
          << savers[i]->stdout() << savers[i]->stderr();
    }
    // Drawn into the given windows only: none of its own, nothing outside.
    EXPECT_TRUE(m_x.findByTitle(tumbleview::kRendererWindowTitle).empty());
    EXPECT_EQ(m_x.capture().count(0, 0, 1024, panes[0].y, reddish), 0);
    std::vector<std::string> playing;
    for (int i = 0; i < c.monitors; ++i) {
      if (captureMore(musicOf(i).string(), 0.5)) playing.push_back(musicOf(i).string());
    }
    EXPECT_EQ(static_cast<int>(playing.size()), c.musicPlayers);

    for (auto& saver : savers) kill(saver->pid(), SIGTERM);
    for (auto& saver : savers) EXPECT_EQ(saver->waitExit(kGracePeriod), 0);
    EXPECT_TRUE(waitUntil([&] { return m_install.runningPrograms().empty(); }, kGracePeriod)) << "renderer outlived the hack";
    for (const std::string& capture : playing) EXPECT_TRUE(musicStopped(capture));
    for (Window window : windows) XDestroyWindow(m_x.get(), window);
  }
}

// --- XScreenSaver 6 ----------------------------------------------------------

TEST_F(Daemon, XScreenSaverShowsTheCubeInItsWindowAndEndsEverythingWithinTheGracePeriod) {
  if (system("command -v xscreensaver >/dev/null") != 0) GTEST_SKIP() << "xscreensaver is not installed";
  // The programs list as the installer writes it.
  ASSERT_EQ(install(), 0);
  // The desktop as the picture: red where the daemon will cover it.
  chooseRedWithMusic(installed(), 0);
  const Window desktop = solidWindow(0, 0, 1024, 768, 0xE02020);
  std::unique_ptr<Process> daemon = startXscreensaver();
  // Gone once the hack runs (the daemon saves the desktop before it starts
  // one): red now can only come from the daemon's picture.
  ASSERT_TRUE(waitUntil([&] { return !runningIn(installed()).empty(); }, kDaemonBound));
  XDestroyWindow(m_x.get(), desktop);
  XSync(m_x.get(), False);
  EXPECT_TRUE(waitUntil([&] { return redPixels({0, 0, 1024, 768}) > 20000; }, kDaemonBound))
      << "no cube in the colours of the desktop the daemon saved\n" << daemon->stdout() << daemon->stderr();
  EXPECT_TRUE(captureMore(music().string(), 0.5)) << "no music";
  EXPECT_EQ(runningIn(installed()).size(), 2u) << "the hack and its renderer";

  // The daemon may let a deactivation that comes hard on the activation
  // pass unheeded (it then keeps its screen blanked): ask again until it
  // ends the hack, and from then on everything must be gone within its
  // grace period.
  bool ended = false;
  for (int attempt = 0; attempt < 5 && !ended; ++attempt) {
    ASSERT_EQ(runAsUser({"xscreensaver-command", "-deactivate"}), 0);
    ended = waitUntil([&] { return runningIn(installed()).empty(); }, kGracePeriod);
  }
  EXPECT_TRUE(ended) << daemon->stdout() << daemon->stderr();
  EXPECT_TRUE(musicStopped(music().string()));
  kill(daemon->pid(), SIGTERM);
  daemon->waitExit(kSaverBound);
}

// --- Idle start ----------------------------------------------------------------

TEST_F(Daemon, XautolockStartsTheSaverAfterEachIdlePeriodWithoutInput) {
  if (system("command -v xautolock >/dev/null") != 0) GTEST_SKIP() << "xautolock is not installed";
  m_install.choose({1, (home() / "red.bmp").string(), 0, 0, ""});
  // Its shortest idle time is a minute.
  const std::string saver = (m_install.programs() / "Tumbleview.scr").string() + " /s";
  Process watcher({"env", "TUMBLEVIEW_DRIVE_C=" + m_install.drive().string(), "TUMBLEVIEW_FRAME_REPORT=1", "xautolock",
                   "-noclose", "-time", "1", "-locker", saver},
                  m_install.root(), "xautolock");
  const auto frames = [&] {
    const std::string out = watcher.stdout();
    int count = 0;
    for (auto at = out.find("first-frame"); at != std::string::npos; at = out.find("first-frame", at + 1)) ++count;
    return count;
  };
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    const auto idleFrom = Clock::now();
    ASSERT_TRUE(waitUntil([&] { return m_x.findByTitle(tumbleview::kRendererWindowTitle).size() == 1; }, Seconds(100)));
    EXPECT_GE(Clock::now() - idleFrom, Seconds(50)) << "started before the idle time was up";
    EXPECT_TRUE(waitUntil([&] { return frames() == run; }, kSaverBound));
    m_x.key(0xff1b /* XK_Escape */, true);
    EXPECT_TRUE(waitUntil([&] { return m_x.findByTitle(tumbleview::kRendererWindowTitle).empty(); }, kSaverBound));
    m_x.key(0xff1b, false);
    EXPECT_TRUE(waitUntil([&] { return m_install.runningPrograms().empty(); }, kSaverBound));
  }
}

// --- Install -------------------------------------------------------------------

// Every file under `root` with a hash of its bytes.
std::map<std::string, std::size_t> filesUnder(const fs::path& root) {
  std::map<std::string, std::size_t> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ostringstream bytes;
    bytes << std::ifstream(entry.path(), std::ios::binary).rdbuf();
    files[fs::relative(entry.path(), root).string()] = std::hash<std::string>()(bytes.str());
  }
  return files;
}

TEST_F(Daemon, InstallTwiceChangesNothingAndUninstallLeavesOnlyTheSettings) {
  const auto before = filesUnder(home());
  ASSERT_EQ(install({"--on-idle", "5"}), 0);
  const auto once = filesUnder(home());
  for (const char* file : {".local/share/tumbleview/Tumbleview.scr", ".local/share/tumbleview/Tumbleview.dll",
                           ".local/share/icons/hicolor/32x32/apps/tumbleview.png", ".xscreensaver"}) {
    EXPECT_TRUE(once.count(file)) << file;
  }
  for (const char* entry : {".local/share/applications/tumbleview-settings.desktop",
                            ".local/share/applications/tumbleview-run.desktop", ".config/autostart/tumbleview-on-idle.desktop"}) {
    ASSERT_TRUE(once.count(entry)) << entry;
    EXPECT_EQ(system(("desktop-file-validate " + (home() / entry).string()).c_str()), 0) << entry;
  }
  const auto text = [&](const char* file) {
    std::ostringstream bytes;
    bytes << std::ifstream(home() / file).rdbuf();
    return bytes.str();
  };
  EXPECT_NE(text(".local/share/applications/tumbleview-settings.desktop").find(installed().string() + "/Tumbleview.scr\" /c"),
            std::string::npos);
  EXPECT_NE(text(".xscreensaver").find("\"Tumbleview\" " + installed().string() + "/Tumbleview.scr --root"), std::string::npos);

  ASSERT_EQ(install({"--on-idle", "5"}), 0);
  EXPECT_EQ(filesUnder(home()), once);

  chooseRedWithMusic(installed());
  ASSERT_EQ(runAsUser({(staged() / "scripts/uninstall.sh").string()}), 0);
  auto left = filesUnder(home());
  EXPECT_EQ(left.erase(".local/share/tumbleview/Tumbleview.ini"), 1u);
  EXPECT_EQ(left, before);
}

#else  // TUMBLEVIEW_DAEMON_BENCH

// The peer hack: one process, no renderer of its own.
constexpr const char* kRendererlessPeer = "flipscreen3d";

// User plus system time of `pids`, in seconds.
double cpuSeconds(const std::vector<pid_t>& pids) {
  long long ticks = 0;
  for (pid_t pid : pids) {
    std::string line;
    std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), line);
    if (line.rfind(')') == std::string::npos) continue;  // ended meanwhile
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 15 && fields >> field; ++i) ticks += i >= 14 ? std::stoll(field) : 0;
  }
  return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// After a warm-up: whole-window damage per second on `window` and the
// processor use of the processes `drawing` gives, in per cent of a core.
void report(const char* what, Display* display, Window window, const std::function<std::vector<pid_t>()>& drawing) {
  constexpr double kSeconds = 6.0;
  const Damage damage = XDamageCreate(display, window, XDamageReportRawRectangles);
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  std::this_thread::sleep_for(std::chrono::seconds(2));
  for (XEvent event; XPending(display);) XNextEvent(display, &event);
  const std::vector<pid_t> pids = drawing();
  const double cpuBefore = cpuSeconds(pids);
  double area = 0;
  for (const auto end = Clock::now() + Seconds(kSeconds); Clock::now() < end;) {
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    if (!XPending(display) && poll(&fd, 1, 10) <= 0) continue;
    XEvent event;
    XNextEvent(display, &event);
    const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
    area += static_cast<double>(notify.area.width) * notify.area.height;
  }
  const double cpu = 100.0 * (cpuSeconds(pids) - cpuBefore) / kSeconds;
  const double fps = area / (static_cast<double>(attributes.width) * attributes.height) / kSeconds;
  std::printf("%-32s %6.1f frames/s %6.1f %% CPU %5.2f %% CPU per frame/s\n", what, fps, cpu, cpu / fps);
  XDamageDestroy(display, damage);
}

TEST_F(Daemon, BenchHackNextToFlipscreen3dAndTheRun) {
  if (geteuid() != 0 || system("command -v xscreensaver >/dev/null") != 0) GTEST_SKIP() << "needs root and xscreensaver";
  ASSERT_EQ(install(), 0);
  chooseRedWithMusic(installed());
  const std::string saver = (installed() / "Tumbleview.scr").string();
  struct Run {
    const char* name;
    std::string program;
    std::string arguments;
  };
  for (const Run& run : {Run{"Tumbleview hack, --delay 0", saver, " --delay 0"}, Run{"Tumbleview hack, default delay", saver, ""},
                         Run{"flipscreen3d, --delay 0", kRendererlessPeer, " --delay 0"},
                         Run{"flipscreen3d, default delay", kRendererlessPeer, ""}}) {
    fs::remove(home() / ".xscreensaver");
    auto daemon = startXscreensaver("programs:\t\\\n  GL: " + run.program + " --root" + run.arguments + " \\n\n");
    const std::string name = fs::path(run.program).filename();
    Window window = 0;
    ASSERT_TRUE(waitUntil([&] {
      for (pid_t pid : runningIn({}, name)) {
        std::ifstream environ("/proc/" + std::to_string(pid) + "/environ");
        for (std::string entry; std::getline(environ, entry, '\0');) {
          if (entry.starts_with("XSCREENSAVER_WINDOW=")) window = std::stoul(entry.substr(20), nullptr, 0);
        }
      }
      return window != 0;
    }, kDaemonBound)) << run.name;
    report(run.name, m_x.get(), window, [&] { return name == kRendererlessPeer ? runningIn({}, name) : runningIn(installed()); });
    const std::string out = daemon->stdout();
    if (const auto start = out.find("saver main "), first = out.find("first-frame "); first != std::string::npos) {
      std::printf("%-32s %6.0f ms from the hack's start to its first frame\n", run.name,
                  (std::stod(out.substr(first + 12)) - std::stod(out.substr(start + 11))) / 1e6);
    }
    kill(daemon->pid(), SIGTERM);
    daemon->waitExit(kSaverBound);
    ASSERT_TRUE(waitUntil([&] { return runningIn(installed()).empty() && runningIn({}, name).empty(); }, kSaverBound));
  }
  // The /s run at the same size, as fast as it draws.
  m_install.choose({1, (home() / "red.bmp").string(), 2, 0, (home() / "tone.wav").string()});
  std::unique_ptr<Process> run = m_install.start({"/s"});
  const Window window = rendererShown(*run);
  ASSERT_NE(window, 0u) << run->stdout() << run->stderr();
  report("Tumbleview /s (unpaced)", m_x.get(), window, [&] { return m_install.runningPrograms(); });
  escape(*run);
}

#endif  // TUMBLEVIEW_DAEMON_BENCH

}  // namespace
