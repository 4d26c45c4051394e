// Helpers shared by the music tests: generated media (tone WAVs, MP3s,
// cue/bin disc images), the disk audio driver's capture, a bounded
// wait-until, a recorder that sits in front of the real media layer, and
// the tests' fixture.
#pragma once

#include "mci_layer.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace tumbleview::test {

// 16-bit stereo 44.1 kHz sine of `frequency` Hz (0 = silence).
inline std::vector<std::int16_t> tone(double frequency, std::size_t frames) {
  std::vector<std::int16_t> samples(frames * 2);
  for (std::size_t i = 0; i < frames; ++i) {
    const double value = 8000 * std::sin(2 * std::numbers::pi * frequency * static_cast<double>(i) / 44100.0);
    samples[2 * i] = samples[2 * i + 1] = static_cast<std::int16_t>(std::lround(value));
  }
  return samples;
}

inline void writeWave(const std::string& path, const std::vector<std::int16_t>& samples) {
  // The canonical 44-byte header of 16-bit stereo 44.1 kHz PCM, little-endian words.
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  const std::uint32_t header[] = {0x46464952 /* RIFF */, 36 + dataBytes, 0x45564157 /* WAVE */, 0x20746D66 /* fmt */,
                                  16, 0x00020001, 44100, 44100 * 4, 0x00100004, 0x61746164 /* data */, dataBytes};
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header), sizeof header);
  out.write(reinterpret_cast<const char*>(samples.data()), dataBytes);
}

// Encodes a tone with lame; false when that fails (no lame installed).
inline bool writeMp3(const std::string& path, double frequency, double seconds) {
  const std::string wave = path + ".wav";
  writeWave(wave, tone(frequency, static_cast<std::size_t>(seconds * 44100)));
  const bool ok = std::system(("lame --quiet -b 128 '" + wave + "' '" + path + "'").c_str()) == 0;
  std::remove(wave.c_str());
  return ok;
}

struct ToneTrack {
  double frequency = 0;
  int sectors = 75;   // 75 sectors = one second
  bool data = false;  // a data track (MODE1/2352) of loud 0x55 bytes
};

// Writes <dir>/disc.bin and <dir>/disc.cue and points $TUMBLEVIEW_CDROM at
// the cue.
inline void insertDisc(const std::string& dir, const std::vector<ToneTrack>& tracks) {
  std::ofstream bin(dir + "/disc.bin", std::ios::binary);
  std::ofstream cue(dir + "/disc.cue");
  cue << "FILE \"disc.bin\" BINARY\n";
  int sector = 0;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    char line[128];
    std::snprintf(line, sizeof line, "  TRACK %02zu %s\n    INDEX 01 %02d:%02d:%02d\n", i + 1,
                  tracks[i].data ? "MODE1/2352" : "AUDIO", sector / 4500, sector / 75 % 60, sector % 75);
    cue << line;
    std::vector<std::int16_t> samples = tone(tracks[i].frequency, static_cast<std::size_t>(tracks[i].sectors) * 588);
    if (tracks[i].data) std::fill(samples.begin(), samples.end(), 0x5555);
    bin.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
    sector += tracks[i].sectors;
  }
  setenv("TUMBLEVIEW_CDROM", (dir + "/disc.cue").c_str(), 1);
}

// Routes SDL's audio to the disk driver writing into `path`, from the next
// time the layer opens its output.
inline void captureAudioTo(const std::string& path) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
}

// Stereo frames written to the capture so far.
inline std::size_t capturedFrames(const std::string& path) {
  std::error_code missing;
  const std::uintmax_t bytes = std::filesystem::file_size(path, missing);
  return missing ? 0 : bytes / 4;
}

inline std::vector<std::int16_t> readCapture(const std::string& path) {
  std::vector<std::int16_t> samples(capturedFrames(path) * 2);
  std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(samples.data()), samples.size() * 2);
  return samples;
}

// Index of the first stereo frame louder than 1000 from `fromFrame`, or -1.
inline std::ptrdiff_t firstLoudFrame(const std::vector<std::int16_t>& samples, std::size_t fromFrame = 0) {
  for (std::size_t frame = fromFrame; 2 * frame < samples.size(); ++frame) {
    if (std::abs(samples[2 * frame]) > 1000) return static_cast<std::ptrdiff_t>(frame);
  }
  return -1;
}

// Frequency of the left channel over `frames` frames from `startFrame`,
// counted from its zero crossings.
inline double measureFrequency(const std::vector<std::int16_t>& samples, std::size_t startFrame, std::size_t frames) {
  int crossings = 0;
  const std::size_t last = std::min(samples.size() / 2, startFrame + frames);
  for (std::size_t frame = startFrame + 1; frame < last; ++frame) {
    if ((samples[2 * frame - 2] < 0) != (samples[2 * frame] < 0)) ++crossings;
  }
  const double seconds = static_cast<double>(last - startFrame) / 44100.0;
  return seconds > 0 ? crossings / 2.0 / seconds : 0;
}

inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// A wait until `seconds` more of output have been written to the capture.
inline bool captureMore(const std::string& path, double seconds) {
  const std::size_t target = capturedFrames(path) + static_cast<std::size_t>(seconds * 44100);
  return waitUntil([&] { return capturedFrames(path) >= target; });
}

// Sends a command to the system layer: its reply, or "error <code>" (and
// what was left in the reply buffer, which an error must empty).
inline std::string mciReply(const std::string& command) {
  char reply[512];
  std::fill(std::begin(reply), std::end(reply), 'x');
  const std::uint32_t code = systemMediaControl().sendString(command.c_str(), reply, sizeof reply);
  if (code == 0) return reply;
  return "error " + std::to_string(code) + (reply[0] == '\0' ? "" : " leaving a reply");
}

// Records every call crossing the media boundary and passes it on to the
// real layer; `noErrorTexts` makes the platform have no text for any code.
struct RecordingMediaControl : MediaControl {
  std::vector<std::string> commands;  // every command string sent, with
  std::vector<std::uint32_t> replyLengths, codes;  // its reply length and code
  bool noErrorTexts = false;

  void clear() { commands.clear(), replyLengths.clear(), codes.clear(); }
  std::uint32_t sendString(const char* command, char* reply, std::uint32_t replyLength) override {
    commands.emplace_back(command);
    replyLengths.push_back(replyLength);
    codes.push_back(systemMediaControl().sendString(command, reply, replyLength));
    return codes.back();
  }
  bool getErrorString(std::uint32_t code, char* text, std::uint32_t length) override {
    return !noErrorTexts && systemMediaControl().getErrorString(code, text, length);
  }
  bool playSound(const char* name, std::uint32_t flags) override { return systemMediaControl().playSound(name, flags); }
  std::uint32_t waveOutDeviceCount() override { return systemMediaControl().waveOutDeviceCount(); }
};

// A fresh folder for each test; afterwards the real layer is shut down and
// the environment put back (dummy audio output, no disc).
class MusicTest : public ::testing::Test {
 protected:
  void TearDown() override {
    shutdownSystemMediaControl();
    unsetenv("TUMBLEVIEW_CDROM");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }
  // Sends each command and expects its reply, as mciReply gives it.
  void expectReplies(const std::vector<std::pair<std::string, std::string>>& table) {
    for (const auto& [command, expected] : table) EXPECT_EQ(mciReply(command), expected) << command.substr(0, 100);
  }

  TempFolder m_folder;
  const std::string m_dir = m_folder.path().string();
  const std::string m_capture = m_folder / "capture.raw";
};

}  // namespace tumbleview::test
