// The two programs as a user runs them: copied into a folder of their own
// with a settings file, Tumbleview.scr started on the test's X server with a
// private hand-off folder, and SDL's disk audio driver recording the music
// beside them.  Shared by the whole-system tests and the benchmark.
#pragma once

#include <QImage>

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "program_paths.h"
#include "saver_state.h"
#include "settings_file.h"
#include "shell_e2e.h"

namespace tvtest {

// Longer than the renderer's own bound: two programs start on a loaded machine.
inline constexpr Seconds kSaverBound{20};

struct SaverChoices {
  int picKind = 0;
  std::string picFile;
  int bgmKind = 0, bgmRepeat = 0;
  std::string bgmFile;
};

class SaverInstall {
 public:
  SaverInstall() {
    char pattern[] = "/tmp/tv-saver-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    m_root = pattern;
    std::filesystem::create_directory(programs());
    std::filesystem::create_directory(drive());
    std::filesystem::permissions(drive(), std::filesystem::perms::owner_all);
    // Linked where the file system allows: the saver finds its folder
    // through /proc/self/exe, which sees through symbolic links.
    for (const std::filesystem::path program : {TUMBLEVIEW_SAVER, TUMBLEVIEW_RENDERER}) {
      std::error_code notLinked;
      std::filesystem::create_hard_link(program, programs() / program.filename(), notLinked);
      if (notLinked) std::filesystem::copy_file(program, programs() / program.filename());
    }
  }
  ~SaverInstall() {
    std::error_code ignored;
    std::filesystem::permissions(drive(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_root, ignored);
  }
  SaverInstall(const SaverInstall&) = delete;
  SaverInstall& operator=(const SaverInstall&) = delete;

  const std::filesystem::path& root() const { return m_root; }
  std::filesystem::path programs() const { return m_root / "programs"; }
  std::filesystem::path drive() const { return m_root / "drive"; }
  std::filesystem::path musicCapture() const { return m_root / "music.raw"; }

  // Writes the settings file beside the programs with the saver's own writer.
  void choose(const SaverChoices& c) const {
    using namespace tumbleview;
    setSaverFolderForTesting(programs().string());
    Settings = SettingsRecord{static_cast<std::int16_t>(c.picKind), c.picFile, "", static_cast<std::int16_t>(c.bgmKind),
                              static_cast<std::int16_t>(c.bgmRepeat), c.bgmFile, ""};
    writeSettings();
    setSaverFolderForTesting(std::nullopt);
  }

  // Starts Tumbleview.scr (through `wrapper` and its arguments, if given);
  // its output, and the renderer's, which it inherits, go to a file.
  // `environment` comes after the defaults and wins over them.
  std::unique_ptr<Process> start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {},
                                 const std::vector<std::string>& wrapper = {}) {
    std::vector<std::string> argv = {"env", "TUMBLEVIEW_DRIVE_C=" + drive().string(), "TUMBLEVIEW_FRAME_REPORT=1", "SDL_AUDIODRIVER=disk",
                                     "SDL_DISKAUDIOFILE=" + musicCapture().string(), "QT_QPA_PLATFORM=xcb"};
    for (const auto* part : {&environment, &wrapper}) argv.insert(argv.end(), part->begin(), part->end());
    argv.push_back((programs() / "Tumbleview.scr").string());
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return std::make_unique<Process>(argv, m_root, "saver" + std::to_string(++m_started));
  }

  // Processes whose program file is in the programs' folder.
  std::vector<pid_t> runningPrograms() const {
    std::vector<pid_t> found;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator("/proc")) {
      std::error_code gone;
      const std::filesystem::path program = std::filesystem::read_symlink(entry.path() / "exe", gone);
      if (!gone && program.parent_path() == programs()) found.push_back(std::atoi(entry.path().filename().c_str()));
    }
    return found;
  }

 private:
  std::filesystem::path m_root;
  int m_started = 0;
};

inline bool has(const Process& process, const std::string& text) { return process.stdout().find(text) != std::string::npos; }

// Each case on a fresh X server with a fresh install; nothing of the saver
// may still run at its end.
class SaverSystem : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_TRUE(waitUntil([&] { return m_install.runningPrograms().empty(); }, kSaverBound)) << "programs still run";
    for (pid_t pid : m_install.runningPrograms()) kill(pid, SIGKILL);
  }

  std::unique_ptr<Process> run(const SaverChoices& choices, const std::vector<std::string>& arguments = {"/s"},
                               const std::vector<std::string>& environment = {}) {
    m_install.choose(choices);
    return m_install.start(arguments, environment);
  }
  // The renderer's window once it is shown and has presented a frame; 0 if not.
  Window rendererShown(const Process& saver) {
    Window window = 0;
    waitUntil([&] {
      const std::vector<Window> found = m_x.findByTitle(tumbleview::kRendererWindowTitle);
      window = found.size() == 1 && m_x.shown(found.front()) ? found.front() : 0;
      return window != 0 && has(saver, "first-frame");
    }, kSaverBound);
    return window;
  }
  // Escape, held until the renderer's window has gone; the saver's exit status.
  std::optional<int> escape(Process& saver) {
    m_x.key(0xff1b /* XK_Escape */, true);
    waitUntil([&] { return m_x.findByTitle(tumbleview::kRendererWindowTitle).empty(); }, kSaverBound);
    m_x.key(0xff1b, false);
    return saver.waitExit(kSaverBound);
  }
  // A window of one colour, mapped without a window manager's say.
  Window solidWindow(int x, int y, int width, int height, unsigned long rgb) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = rgb;
    const Window window = XCreateWindow(m_x.get(), m_x.root(), x, y, width, height, 0, CopyFromParent, InputOutput,
                                        CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(m_x.get(), window);
    XSync(m_x.get(), False);
    waitUntil([&] { return m_x.shown(window); }, kSaverBound);
    return window;
  }
  QImage handoff() const {  // as 32-bit RGB
    const std::filesystem::path path = m_install.drive() / tumbleview::kHandoffFileName;
    return QImage(QString::fromStdString(path.string())).convertToFormat(QImage::Format_RGB32);
  }

  XDisplay m_x;
  SaverInstall m_install;
};

}  // namespace tvtest
