// The settings dialog in a process of its own, as the saver's /c shows it,
// so that tests can watch the program end.  Usage: dialog_runner <folder>
// The folder stands for the saver's folder (the settings file's home).
// Prints each outline of the zoom animations ("zoom x y w h") and
// "returned" when the entry comes back (the close box); "設定" and
// "ｷｬﾝｾﾙ" end the process from inside, so those print nothing more.
#include <QApplication>

#include <cstdio>
#include <string>

#include "temp_folder.h"
#include "program_paths.h"
#include "qt_helpers.h"
#include "settings_dialog.h"
#include "settings_file.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  // File permissions apply as for the user the saver runs for, even when
  // the tests run as root.
  const tumbleview::test::FilePermissionsEnforced permissions;
  QApplication application(argc, argv);
  tumbleview::setSaverFolderForTesting(std::string(argv[1]));
  tumbleview::ZoomTiming timing;
  timing.onFrame = [](const QRect& outline) {
    std::printf("zoom %d %d %d %d\n", outline.x(), outline.y(), outline.width(), outline.height());
    std::fflush(stdout);
  };
  tumbleview::setZoomTiming(timing);
  tumbleview::LoadSettings();
  tumbleview::showSettingsDialog();
  std::printf("returned\n");
  return 0;
}
