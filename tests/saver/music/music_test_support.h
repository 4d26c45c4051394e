// Helpers shared by the music tests: generated media (tone WAVs, MP3s,
// cue/bin disc images), the disk audio driver's capture, a bounded
// wait-until, a recorder that sits in front of the real media layer, and
// the tests' fixture.
#pragma once

#include "mci_layer.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tumbleview::test {

// 16-bit stereo 44.1 kHz sine of `frequency` Hz (0 = silence).
std::vector<std::int16_t> tone(double frequency, std::size_t frames);
void writeWave(const std::string& path, const std::vector<std::int16_t>& samples);
// Encodes a tone with lame; false when that fails (no lame installed).
bool writeMp3(const std::string& path, double frequency, double seconds);

struct ToneTrack {
  double frequency = 0;
  int sectors = 75;   // 75 sectors = one second
  bool data = false;  // a data track (MODE1/2352) of loud 0x55 bytes
};
// Writes <dir>/disc.bin and <dir>/disc.cue and points $TUMBLEVIEW_CDROM at
// the cue.
void insertDisc(const std::string& dir, const std::vector<ToneTrack>& tracks);

// Routes SDL's audio to the disk driver writing into `path` (from the next
// time the layer opens its output), and reads what it wrote.
void captureAudioTo(const std::string& path);
std::vector<std::int16_t> readCapture(const std::string& path);
// Stereo frames written to the capture so far, and a wait until `seconds`
// more of output have been written.
std::size_t capturedFrames(const std::string& path);
bool captureMore(const std::string& path, double seconds);
// Index of the first stereo frame louder than 1000 from `fromFrame`, or -1.
std::ptrdiff_t firstLoudFrame(const std::vector<std::int16_t>& samples, std::size_t fromFrame = 0);
// Frequency of the left channel over `frames` frames from `startFrame`,
// counted from its zero crossings.
double measureFrequency(const std::vector<std::int16_t>& samples, std::size_t startFrame, std::size_t frames);

bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

// Sends a command to the system layer: its reply, or "error <code>" (and
// what was left in the reply buffer, which an error must empty).
std::string mciReply(const std::string& command);

// Records every call crossing the media boundary and passes it on to the
// real layer; `noErrorTexts` makes the platform have no text for any code.
struct RecordingMediaControl : MediaControl {
  std::vector<std::string> commands;  // every command string sent, with
  std::vector<std::uint32_t> replyLengths, codes;  // its reply length and code
  bool noErrorTexts = false;

  void clear() { commands.clear(), replyLengths.clear(), codes.clear(); }
  std::uint32_t sendString(const char* command, char* reply, std::uint32_t replyLength) override;
  bool getErrorString(std::uint32_t code, char* text, std::uint32_t length) override;
  bool playSound(const char* name, std::uint32_t flags) override { return systemMediaControl().playSound(name, flags); }
  std::uint32_t waveOutDeviceCount() override { return systemMediaControl().waveOutDeviceCount(); }
};

// A fresh folder for each test; afterwards the real layer is shut down and
// the environment put back (dummy audio output, no disc).
class MusicTest : public ::testing::Test {
 protected:
  void TearDown() override;
  // Sends each command and expects its reply, as mciReply gives it.
  void expectReplies(const std::vector<std::pair<std::string, std::string>>& table);

  std::string file(const std::string& name) const { return m_dir + "/" + name; }

  TempFolder m_folder;
  const std::string m_dir = m_folder.path().string();
  const std::string m_capture = file("capture.raw");
};

}  // namespace tumbleview::test
