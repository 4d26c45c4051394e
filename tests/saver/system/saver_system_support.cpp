#include "saver_system_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>

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
  // Linked where the file system allows: the saver finds its folder
  // through /proc/self/exe, which sees through symbolic links.
  for (const char* program : {TUMBLEVIEW_SAVER, TUMBLEVIEW_RENDERER}) {
    const fs::path to = programs() / fs::path(program).filename();
    std::error_code linkFailed;
    fs::create_hard_link(program, to, linkFailed);
    if (linkFailed) fs::copy_file(program, to);
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
  Settings = SettingsRecord{};
  Settings.PicKind = static_cast<std::int16_t>(choices.picKind);
  Settings.PicFile = choices.picFile;
  Settings.BgmKind = static_cast<std::int16_t>(choices.bgmKind);
  Settings.BgmRepeat = static_cast<std::int16_t>(choices.bgmRepeat);
  Settings.BgmFile = choices.bgmFile;
  writeSettings();
  setSaverFolderForTesting(std::nullopt);
}

std::unique_ptr<Process> SaverInstall::start(const std::vector<std::string>& arguments,
                                             const std::vector<std::string>& environment,
                                             const std::vector<std::string>& wrapper) {
  std::vector<std::string> argv = wrapper;
  argv.push_back((programs() / "Tumbleview.scr").string());
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  // The first of two entries of a name wins.
  std::vector<std::string> env = environment;
  env.insert(env.end(), {"TUMBLEVIEW_DRIVE_C=" + drive().string(), "TUMBLEVIEW_FRAME_REPORT=1",
                         "SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + musicCapture().string(),
                         "QT_QPA_PLATFORM=xcb"});
  return std::make_unique<Process>(argv, env, m_root, "saver" + std::to_string(++m_started));
}

std::vector<pid_t> SaverInstall::runningPrograms() const {
  std::vector<pid_t> found;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code gone;
    const fs::path program = fs::read_symlink(entry.path() / "exe", gone);
    if (!gone && program.parent_path() == programs()) found.push_back(std::stoi(name));
  }
  return found;
}

}  // namespace tvtest
