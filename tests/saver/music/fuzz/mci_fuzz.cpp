// Fuzz target for the media-control command interpreter.  Each input is a
// sequence of command strings, one per line, run against the real layer
// (dummy audio output, a small generated disc image, a short WAV file)
// and then closed with "close all".  "$D" in an input stands for the
// folder of the generated files, so inputs can name them.
#include "mci_layer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string mediaDir;

void writeFile(const std::string& path, const std::vector<char>& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<char> silentPcm(std::size_t sectors) { return std::vector<char>(sectors * 2352, '\0'); }

std::vector<char> waveFile() {
  const std::uint32_t dataBytes = 4410 * 4;
  std::vector<char> bytes(44 + dataBytes, '\0');
  auto put = [&](std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
  };
  std::memcpy(bytes.data(), "RIFF", 4);
  put(4, 36 + dataBytes, 4);
  std::memcpy(bytes.data() + 8, "WAVEfmt ", 8);
  put(16, 16, 4);
  put(20, 1, 2);
  put(22, 2, 2);
  put(24, 44100, 4);
  put(28, 44100 * 4, 4);
  put(32, 4, 2);
  put(34, 16, 2);
  std::memcpy(bytes.data() + 36, "data", 4);
  put(40, dataBytes, 4);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  char dir[] = "/tmp/tumbleview-mci-fuzz-XXXXXX";
  if (mkdtemp(dir) == nullptr) std::abort();
  mediaDir = dir;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(mediaDir, ignored);
  });
  writeFile(mediaDir + "/disc.bin", silentPcm(12));
  std::ofstream(mediaDir + "/disc.cue") << "FILE \"disc.bin\" BINARY\n"
                               "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                               "  TRACK 02 AUDIO\n    INDEX 01 00:00:04\n"
                               "  TRACK 03 AUDIO\n    INDEX 01 00:00:08\n";
  writeFile(mediaDir + "/a.wav", waveFile());
  setenv("TUMBLEVIEW_CDROM", (mediaDir + "/disc.cue").c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tumbleview::MediaControl& layer = tumbleview::SystemMediaControl();
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
