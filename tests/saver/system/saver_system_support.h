// The two programs as a user runs them: copied into a folder of their own
// with a settings file, Tumbleview.scr started on the test's X server with a
// private hand-off folder, and SDL's disk audio driver recording the music
// beside them.  Shared by the whole-system tests and the benchmark.
#pragma once

#include <QImage>

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "shell_e2e_support.h"

namespace tvtest {

inline constexpr Seconds kBound{20};

struct SaverChoices {
  int picKind = 0;
  std::string picFile;
  int bgmKind = 0;
  int bgmRepeat = 0;
  std::string bgmFile;
};

class SaverInstall {
 public:
  SaverInstall();
  ~SaverInstall();
  SaverInstall(const SaverInstall&) = delete;
  SaverInstall& operator=(const SaverInstall&) = delete;

  const std::filesystem::path& root() const { return m_root; }
  std::filesystem::path programs() const { return m_root / "programs"; }
  std::filesystem::path drive() const { return m_root / "drive"; }
  std::filesystem::path musicCapture() const { return m_root / "music.raw"; }

  // Writes the settings file beside the programs with the saver's own writer.
  void choose(const SaverChoices& choices) const;

  // Starts Tumbleview.scr (through `wrapper` and its arguments, if given);
  // its output, and the renderer's, which it inherits, go to a file.
  // `environment` comes before the defaults and wins over them.
  std::unique_ptr<Process> start(const std::vector<std::string>& arguments,
                                 const std::vector<std::string>& environment = {},
                                 const std::vector<std::string>& wrapper = {});

  // Processes whose program file is in the programs' folder.
  std::vector<pid_t> runningPrograms() const;

 private:
  std::filesystem::path m_root;
  int m_started = 0;
};

// Each case on a fresh X server with a fresh install; nothing of the saver
// may still run at its end.
class SaverSystem : public ::testing::Test {
 protected:
  void TearDown() override;

  std::unique_ptr<Process> run(const SaverChoices& choices, const std::vector<std::string>& arguments = {"/s"},
                               const std::vector<std::string>& environment = {});
  // The renderer's window once it is shown and has presented a frame; 0 if not.
  Window rendererShown(const Process& saver);
  // Escape, held until the renderer's window has gone; the saver's exit status.
  std::optional<int> escape(Process& saver);
  // A window of one colour, mapped without a window manager's say.
  Window solidWindow(int x, int y, int width, int height, unsigned long rgb);
  QImage handoff() const;  // as 32-bit RGB

  XDisplay m_x;
  SaverInstall m_install;
};

bool has(const Process& process, const std::string& text);

}  // namespace tvtest
