// Services of the program as a whole: its arguments, its end, starting
// other programs, the screen and the application-wide mouse pointer.
#pragma once

#include <QSize>

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tumbleview {

// The command-line text after the program name: the arguments as the
// system passed them, joined by single blanks ("" when there are none).
std::string argumentText();

// Ends the process at once with `status`: no close handlers of windows
// still loaded, no destructors, no buffered output flushed.
[[noreturn]] void endProgramNow(int status = 0);

// Starts the program file `path` with `arguments` (none by default) and
// does not wait for it.  It runs in a process group of its own (so endStartedProgram can end
// it with everything it started), with default signal handling, an empty
// signal mask and no inherited descriptors beyond 0, 1 and 2.  Once it has
// ended it is reaped while the event loop runs, so no zombie stays behind.
// Returns its process id; throws ToolkitError when it cannot be started
// (missing file, not executable).
pid_t startProgram(const std::filesystem::path& path, const std::vector<std::string>& arguments = {});

// True once a program from startProgram has ended (reaping it if need be).
bool startedProgramHasEnded(pid_t pid);

// Sends SIGTERM to the process group of a program from startProgram.
void endStartedProgram(pid_t pid);

// Size of the primary screen in pixels; 0 x 0 without a screen.
QSize screenSizePixels();

// Twips (1440 per inch) per pixel at the screen's logical resolution:
// 15 at 96 dots per inch.
double twipsPerPixelX();
double twipsPerPixelY();

// The pointer shown over all of the program's windows.
enum class AppPointer { Default, Hourglass };
void setAppPointer(AppPointer pointer);

}  // namespace tumbleview
