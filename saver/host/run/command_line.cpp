#include "command_line.h"

#include <cmath>
#include <limits>
#include <optional>

#include "basic_conversions.h"

namespace tumbleview {
namespace {

constexpr std::string_view kHelpHead =
    "Usage: Tumbleview.scr /s | /p <window id> | /c\n"
    "       Tumbleview.scr --root | --window-id <id> [--delay <us>] [--fps]\n"
    "Tumbleview: a lit cube wearing your picture, with music, as a screen saver for X11.\n"
    "\n"
    "  /s                 run the screen saver now; Escape ends it\n"
    "  /p <window id>     show the still preview inside that X11 window\n"
    "  /c                 open the settings dialog\n"
    "\n"
    "As a hack of XScreenSaver and of the daemons that follow its conventions\n"
    "(xfce4-screensaver, mate-screensaver), which own the input and end the hack\n"
    "with a signal:\n"
    "  --root             draw into the daemon's window ($XSCREENSAVER_WINDOW),\n"
    "                     or into the root window when that is not set\n"
    "  --window-id <id>   draw into that X11 window (a settings preview pane;\n"
    "                     no music there)\n"
    "  --delay <us>       microseconds from one frame to the next (default 20000;\n"
    "                     0 draws as fast as it can)\n"
    "  --fps              show the frame rate\n"
    "\n"
    "  --help             print this text\n"
    "  --version          print the version\n"
    "Any other switch ends the program silently.\n"
    "\n"
    "Settings file:    ";
constexpr std::string_view kHelpHandoff = "\nHand-off picture: ";
constexpr std::string_view kHelpTail =
    "\n                  (in $TUMBLEVIEW_DRIVE_C when set, else in\n"
    "                  ${XDG_CACHE_HOME:-~/.cache}/tumbleview)\n";
constexpr std::string_view kVersionHead = "Tumbleview ";

}  // namespace

std::string commandSwitch(std::string_view argumentText) {
  return substring(toUpper(argumentText), 2, 1).value_or(std::string());
}

std::int32_t previewParentOf(std::string_view argumentText) {
  const std::optional<double> number =
      parseLeadingNumber(substring(argumentText, 4).value_or(std::string()));
  if (!number) return 0;
  // The default rounding mode takes halves to the even neighbour.
  const double rounded = std::nearbyint(*number);
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
        rounded <= std::numeric_limits<std::int32_t>::max())) {
    return 0;
  }
  return static_cast<std::int32_t>(rounded);
}

std::string helpText(std::string_view settingsFile, std::string_view handoffFile) {
  std::string text(kHelpHead);
  text.append(settingsFile).append(kHelpHandoff).append(handoffFile).append(kHelpTail);
  return text;
}

std::string versionText(std::string_view version) {
  std::string text(kVersionHead);
  text.append(version).append("\n");
  return text;
}

}  // namespace tumbleview
