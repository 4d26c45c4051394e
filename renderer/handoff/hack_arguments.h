// The conventions by which X11 screen-saver daemons (XScreenSaver and those
// that follow it: xfce4-screensaver, mate-screensaver) hand a hack the window
// to draw into, read by both programs.  The saver accepts them as the daemon
// gives them; it then starts the renderer with the window spelled out
// ("--window-id <id> --delay <us> [--fps]"), so the renderer never needs the
// environment.  Without these arguments neither program changes behaviour.
//
//   --root                 draw into $XSCREENSAVER_WINDOW when it names a
//                          window (the daemon's), else into the root window
//   --window-id <id>       draw into window <id> (decimal or 0x hex); also
//                          --window-id=<id>.  A settings program's preview
//                          pane comes this way.
//   --delay <us>           pause between frame starts, microseconds; 0 draws
//                          as fast as frames complete
//   --fps / --no-fps       the frame-rate display on or off
// Each also with a single leading dash; other arguments are ignored, as the
// peers' hacks do with options they do not know.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tumbleview {

inline constexpr const char* kDaemonWindowVariable = "XSCREENSAVER_WINDOW";
// XScreenSaver's default for GL hacks: at most 50 frames a second.
inline constexpr std::chrono::microseconds kDefaultHackDelay{20000};

struct HackRequest {
  // Where to draw; 0 means the root window (no daemon window was named).
  std::uint32_t window = 0;
  // Named by --window-id rather than handed over by a daemon: a preview
  // pane of a settings program, not the blanked screen.
  bool preview = false;
  std::chrono::microseconds delay = kDefaultHackDelay;
  bool showFps = false;
  friend bool operator==(const HackRequest&, const HackRequest&) = default;
};

// The request in `arguments` (without the program name), or nothing when
// neither --root nor --window-id is there.  `daemonWindow` is the value of
// $XSCREENSAVER_WINDOW (nullptr when unset).  A window id or delay that is
// not a number, is negative, or does not fit gives nothing at all: a hack
// that draws into the wrong window is worse than none.
std::optional<HackRequest> hackRequestOf(const std::vector<std::string>& arguments,
                                         const char* daemonWindow);

// The renderer's command line for `request`, which must name a window.
std::vector<std::string> rendererArgumentsFor(const HackRequest& request);

}  // namespace tumbleview
