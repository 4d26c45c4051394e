// What the music player sends across the media boundary, recorded in front
// of the real layer, with real discs, files and audio output.
#include "tumbleview_bgm.h"

#include "music_test_support.h"
#include "saver_state.h"

#include <csignal>
#include <tuple>

namespace tumbleview::test {
namespace {

using Commands = std::vector<std::string>;
using Codes = std::vector<std::uint32_t>;

Commands statusThen(const Commands& more) {
  Commands all = {"status cdaudio current track", "status cdaudio number of tracks", "status cdaudio mode"};
  all.insert(all.end(), more.begin(), more.end());
  return all;
}

class MusicPlayer : public MusicTest {
 protected:
  void SetUp() override {
    Settings = SettingsRecord{};
    LastApiResult = 0;
    CdWatchActive = 0;
    useMediaControl(&m_recorder);
  }
  void TearDown() override {
    useMediaControl(nullptr);
    MusicTest::TearDown();
  }
  // What one step of the player sends.
  Commands sentBy(void (*step)()) {
    m_recorder.clear();
    step();
    return m_recorder.commands;
  }
  RecordingMediaControl m_recorder;
};

TEST_F(MusicPlayer, RepliesAreTextsOrErrorTextsWithTheirCodes) {
  const std::tuple<std::string, int, std::string> table[] = {
      {"", -1, "コマンド文字列が指定されていません"},
      {"frobnicate cdaudio", 261, "The driver cannot recognize the specified command."},
      {"status MP3Play mode", 263, "The specified device is not open or is not recognized by MCI."}};
  std::string reply;
  for (const auto& [command, code, text] : table) {
    EXPECT_EQ(SendMciCommand(command, reply), code);
    EXPECT_EQ(reply, text);
    EXPECT_EQ(QueryMci(command), "Error:" + std::to_string(code));
    EXPECT_EQ(LastApiResult, code);
  }
  EXPECT_EQ(m_recorder.commands.size(), 4u) << "an empty command is not sent";
  EXPECT_EQ(m_recorder.replyLengths.at(0), 512u);
  m_recorder.noErrorTexts = true;
  EXPECT_EQ(SendMciCommand("status MP3Play mode", reply), 263);
  EXPECT_EQ(reply, "Error (文字列が取れません)");
}

// The drive cannot be opened at first, as when it is busy: each command
// tries again, and the disc is played as soon as it can be.
TEST_F(MusicPlayer, PlaysTheWholeDiscOnceTheDriveOpensAndAgainOnceItHasFinished) {
  setenv("TUMBLEVIEW_CDROM", (m_folder / "disc.cue").c_str(), 1);
  EXPECT_EQ(sentBy(OpenCdAudio), (Commands{"open cdaudio", "set cdaudio time format tmsf"}));
  EXPECT_EQ(m_recorder.replyLengths, (Codes{0, 0}));
  EXPECT_EQ(m_recorder.codes, (Codes{266, 266}));
  EXPECT_EQ(sentBy(WatchCdAudio), (Commands{"status cdaudio current track"}));
  EXPECT_EQ(LastApiResult, 266);
  EXPECT_EQ(CdWatchActive, 0) << "polling stops at the first error";

  insertDisc(m_dir, {{300, 15}, {600, 15}, {900, 15}});
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({"play cdaudio"}));
  EXPECT_EQ(m_recorder.replyLengths.at(2), 255u);
  EXPECT_EQ(CdWatchActive, -1);
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({})) << "a playing disc is left alone";
  ASSERT_TRUE(waitUntil([] { return mciReply("status cdaudio mode") == "stopped"; }));
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({"play cdaudio"}));
  EXPECT_EQ(mciReply("status cdaudio mode"), "playing");
  EXPECT_EQ(sentBy(CloseCdAudio), (Commands{"stop cdaudio", "close cdaudio"}));
  EXPECT_EQ(m_recorder.codes, (Codes{0, 0}));
}

TEST_F(MusicPlayer, RepeatTrackIsRestartedWhenStoppedOrWhenTheDiscMovesOn) {
  insertDisc(m_dir, {{300, 20}, {600, 75}});
  OpenCdAudio();
  Settings.BgmRepeat = 1;
  const Commands restart = statusThen({"status cdaudio position track 1", "play cdaudio from 01:00:00:00"});
  EXPECT_EQ(sentBy(WatchCdAudio), restart) << "stopped on track 1";
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({})) << "track 1 is playing: nothing more is sent";
  ASSERT_TRUE(waitUntil([] { return mciReply("status cdaudio current track") == "2"; }));
  EXPECT_EQ(sentBy(WatchCdAudio), restart);
  EXPECT_EQ(mciReply("status cdaudio current track"), "1");
  EXPECT_EQ(mciReply("status cdaudio mode"), "playing");
  EXPECT_EQ(LastApiResult, 0);

  // A track that is not on the disc: its error text goes out as the position.
  Settings.BgmRepeat = 9;
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({"status cdaudio position track 9", "play cdaudio from Error:282"}));
  EXPECT_EQ(LastApiResult, 270);
  EXPECT_EQ(CdWatchActive, -1);
}

