// The fast fuzz target: the command interpreter, the "cdaudio" driver and
// the music player's operations over an in-memory drive and sound files,
// with an audio output that never plays.  Nothing touches a device or a
// file, so it runs thousands of inputs a second.  Lines that begin with
// '#' act on the drive or call the player instead of being sent:
//   #disc a75 d10 a3   a new disc: audio or data tracks, lengths in sectors
//   #eject  #blank  #nodrive  #badreads
//   #open  #watch N (a CD tick with BgmRepeat = N)  #close
//   #mp3 PATH (PlayMp3)  #tick (RepeatMp3)  #end (music reaches its end)  #stopmp3
#include "command_lines.h"
#include "mci_cdaudio.h"
#include "mci_errors.h"
#include "mci_interpreter.h"
#include "saver_state.h"
#include "tumbleview_bgm.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>

namespace tumbleview::test {
namespace {

using namespace mci;

struct Drive {
  std::mutex mutex;
  bool opens = true;
  CdMedium medium = CdMedium::Readable;
  CdToc toc{{{1, 0, true}, {2, 75, true}, {3, 150, false}}, 225};
  bool changed = false;
  bool badReads = false;
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

class SilentOutput final : public AudioOutput {
 public:
  bool attach(PcmSource*) override { return true; }
  void detach(PcmSource*) override {}
};

// A sound file of one second that plays until stopped or until "#end".
class MemoryMusic final : public MciDevice {
 public:
  explicit MemoryMusic(const int& endings) : m_endings(endings) {}
  std::uint32_t play(std::optional<std::uint32_t> from, std::optional<std::uint32_t> to) override {
    if (to) return kUnsupportedFunction;
    if (from && *from > 1000) return kOutOfRange;
    m_playingUntil = m_endings;
    return kOk;
  }
  std::uint32_t stop() override {
    m_playingUntil = -1;
    return kOk;
  }
  std::uint32_t status(const StatusQuery& query, std::string& reply) override {
    if (query.track) return kUnsupportedFunction;
    reply = query.item == StatusItem::Mode ? (m_playingUntil == m_endings ? kModePlaying : kModeStopped) : "1";
    return kOk;
  }
  std::uint32_t setTimeFormat(TimeFormat format) override {
    return format == TimeFormat::Milliseconds ? kOk : kBadTimeFormat;
  }

 private:
  const int& m_endings;
  int m_playingUntil = -1;
};

class MemoryLayer final : public MediaControl, public MciDriverFactory {
 public:
  std::uint32_t sendString(const char* command, char* reply, std::uint32_t replyLength) override {
    return m_interpreter.sendString(command, reply, replyLength);
  }
  bool getErrorString(std::uint32_t code, char* text, std::uint32_t length) override {
    return mci::getErrorString(code, text, length);
  }
  bool playSound(const char*, std::uint32_t) override { return false; }
  std::uint32_t waveOutDeviceCount() override { return 0; }

  std::unique_ptr<MciDevice> openCdAudio(std::uint32_t& error) override {
    if (!drive.opens) {
      error = kCannotLoadDriver;
      return nullptr;
    }
    return std::make_unique<CdAudioDevice>(std::make_unique<MemoryDisc>(drive), m_output);
  }
  std::unique_ptr<MciDevice> openMpegVideo(const std::string& path, std::uint32_t& error) override {
    error = path.find("missing") != std::string::npos ? kFileNotFound
            : path.find("bad") != std::string::npos   ? kInvalidFile
                                                      : kOk;
    return error == kOk ? std::make_unique<MemoryMusic>(endings) : nullptr;
  }

  Drive drive;
  int endings = 0;

 private:
  SilentOutput m_output;
  MciInterpreter m_interpreter{*this};
};

void insertDisc(Drive& drive, std::istringstream& tracks) {
  CdToc toc;
  std::string track;
  while (tracks >> track && toc.tracks.size() < 99) {
    const long sectors = std::clamp(std::strtol(track.c_str() + 1, nullptr, 10), 1L, 100000L);
    toc.tracks.push_back({static_cast<int>(toc.tracks.size()) + 1, toc.leadoutLsn, track[0] != 'd'});
    toc.leadoutLsn += static_cast<std::int32_t>(sectors);
  }
  if (toc.tracks.empty()) return;
  std::lock_guard lock(drive.mutex);
  drive.toc = std::move(toc);
  drive.medium = CdMedium::Readable;
  drive.changed = true;
}

bool takeDirective(MemoryLayer& layer, const std::string& line) {
  if (line.empty() || line[0] != '#') return false;
  std::istringstream words(line.substr(1));
  std::string verb;
  words >> verb;
  Drive& drive = layer.drive;
  const auto setMedium = [&](CdMedium medium) {
    std::lock_guard lock(drive.mutex);
    drive.medium = medium;
    drive.changed = true;
  };
  if (verb == "disc") insertDisc(drive, words);
  if (verb == "eject") setMedium(CdMedium::Absent);
  if (verb == "blank") setMedium(CdMedium::Unreadable);
  if (verb == "nodrive") drive.opens = false;
  if (verb == "badreads") {
    std::lock_guard lock(drive.mutex);
    drive.badReads = true;
  }
  if (verb == "open") OpenCdAudio();
  if (verb == "close") CloseCdAudio();
  if (verb == "watch") {
    long track = 0;
    words >> track;
    Settings.BgmRepeat = static_cast<std::int16_t>(track);
    WatchCdAudio();
  }
  if (verb == "mp3") {
    std::getline(words >> std::ws, Settings.BgmFile);
    PlayMp3();
  }
  if (verb == "tick") RepeatMp3();
  if (verb == "end") ++layer.endings;
  if (verb == "stopmp3") StopMp3();
  return true;
}

}  // namespace
}  // namespace tumbleview::test

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tumbleview;
  test::MemoryLayer layer;
  Settings = SettingsRecord{};
  useMediaControl(&layer);
  test::runCommandLines(layer, {reinterpret_cast<const char*>(data), size},
                        [&](const std::string& line) { return test::takeDirective(layer, line); });
  useMediaControl(nullptr);
  return 0;
}
