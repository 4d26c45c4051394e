#include "saver_system_support.h"

#include <signal.h>
#include <stdlib.h>

#include <stdexcept>

#include "handoff.h"
#include "program_paths.h"
#include "saver_state.h"
#include "settings_file.h"

namespace tvtest {
namespace fs = std::filesystem;

SaverInstall::SaverInstall() {
  char pattern[] = "/tmp/tv-saver-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  m_root = pattern;
  fs::create_directory(programs());
  fs::create_directory(drive());
  fs::permissions(drive(), fs::perms::owner_all);
  // Linked where the file system allows: the saver finds its folder through
  // /proc/self/exe, which sees through symbolic links.
  for (const char* program : {TUMBLEVIEW_SAVER, TUMBLEVIEW_RENDERER}) {
    std::error_code notLinked;
    fs::create_hard_link(program, programs() / fs::path(program).filename(), notLinked);
    if (notLinked) fs::copy_file(program, programs() / fs::path(program).filename());
  }
}

SaverInstall::~SaverInstall() {
  std::error_code ignored;
  fs::permissions(drive(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(m_root, ignored);
}

void SaverInstall::choose(const SaverChoices& choices) const {
  using namespace tumbleview;
  setSaverFolderForTesting(programs().string());
  Settings = SettingsRecord{static_cast<std::int16_t>(choices.picKind), choices.picFile, "",
                            static_cast<std::int16_t>(choices.bgmKind), static_cast<std::int16_t>(choices.bgmRepeat),
                            choices.bgmFile, ""};
  writeSettings();
  setSaverFolderForTesting(std::nullopt);
}

std::unique_ptr<Process> SaverInstall::start(const std::vector<std::string>& arguments,
                                             const std::vector<std::string>& environment,
                                             const std::vector<std::string>& wrapper) {
  std::vector<std::string> argv = wrapper;
  argv.push_back((programs() / "Tumbleview.scr").string());
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> env = environment;
  env.insert(env.end(), {"TUMBLEVIEW_DRIVE_C=" + drive().string(), "TUMBLEVIEW_FRAME_REPORT=1", "SDL_AUDIODRIVER=disk",
                         "SDL_DISKAUDIOFILE=" + musicCapture().string(), "QT_QPA_PLATFORM=xcb"});
  return std::make_unique<Process>(argv, env, m_root, "saver" + std::to_string(++m_started));
}

std::vector<pid_t> SaverInstall::runningPrograms() const {
  std::vector<pid_t> found;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
    std::error_code gone;
    const fs::path program = fs::read_symlink(entry.path() / "exe", gone);
    if (!gone && program.parent_path() == programs()) found.push_back(std::atoi(entry.path().filename().c_str()));
  }
  return found;
}

void SaverSystem::TearDown() {
  EXPECT_TRUE(waitUntil([&] { return m_install.runningPrograms().empty(); }, kBound)) << "programs still run";
  for (pid_t pid : m_install.runningPrograms()) kill(pid, SIGKILL);
}

std::unique_ptr<Process> SaverSystem::run(const SaverChoices& choices, const std::vector<std::string>& arguments,
                                          const std::vector<std::string>& environment) {
  m_install.choose(choices);
  return m_install.start(arguments, environment);
}

Window SaverSystem::rendererShown(const Process& saver) {
  Window window = 0;
  waitUntil([&] {
    const std::vector<Window> found = m_x.findByTitle(tumbleview::kRendererWindowTitle);
    window = found.size() == 1 && m_x.shown(found.front()) ? found.front() : 0;
    return window != 0 && has(saver, "first-frame");
  }, kBound);
  return window;
}

std::optional<int> SaverSystem::escape(Process& saver) {
  m_x.key(0xff1b /* XK_Escape */, true);
  waitUntil([&] { return m_x.findByTitle(tumbleview::kRendererWindowTitle).empty(); }, kBound);
  m_x.key(0xff1b, false);
  return saver.waitExit(kBound);
}

Window SaverSystem::solidWindow(int x, int y, int width, int height, unsigned long rgb) {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = rgb;
  const Window window = XCreateWindow(m_x.get(), m_x.rootWindow(), x, y, width, height, 0, CopyFromParent, InputOutput,
                                      CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
  XMapRaised(m_x.get(), window);
  XSync(m_x.get(), False);
  waitUntil([&] { return m_x.shown(window); }, kBound);
  return window;
}

QImage SaverSystem::handoff() const {
  const fs::path path = m_install.drive() / tumbleview::kHandoffFileName;
  return QImage(QString::fromStdString(path.string())).convertToFormat(QImage::Format_RGB32);
}

bool has(const Process& process, const std::string& text) { return process.stdout().find(text) != std::string::npos; }

}  // namespace tvtest
