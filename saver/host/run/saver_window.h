// Tumbleview_S: the window that does a screen-saver run.  It is never
// shown, but exists unmapped on the X server with its caption, so that the
// single-instance test of a second start finds it.  Its load handler hands
// the picture (or the desktop) to the renderer, starts the renderer and the
// music; Timer3 then watches for the renderer's window, and once that has
// gone the query-unload handler stops the music, gives the pointer back and
// ends the program.  So does a SIGTERM, SIGHUP or SIGINT.
//
// As a hack of a screen-saver daemon (hack_arguments.h) the same window
// runs the same steps into the daemon's window: the daemon's desktop picture
// when it keeps one, the renderer started with the window to draw into,
// music only on the daemon's screen (not in a preview pane) and only in the
// first hack of a daemon that runs one per monitor.  The run then follows
// the renderer's process rather than a window title, and when the daemon
// ends the hack (SIGTERM) the renderer is ended with it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>

#include "hack_arguments.h"

#include "qt_forms.h"

class QSocketNotifier;

namespace tumbleview {

inline constexpr const char* kSaverCaption = "Tumbleview_Main";
inline constexpr const char* kRendererFileName = "Tumbleview.dll";

// How long the load handler waits for the renderer's window before the
// 50 ms watch begins, whose first look would take a missing window for the
// renderer's end.  The window exists before the renderer reads the picture:
// some 0.15 s after its start on a busy two-core machine, 0.4 s when built
// with sanitizers.  Five seconds leave a wide margin, while a renderer stuck
// before its window keeps the screen frozen and the pointer hidden no longer.
inline constexpr std::chrono::milliseconds kRendererWindowWait{5000};

class SaverWindow : public Form {
  Q_OBJECT

 public:
  // `commandSwitch` is the start-up's switch: "S" gives the pointer back at
  // the end, anything else (an empty command line) leaves it alone.
  // `hack`: the daemon's request, for the hack mode.  The window then has no
  // caption: the single-instance test belongs to the /s run, and a hack
  // (which may be a settings program's preview pane) must not keep the
  // settings dialog from opening.
  explicit SaverWindow(std::string commandSwitch, std::optional<HackRequest> hack = std::nullopt);

  // Turns a picture file into the hand-off bitmap; black and empty until a
  // picture is loaded, then of the picture's own size.
  PictureBox* const Display;
  Timer* const Timer1;  // 1000 ms, off: keeps MP3 music looping
  Timer* const Timer2;  // 200 ms, off: polls the music CD
  Timer* const Timer3;  // 50 ms, on: watches for the renderer's window

  std::string RendererPath;

 protected:
  void onLoad() override;
  void onQueryUnload() override;

 private:
  enum class RendererWait { Shown, Ended, TimedOut, EndRequested };

  void preparePicture();
  void startRenderer();
  RendererWait waitForRendererWindow();
  void startMusic();
  void timer1Tick();
  void timer2Tick();
  void timer3Tick();
  bool rendererWindowExists();
  void prepareDaemonPicture();

  std::string m_switch;
  std::optional<HackRequest> m_hack;
  pid_t m_renderer = 0;
  X11WindowId m_rendererWindow = 0;
  QSocketNotifier* m_endSignals = nullptr;
};

}  // namespace tumbleview
