// The settings dialog as the saver's start-up uses it.
#pragma once

namespace tumbleview {

// Builds a fresh settings dialog from the in-memory Settings, shows it
// modally and returns once it has gone and been deleted.  Needs a
// QApplication, and LoadSettings to have run.  "設定" and "ｷｬﾝｾﾙ" end the
// program from inside and never return here; the close box returns, and the
// caller then ends the program.
void showSettingsDialog();

}  // namespace tumbleview
