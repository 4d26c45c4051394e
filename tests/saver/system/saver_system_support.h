// The two programs as a user runs them: copied into a folder of their own
// with a settings file, started as Tumbleview.scr on the test's X server,
// with a private hand-off folder and SDL's disk audio driver recording the
// music beside them.  Used by the whole-system tests and the benchmark.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "shell_e2e_support.h"

namespace tvtest {

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
  std::filesystem::path handoff() const { return drive() / "Tumbleview.bmp"; }
  std::filesystem::path musicCapture() const { return m_root / "music.raw"; }

  // Writes the settings file beside the programs through the saver's own writer.
  void choose(const SaverChoices& choices) const;

  // Starts Tumbleview.scr from the programs' folder; its output (and the
  // renderer's, which it inherits) goes to a file of the process.
  // `wrapper` is a program (with its arguments) that starts it.
  std::unique_ptr<Process> start(const std::vector<std::string>& arguments,
                                 const std::vector<std::string>& environment = {},
                                 const std::vector<std::string>& wrapper = {});

  // Processes whose program file is in the programs' folder.
  std::vector<pid_t> runningPrograms() const;

 private:
  std::filesystem::path m_root;
  int m_started = 0;
};

}  // namespace tvtest
