// The slow fuzz target: command strings against the real media layer
// (dummy audio output, a small generated disc image, a short WAV file),
// closed with "close all" after each input.  "$D" in an input stands for
// the folder of the generated files, so inputs can name them.
#include "command_lines.h"
#include "music_test_support.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string mediaDir;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  static tumbleview::test::TempDir dir;  // removed at exit
  mediaDir = dir.path();
  // Three silent tracks of four sectors, and a tenth of a second of silence.
  setenv("TUMBLEVIEW_CDROM", tumbleview::test::writeDiscImage(mediaDir, {{0, 4}, {0, 4}, {0, 4}}).c_str(), 1);
  tumbleview::test::writeWave(mediaDir + "/a.wav", tumbleview::test::tone(0, 4410));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tumbleview::MediaControl& layer = tumbleview::systemMediaControl();
  tumbleview::test::runCommandLines(layer, {reinterpret_cast<const char*>(data), size}, [](std::string& command) {
    for (std::size_t at = command.find("$D"); at != std::string::npos; at = command.find("$D", at + mediaDir.size())) {
      command.replace(at, 2, mediaDir);
    }
    return false;
  });
  layer.sendString("close all", nullptr, 0);
  return 0;
}
