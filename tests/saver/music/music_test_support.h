// Helpers shared by the music tests: generated media (tone WAVs, MP3s,
// cue/bin disc images), the disk audio driver's capture, a bounded
// wait-until, and a recorder that sits in front of the real media layer.
#pragma once

#include "mci_layer.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tumbleview::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return m_path; }
  std::string file(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// 16-bit stereo 44.1 kHz sine of `frequency` Hz (0 = silence).
std::vector<std::int16_t> tone(double frequency, std::size_t frames, std::int16_t amplitude = 8000);

void writeWave(const std::string& path, const std::vector<std::int16_t>& samples);

// Encodes a tone with lame; false when lame is not installed.
bool writeMp3(const std::string& path, double frequency, double seconds);

struct ToneTrack {
  double frequency = 0;
  int sectors = 75;  // 75 sectors = one second
  bool data = false; // a data track (MODE1/2352) of loud 0x55 bytes
};
// Writes <dir>/disc.bin and <dir>/disc.cue; returns the cue's path.
std::string writeDiscImage(const std::string& dir, const std::vector<ToneTrack>& tracks);

// Routes SDL's audio to the disk driver writing into `capturePath` (takes
// effect when the layer opens its output next).
void captureAudioTo(const std::string& capturePath);
void useDummyAudio();

std::vector<std::int16_t> readCapture(const std::string& path);

// Index of the first stereo frame louder than `threshold`, or -1.
std::ptrdiff_t firstLoudFrame(const std::vector<std::int16_t>& samples, std::size_t fromFrame = 0,
                              int threshold = 1000);
// Frequency of the left channel over `frames` frames from `startFrame`,
// counted from its zero crossings.
double measureFrequency(const std::vector<std::int16_t>& samples, std::size_t startFrame, std::size_t frames);

bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

// Sends a command to the system layer: its reply, or "error <code>".
std::string mciReply(const std::string& command);

// A decorator that records every call crossing the media boundary and
// passes it on to the real layer.
class RecordingMediaControl : public MediaControl {
 public:
  explicit RecordingMediaControl(MediaControl& inner) : m_inner(inner) {}

  struct Command {
    std::string text;
    std::uint32_t replyLength = 0;
    std::uint32_t code = 0;
  };
  std::vector<Command> calls;
  std::vector<std::string> sounds;  // PlaySound names ("<null>" for null) with flags

  std::vector<std::string> commandTexts() const {
    std::vector<std::string> texts;
    for (const Command& call : calls) texts.push_back(call.text);
    return texts;
  }
  void clear() { calls.clear(), sounds.clear(); }

  std::uint32_t sendString(const char* command, char* reply, std::uint32_t replyLength) override {
    const std::uint32_t code = m_inner.sendString(command, reply, replyLength);
    calls.push_back(Command{command != nullptr ? command : "", replyLength, code});
    return code;
  }
  bool getErrorString(std::uint32_t code, char* text, std::uint32_t length) override {
    return m_inner.getErrorString(code, text, length);
  }
  bool playSound(const char* soundName, std::uint32_t flags) override {
    sounds.push_back(std::string(soundName != nullptr ? soundName : "<null>") + " " + std::to_string(flags));
    return m_inner.playSound(soundName, flags);
  }
  std::uint32_t waveOutDeviceCount() override { return m_inner.waveOutDeviceCount(); }

 private:
  MediaControl& m_inner;
};

}  // namespace tumbleview::test
