#include "startup.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command_line.h"
#include "hack_arguments.h"
#include "handoff.h"
#include "preview_window.h"
#include "qt_forms.h"
#include "qt_program.h"
#include "run_report.h"
#include "saver_state.h"
#include "saver_window.h"
#include "settings_dialog.h"
#include "settings_file.h"
#include "tumbleview_p.h"
#include "x11_instance_claim.h"
#include "x11_pointer.h"
#include "x11_window_search.h"

namespace tumbleview {
namespace {

[[noreturn]] void showPreview(std::int32_t parent) {
  auto* preview = new PreviewWindow();
  // A pane that does not exist leaves nothing to show in and nothing that
  // would ever end the program: it ends now instead of lingering unseen.
  if (!preview->showInPane(static_cast<X11WindowId>(static_cast<std::uint32_t>(parent)))) {
    endProgramNow();
  }
  runUntilNoFormIsLoaded();
  endProgramNow();
}

[[noreturn]] void printAndEnd(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
  endProgramNow(0);
}

// Window search by title, the pointer counter, preview embedding and the
// desktop capture are X11 services: in a Wayland session the saver runs
// through XWayland, whatever Qt would prefer there.  A platform chosen on
// purpose (offscreen, for tests) is left alone.
void preferXcbPlatform() {
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  if (!chosen || *chosen == '\0' || std::strncmp(chosen, "wayland", 7) == 0) {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
}

// A hack of a screen-saver daemon: no single-instance test (the daemon
// keeps to one run, and starts one hack per monitor), no pointer change.
[[noreturn]] void runHack(const HackRequest& request) {
  LoadSettings();
  reportStage("settings");
  auto* saver = new SaverWindow(std::string(), request);
  saver->load();
  runUntilNoFormIsLoaded();
  endProgramNow();
}

}  // namespace

void runStartup(int& argc, char** argv) {
  reportStage("main");
  const std::string arguments = argumentText();
  const std::vector<std::string> argumentList(argv + 1, argv + argc);
  if (argumentList.size() == 1 && argumentList[0] == kHelpOption) {
    printAndEnd(helpText(settingsFilePath(), handoffBitmapPath().string()));
  }
  if (argumentList.size() == 1 && argumentList[0] == kVersionOption) {
    printAndEnd(versionText(TUMBLEVIEW_VERSION));
  }
  const std::optional<HackRequest> hack = hackRequestOf(argumentList, std::getenv(kDaemonWindowVariable));
  preferXcbPlatform();
  QApplication application(argc, argv);
  if (hack) runHack(*hack);

  // Both searches, always, before the switch is looked at.
  const bool saverRuns = findWindowByTitle(kSaverCaption) != 0;
  const bool dialogOpen = findWindowByTitle(kSettingsDialogCaption) != 0;
  if (saverRuns || dialogOpen) endProgramNow();

  const std::string mode = commandSwitch(arguments);
  X11Connection* display = X11Connection::shared();
  if (mode == kSwitchPreview) {
    // A run or dialog starting this instant holds the claim before its
    // window exists.
    if (instanceClaimIsHeld(display)) endProgramNow();
    showPreview(previewParentOf(arguments));
  }
  const bool makesWindow = mode == kSwitchSettings || mode == kSwitchRun || arguments.empty();
  if (makesWindow && !takeInstanceClaim(display)) endProgramNow();

  LoadSettings();
  reportStage("settings");
  if (mode == kSwitchSettings) {
    // Any owner given after the switch ("/c:<id>") is ignored.
    showSettingsDialog();
    endProgramNow();
  }
  if (mode != kSwitchRun && !arguments.empty()) endProgramNow();

  if (mode == kSwitchRun) {
    CursorCount = showPointer(false);
    reportPointerCount(CursorCount);
  }
  auto* saver = new SaverWindow(mode);
  saver->load();
  runUntilNoFormIsLoaded();
  endProgramNow();
}

}  // namespace tumbleview
