// Writes the saver's settings file into a folder with the saver's own
// writer, as the settings dialog would:
//   saver_settings <folder> <picture kind> <picture file> [<music kind> <track> <music file>]
// Used by scripts/run.sh to give a fresh build a picture to show.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "program_paths.h"
#include "saver_state.h"
#include "settings_file.h"

int main(int argc, char** argv) {
  if (argc != 4 && argc != 7) {
    std::fprintf(stderr, "usage: %s folder picture-kind picture-file [music-kind track music-file]\n", argv[0]);
    return 2;
  }
  using namespace tumbleview;
  setSaverFolderForTesting(std::string(argv[1]));
  Settings.PicKind = static_cast<std::int16_t>(std::atoi(argv[2]));
  Settings.PicFile = argv[3];
  if (argc == 7) {
    Settings.BgmKind = static_cast<std::int16_t>(std::atoi(argv[4]));
    Settings.BgmRepeat = static_cast<std::int16_t>(std::atoi(argv[5]));
    Settings.BgmFile = argv[6];
  }
  writeSettings();
  return LastApiResult == 1 ? 0 : 1;
}
