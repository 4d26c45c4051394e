// Fuzz targets of the media-control layer.  Each line of an input is one
// command string, sent with reply buffers of every kind in turn (full size,
// too small, none); a reply that overruns its buffer, or an error code
// without a text, aborts.
//
// The fast target (tumbleview_mci_fuzz) runs the command interpreter and
// the "cdaudio" driver over an in-memory drive, with an audio output that
// never plays; a sound file that opens is a one-track disc of its own.
// Nothing touches a device or a file, so it runs thousands of inputs a
// second.  Lines that begin with '#' act on the drive instead of being sent:
//   #disc a75 d10 a3   a new disc: audio or data tracks, lengths in sectors
//   #eject  #blank  #nodrive  #badreads
//
// The slow target (tumbleview_mci_system_fuzz, built with
// TUMBLEVIEW_FUZZ_SYSTEM_LAYER) sends the lines to the real layer: dummy
// audio output, a small generated disc image and a short WAV file, named
// in inputs through "$D", the folder that holds them.
#include "mci_cdaudio.h"
#include "mci_errors.h"
#include "mci_interpreter.h"
#include "music_test_support.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <sstream>

namespace tumbleview::test {
namespace {

using namespace mci;

struct Drive {
  std::mutex mutex;
  bool opens = true, changed = false, badReads = false;
  CdMedium medium = CdMedium::Readable;
  CdToc toc{{{1, 0, true}, {2, 75, true}, {3, 150, false}}, 225};
};

class MemoryDisc final : public CdDisc {
 public:
  explicit MemoryDisc(Drive& drive) : m_drive(drive) {}
  bool mediumChanged() override {
    std::lock_guard lock(m_drive.mutex);
    return std::exchange(m_drive.changed, false);
  }
  CdMedium readToc(CdToc& toc) override {
    std::lock_guard lock(m_drive.mutex);
    m_drive.changed = false;
    if (m_drive.medium == CdMedium::Readable) toc = m_drive.toc;
    return m_drive.medium;
  }
  // What the samples sound like does not matter here: they are left as they are.
  bool readAudio(std::int32_t, std::uint32_t, std::int16_t*) override {
    std::lock_guard lock(m_drive.mutex);
    return !m_drive.badReads;
  }

 private:
  Drive& m_drive;
};

// The drive, and the one-track disc a sound file stands for.
struct MemoryDrivers final : MciDriverFactory, AudioOutput {
  std::unique_ptr<MciDevice> openCdAudio(std::uint32_t& error) override {
    error = drive.opens ? kOk : kCannotLoadDriver;
    return drive.opens ? std::make_unique<CdAudioDevice>(std::make_unique<MemoryDisc>(drive), *this) : nullptr;
  }
  std::unique_ptr<MciDevice> openMpegVideo(const std::string& path, std::uint32_t& error) override {
    error = path.find("missing") != std::string::npos ? kFileNotFound : kOk;
    return error == kOk ? std::make_unique<CdAudioDevice>(std::make_unique<MemoryDisc>(file), *this) : nullptr;
  }
  bool attach(PcmSource*) override { return true; }
  void detach(PcmSource*) override {}

  Drive drive, file;
};

// Acts on the drive for a line that begins with '#'; false for a command.
bool takeDirective(Drive& drive, const std::string& line) {
  if (line.empty() || line[0] != '#') return false;
  std::istringstream words(line.substr(1));
  std::string verb, track;
  words >> verb;
  std::lock_guard lock(drive.mutex);
  CdToc toc;
  while (verb == "disc" && words >> track && toc.tracks.size() < 99) {
    const long sectors = std::clamp(std::strtol(track.c_str() + 1, nullptr, 10), 1L, 100000L);
    toc.tracks.push_back({static_cast<int>(toc.tracks.size()) + 1, toc.leadoutLsn, track[0] != 'd'});
    toc.leadoutLsn += static_cast<std::int32_t>(sectors);
  }
  if (!toc.tracks.empty()) drive.toc = std::move(toc);
  if (verb == "disc" || verb == "eject" || verb == "blank") {
    drive.medium = verb == "disc" ? CdMedium::Readable : verb == "eject" ? CdMedium::Absent : CdMedium::Unreadable;
    drive.changed = true;
  }
  drive.opens = drive.opens && verb != "nodrive";
  drive.badReads = drive.badReads || verb == "badreads";
  return true;
}

// Sends every line but the drive's own ones (with a drive) through `layer`.
template <typename Layer>
void runCommandLines(Layer& layer, const std::string& input, Drive* drive) {
  std::istringstream lines(input);
  unsigned line = 0;
  for (std::string command; std::getline(lines, command); ++line) {
    if (drive != nullptr && takeDirective(*drive, command)) continue;
    char reply[512], text[256];
    const std::uint32_t length = std::array<std::uint32_t, 3>{sizeof reply, 3, 0}[line % 3];
    const std::uint32_t code = layer.sendString(command.c_str(), length != 0 ? reply : nullptr, length);
    if ((length != 0 && strnlen(reply, length) >= length) || (code != 0 && !getErrorString(code, text, 256))) {
      std::abort();
    }
  }
}

}  // namespace
}  // namespace tumbleview::test

#ifdef TUMBLEVIEW_FUZZ_SYSTEM_LAYER
static std::string mediaDir;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  using namespace tumbleview::test;
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  static TempFolder folder;  // removed at exit
  mediaDir = folder.path().string();
  // Three silent tracks of four sectors, and a tenth of a second of silence.
  insertDisc(mediaDir, {{0, 4}, {0, 4}, {0, 4}});
  writeWave(mediaDir + "/a.wav", tone(0, 4410));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  for (std::size_t at = input.find("$D"); at != std::string::npos; at = input.find("$D", at + mediaDir.size())) {
    input.replace(at, 2, mediaDir);
  }
  tumbleview::test::runCommandLines(tumbleview::systemMediaControl(), input, nullptr);
  tumbleview::systemMediaControl().sendString("close all", nullptr, 0);
  return 0;
}
#else
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tumbleview::test::MemoryDrivers drivers;
  tumbleview::mci::MciInterpreter interpreter(drivers);
  const std::string input(reinterpret_cast<const char*>(data), size);
  tumbleview::test::runCommandLines(interpreter, input, &drivers.drive);
  return 0;
}
#endif
