// Real sound through SDL's disk driver: the looping WAV player and the
// MPEGVideo driver.
#include "mci_layer.h"
#include "music_test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace tumbleview::test {
namespace {

constexpr std::uint32_t kAsyncLoop = 9;

class Sound : public ::testing::Test {
 protected:
  void SetUp() override { captureAudioTo(m_capture); }
  void TearDown() override { shutdownSystemMediaControl(); }

  std::uintmax_t capturedBytes() const {
    std::error_code ignored;
    const auto size = std::filesystem::file_size(m_capture, ignored);
    return ignored ? 0 : size;
  }
  // Waits until the capture has grown by `seconds` of output.
  bool captureMore(double seconds) {
    const std::uintmax_t target = capturedBytes() + static_cast<std::uintmax_t>(seconds * 44100 * 4);
    return waitUntil([&] { return capturedBytes() >= target; });
  }

  TempDir m_dir;
  std::string m_capture = m_dir.file("capture.raw");
};

TEST_F(Sound, LoopingWaveIsWrittenOverAndOverUntilStopped) {
  // 0.1 s of tone and 0.1 s of silence, so each pass shows as one burst.
  auto samples = tone(880, 4410);
  samples.resize(samples.size() * 2);
  const std::string wave = m_dir.file("loop.wav");
  writeWave(wave, samples);

  MediaControl& layer = systemMediaControl();
  ASSERT_GE(layer.waveOutDeviceCount(), 1u);
  ASSERT_TRUE(layer.playSound(wave.c_str(), kAsyncLoop));
  ASSERT_TRUE(captureMore(1.2));
  ASSERT_TRUE(layer.playSound(nullptr, 0));
  const std::uintmax_t stoppedAt = capturedBytes();
  ASSERT_TRUE(captureMore(0.5));
  shutdownSystemMediaControl();

  const auto captured = readCapture(m_capture);
  int bursts = 0;
  std::ptrdiff_t at = firstLoudFrame(captured);
  ASSERT_GE(at, 0);
  EXPECT_NEAR(measureFrequency(captured, at, 4000), 880, 25);
  // Each burst: on to the next loud frame 0.15 s or more after this one's start.
  for (; at >= 0; at = firstLoudFrame(captured, static_cast<std::size_t>(at) + 6615)) ++bursts;
  EXPECT_GE(bursts, 4) << "the file was not looped";
  // Nothing is heard once the stop has been through (allowing buffered output).
  const std::size_t quietFrom = stoppedAt / 4 + 8192;
  EXPECT_EQ(firstLoudFrame(captured, quietFrom), -1);
}

TEST_F(Sound, ANewSoundReplacesTheLoopingOne) {
  const std::string looped = m_dir.file("looped.wav");
  writeWave(looped, tone(880, 4410));
  const std::string once = m_dir.file("once.wav");
  writeWave(once, tone(440, 22050));
  MediaControl& layer = systemMediaControl();
  ASSERT_TRUE(layer.playSound(looped.c_str(), kAsyncLoop));
  ASSERT_TRUE(captureMore(0.3));
  ASSERT_TRUE(layer.playSound(once.c_str(), 1));
  const std::uintmax_t replacedAt = capturedBytes();
  ASSERT_TRUE(captureMore(0.8));
  shutdownSystemMediaControl();

  const auto captured = readCapture(m_capture);
  const std::ptrdiff_t second = firstLoudFrame(captured, replacedAt / 4 + 8192);
  ASSERT_GE(second, 0);
  EXPECT_NEAR(measureFrequency(captured, second, 4410), 440, 25);
  EXPECT_EQ(firstLoudFrame(captured, second + 22050), -1) << "the looping sound came back";
}

TEST_F(Sound, OpeningTheOutputLeavesTerminationSignalsAlone) {
  ASSERT_GE(systemMediaControl().waveOutDeviceCount(), 1u);
  const std::string wave = m_dir.file("tone.wav");
  writeWave(wave, tone(440, 441));
  ASSERT_TRUE(systemMediaControl().playSound(wave.c_str(), 1));
  for (const int signal : {SIGINT, SIGTERM}) {
    struct sigaction action {};
    sigaction(signal, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL) << "signal " << signal << " would no longer end the saver";
  }
}

TEST_F(Sound, OnlyReadableWaveFilesArePlayed) {
  const std::string empty = m_dir.file("empty.wav"), text = m_dir.file("text.wav"),
                    headerOnly = m_dir.file("header.wav"), good = m_dir.file("good.wav");
  std::ofstream(empty).flush();
  std::ofstream(text) << "just some text, no RIFF header";
  writeWave(headerOnly, {});
  writeWave(good, tone(440, 4410));

  MediaControl& layer = systemMediaControl();
  for (const std::string& bad : {m_dir.file("missing.wav"), empty, text, headerOnly, m_dir.path()}) {
    EXPECT_FALSE(layer.playSound(bad.c_str(), kAsyncLoop)) << bad;
  }
  EXPECT_FALSE(layer.playSound(good.c_str(), 8)) << "looping needs SND_ASYNC";
  EXPECT_FALSE(layer.playSound(good.c_str(), 0x10000 | 1)) << "aliases are not supported";
  EXPECT_TRUE(layer.playSound(good.c_str(), 0)) << "synchronous play returns at the end";
  EXPECT_TRUE(layer.playSound(good.c_str(), 1));
  EXPECT_TRUE(layer.playSound(nullptr, 0));
}

TEST_F(Sound, Mp3PlaysStopsAtItsEndAndRestartsFromZero) {
  const std::string mp3 = m_dir.file("tune.mp3");
  if (!writeMp3(mp3, 660, 0.5)) GTEST_SKIP() << "lame is not installed";
  EXPECT_EQ(mciReply("open \"" + mp3 + "\" type MPEGVideo alias bgm"), "1");
  EXPECT_EQ(mciReply("status bgm mode"), "stopped");
  EXPECT_EQ(mciReply("play bgm"), "");
  EXPECT_EQ(mciReply("status bgm mode"), "playing");
  ASSERT_TRUE(waitUntil([] { return mciReply("status bgm mode") == "stopped"; }));
  EXPECT_EQ(mciReply("play bgm from 0"), "");
  EXPECT_EQ(mciReply("status bgm mode"), "playing");
  EXPECT_LT(std::stoi(mciReply("status bgm position")), 400);
  EXPECT_EQ(mciReply("stop bgm"), "");
  EXPECT_EQ(mciReply("status bgm mode"), "stopped");
  EXPECT_EQ(mciReply("close bgm"), "");
  shutdownSystemMediaControl();

  const auto captured = readCapture(m_capture);
  const std::ptrdiff_t first = firstLoudFrame(captured);
  ASSERT_GE(first, 0);
  EXPECT_NEAR(measureFrequency(captured, first + 2205, 11025), 660, 20);
}

TEST_F(Sound, WithoutAnAudioOutputEverythingFailsWithCodes) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  const std::string wave = m_dir.file("tone.wav");
  writeWave(wave, tone(440, 441));
  setenv("TUMBLEVIEW_CDROM", writeDiscImage(m_dir.path(), {{300, 10}}).c_str(), 1);
  MediaControl& layer = systemMediaControl();
  EXPECT_EQ(layer.waveOutDeviceCount(), 0u);
  EXPECT_FALSE(layer.playSound(wave.c_str(), kAsyncLoop));
  EXPECT_EQ(mciReply("open \"" + wave + "\" type MPEGVideo alias bgm"), "error 262");
  EXPECT_EQ(mciReply("open cdaudio"), "1") << "the disc can be read without sound";
  EXPECT_EQ(mciReply("play cdaudio"), "error 262");
  EXPECT_EQ(mciReply("status cdaudio mode"), "stopped");
  EXPECT_EQ(mciReply("close cdaudio"), "");
  unsetenv("TUMBLEVIEW_CDROM");
}

TEST_F(Sound, SecondOpenOfAnAliasFailsAndTheFirstPlaysOn) {
  const std::string mp3 = m_dir.file("曲 ソ.mp3");
  if (!writeMp3(mp3, 660, 1.0)) GTEST_SKIP() << "lame is not installed";
  const std::string garbage = m_dir.file("garbage.mp3");
  std::ofstream(garbage) << std::string(4096, '\x5a');
  EXPECT_EQ(mciReply("open \"" + mp3 + "\" type MPEGVideo alias bgm"), "1");
  EXPECT_EQ(mciReply("play bgm"), "");
  EXPECT_EQ(mciReply("open \"" + mp3 + "\" type MPEGVideo alias bgm"), "error 289");
  EXPECT_EQ(mciReply("open \"" + garbage + "\" type MPEGVideo alias other"), "error 296");
  EXPECT_EQ(mciReply("status bgm mode"), "playing");
  EXPECT_EQ(mciReply("close other"), "error 263");
}

}  // namespace
}  // namespace tumbleview::test