TEST_F(MusicPlayer, Mp3WithSpacesInItsPathIsHeardAndRestartedFromItsStart) {
  captureAudioTo(m_capture);
  std::filesystem::create_directory(m_folder / "My Music");
  Settings.BgmFile = m_folder / "My Music/曲 ソ.mp3";
  if (!writeMp3(Settings.BgmFile, 660, 0.4)) GTEST_SKIP() << "lame is not installed";
  EXPECT_EQ(sentBy(PlayMp3), (Commands{"open \"" + Settings.BgmFile + "\" type MPEGVideo Alias MP3Play", "play MP3Play"}));
  EXPECT_EQ(m_recorder.codes.at(0), 0u);
  EXPECT_EQ(sentBy(RepeatMp3), (Commands{"status MP3Play mode"})) << "playing: left alone";
  EXPECT_EQ(m_recorder.replyLengths.at(0), 30u);
  ASSERT_TRUE(waitUntil([] { return !IsMp3Playing(); })) << "still playing after its end";
  EXPECT_EQ(sentBy(RepeatMp3), (Commands{"status MP3Play mode", "stop MP3Play", "play MP3Play from 0"}));
  EXPECT_TRUE(IsMp3Playing());
  EXPECT_LT(std::stoi(mciReply("status MP3Play position")), 300);
  EXPECT_EQ(sentBy(StopMp3), (Commands{"stop MP3Play", "close MP3Play"}));
  EXPECT_FALSE(IsMp3Playing());

  // A file that cannot be opened is never played; the ticks fail quietly.
  Settings.BgmFile = m_folder / "missing.mp3";
  EXPECT_EQ(sentBy(PlayMp3).size(), 1u);
  EXPECT_EQ(m_recorder.codes, (Codes{275}));

  shutdownSystemMediaControl();
  const auto captured = readCapture(m_capture);
  const std::ptrdiff_t first = firstLoudFrame(captured);
  ASSERT_GE(first, 0);
  EXPECT_NEAR(measureFrequency(captured, first + 2205, 11025), 660, 20);
}

TEST_F(MusicPlayer, OnlyReadableWavesPlayAndLoopUntilReplacedOrStopped) {
  captureAudioTo(m_capture);
  MediaControl& layer = systemMediaControl();
  const std::string good = m_folder / "loop.wav";
  writeWave(good, tone(880, 4410));
  writeWave(m_folder / "header.wav", {});
  writeBytes(m_folder / "empty.wav", "");
  writeBytes(m_folder / "text.wav", "just some text, no RIFF header");
  for (const char* name : {"missing.wav", "empty.wav", "text.wav", "header.wav", ""}) {
    Settings.BgmFile = m_folder / name;
    PlayWave();
    EXPECT_EQ(LastApiResult, 0) << Settings.BgmFile;
  }
  EXPECT_FALSE(layer.playSound(good.c_str(), 8)) << "looping needs SND_ASYNC";
  EXPECT_FALSE(layer.playSound(good.c_str(), 0x10000 | 1)) << "aliases are not supported";
  Settings.BgmFile = good;
  PlayWave();
  EXPECT_EQ(LastApiResult, 1);
  ASSERT_TRUE(captureMore(m_capture, 1.2));
  EXPECT_TRUE(layer.playSound(good.c_str(), 0)) << "synchronous play returns at the end";
  const auto replacedAt = static_cast<std::ptrdiff_t>(capturedFrames(m_capture));
  ASSERT_TRUE(captureMore(m_capture, 0.5));
  const auto replayedAt = static_cast<std::ptrdiff_t>(capturedFrames(m_capture));
  EXPECT_TRUE(layer.playSound(good.c_str(), 1));
  PlayWave();
  ASSERT_TRUE(captureMore(m_capture, 0.3));
  StopWave();
  EXPECT_EQ(LastApiResult, 1);
  const auto stoppedAt = static_cast<std::ptrdiff_t>(capturedFrames(m_capture));
  ASSERT_TRUE(captureMore(m_capture, 0.5));
  for (const int signal : {SIGINT, SIGTERM}) {
    struct sigaction action {};
    sigaction(signal, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL) << "the audio output took signal " << signal << ": the saver would not end";
  }

  shutdownSystemMediaControl();
  const auto captured = readCapture(m_capture);
  const std::ptrdiff_t first = firstLoudFrame(captured);
  ASSERT_GE(first, 0);
  EXPECT_NEAR(measureFrequency(captured, first, 4000), 880, 25);
  // The file lasts 0.1 s: still heard 0.6 s on, it was looped.
  const std::ptrdiff_t later = firstLoudFrame(captured, first + 26460);
  EXPECT_TRUE(later >= 0 && later < replacedAt) << "the file was not looped";
  // Output already buffered may still be written after a stop.
  EXPECT_GE(firstLoudFrame(captured, replacedAt + 8192), replayedAt) << "the looping sound came back";
  EXPECT_EQ(firstLoudFrame(captured, stoppedAt + 8192), -1) << "heard after the stop";
}

}  // namespace
}  // namespace tumbleview::test
