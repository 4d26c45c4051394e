// The renderer program: one full-screen OpenGL window showing the scene
// until Escape or a close request.  Started by the saver with no arguments.
// The saver's hack mode alone starts it with "--window-id <id> --delay <us>
// [--fps]" (hack_arguments.h): it then draws into that window instead.
#include <string>
#include <vector>

#include "hack_arguments.h"
#include "handoff.h"
#include "sdl_shell.h"
#include "shell_state.h"

namespace {

// The display configuration is fixed; nothing reads a file.
void applySettings(tumbleview::ShellState& shell) {
  shell.screenWidth = 1024;
  shell.screenHeight = 768;
  shell.colourBits = 32;
  shell.fullScreen = true;
}

}  // namespace

int main(int argc, char** argv) {
  tumbleview::ShellState& shell = tumbleview::shellState();
  applySettings(shell);
  // Only the window the saver names counts: no environment, no root.
  const std::optional<tumbleview::HackRequest> hack =
      tumbleview::hackRequestOf(std::vector<std::string>(argv + 1, argv + argc), nullptr);
  std::optional<tumbleview::HackPacing> pacing;
  if (hack && hack->window != 0) {
    if (!tumbleview::createRenderWindowInto(hack->window)) return 0;
    pacing = tumbleview::HackPacing{hack->delay, hack->showFps};
  } else if (!tumbleview::CreateRenderWindow(tumbleview::kRendererWindowTitle, shell.screenWidth,
                                             shell.screenHeight, shell.colourBits, shell.fullScreen)) {
    return 0;
  }
  const int status = tumbleview::runRenderLoop(pacing);
  tumbleview::destroyRenderApp();
  tumbleview::DestroyRenderWindow();
  return status;
}
