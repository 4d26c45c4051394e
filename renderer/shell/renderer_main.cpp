// The renderer program: one full-screen OpenGL window showing the scene
// until Escape or a close request.  Its command line is ignored.
#include "handoff.h"
#include "sdl_shell.h"
#include "shell_state.h"

namespace {

// The display configuration is fixed; nothing reads a file or the command
// line.
void applySettings(tumbleview::ShellState& shell) {
  shell.screenWidth = 1024;
  shell.screenHeight = 768;
  shell.colourBits = 32;
  shell.fullScreen = true;
}

}  // namespace

int main() {
  tumbleview::ShellState& shell = tumbleview::shellState();
  applySettings(shell);
  if (!tumbleview::CreateRenderWindow(tumbleview::kRendererWindowTitle, shell.screenWidth,
                                      shell.screenHeight, shell.colourBits, shell.fullScreen)) {
    return 0;
  }
  const int status = tumbleview::runRenderLoop();
  tumbleview::destroyRenderApp();
  tumbleview::DestroyRenderWindow();
  return status;
}
