// Fuzz target for the media-control command interpreter.  Each input is a
// sequence of command strings, one per line, run against the real layer
// (dummy audio output, a small generated disc image, a short WAV file)
// and then closed with "close all".  "$D" in an input stands for the
// folder of the generated files, so inputs can name them.
#include "mci_layer.h"
#include "music_test_support.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
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
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  for (unsigned line = 0; start <= input.size(); ++line) {
    std::size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    std::string command = input.substr(start, end - start);
    for (std::size_t at = command.find("$D"); at != std::string::npos; at = command.find("$D", at)) {
      command.replace(at, 2, mediaDir);
      at += mediaDir.size();
    }
    start = end + 1;
    // Reply buffers of every kind: full size, too small, none.
    char reply[512];
    const std::uint32_t lengths[] = {sizeof reply, 3, 0};
    const std::uint32_t length = lengths[line % 3];
    const std::uint32_t code = layer.sendString(command.c_str(), length ? reply : nullptr, length);
    if (length != 0 && strnlen(reply, length) >= length) std::abort();
    char text[256];
    if (code != 0 && !layer.getErrorString(code, text, sizeof text)) std::abort();
  }
  layer.sendString("close all", nullptr, 0);
  return 0;
}
