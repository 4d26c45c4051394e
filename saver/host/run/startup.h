// The saver's start-up: the single-instance test, then the mode chosen by
// the command line's switch (preview in a pane, settings dialog, or the
// screen-saver run).  Every way out ends the process at once ("end the
// program"): close handlers of windows still loaded do not run.
#pragma once

namespace tumbleview {

// The program's entry after main: never returns.  `argc` and `argv` go to
// the Qt application; the mode is read from the argument text as the
// kernel holds it.
[[noreturn]] void runStartup(int& argc, char** argv);

}  // namespace tumbleview
