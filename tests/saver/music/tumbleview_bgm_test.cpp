// What the music player sends across the media boundary, recorded in front
// of the real layer, with real discs, files and audio output.
#include "tumbleview_bgm.h"

#include "music_test_support.h"
#include "saver_state.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace tumbleview::test {
namespace {

using Commands = std::vector<std::string>;

const Commands kStatusQueries = {"status cdaudio current track", "status cdaudio number of tracks", "status cdaudio mode"};

Commands statusThen(const Commands& more) {
  Commands all = kStatusQueries;
  all.insert(all.end(), more.begin(), more.end());
  return all;
}

class MusicPlayer : public ::testing::Test {
 protected:
  void SetUp() override {
    useDummyAudio();
    Settings = SettingsRecord{};
    LastApiResult = 0;
    CdWatchActive = 0;
    useMediaControl(&m_recorder);
  }
  void TearDown() override {
    useMediaControl(nullptr);
    shutdownSystemMediaControl();
    unsetenv("TUMBLEVIEW_CDROM");
  }
  void insertDisc(const std::vector<ToneTrack>& tracks) {
    setenv("TUMBLEVIEW_CDROM", writeDiscImage(m_dir.path(), tracks).c_str(), 1);
  }
  Commands sent() { return m_recorder.commandTexts(); }
  // What one step of the player sends.
  Commands sentBy(void (*step)()) {
    m_recorder.clear();
    step();
    return sent();
  }

  TempDir m_dir;
  RecordingMediaControl m_recorder{systemMediaControl()};
};

TEST_F(MusicPlayer, EmptyCommandIsAnsweredWithoutCallingTheLayer) {
  std::string reply;
  EXPECT_EQ(SendMciCommand("", reply), -1);
  EXPECT_EQ(reply, "コマンド文字列が指定されていません");
  EXPECT_TRUE(m_recorder.calls.empty());
  EXPECT_EQ(QueryMci(""), "Error:-1");
  EXPECT_EQ(LastApiResult, -1);
}

TEST_F(MusicPlayer, FailuresComeBackAsErrorTextsAndCodes) {
  std::string reply;
  EXPECT_EQ(SendMciCommand("frobnicate cdaudio", reply), 261);
  EXPECT_EQ(reply, "The driver cannot recognize the specified command.");
  EXPECT_EQ(LastApiResult, 261);
  EXPECT_EQ(m_recorder.calls.at(0).replyLength, 512u);

  EXPECT_EQ(SendMciCommand("status MP3Play mode", reply), 263);
  EXPECT_EQ(reply, "The specified device is not open or is not recognized by MCI.");
  EXPECT_EQ(QueryMci("status MP3Play mode"), "Error:263");
  EXPECT_EQ(SendMciCommand("status nothing", reply), 263);
}

// The platform may have no text for a code; that fault is injected here.
class NoErrorTexts : public RecordingMediaControl {
 public:
  using RecordingMediaControl::RecordingMediaControl;
  bool getErrorString(std::uint32_t, char*, std::uint32_t) override { return false; }
};

TEST_F(MusicPlayer, CodeWithoutTextGetsTheFallbackReply) {
  NoErrorTexts layer(systemMediaControl());
  useMediaControl(&layer);
  std::string reply;
  EXPECT_EQ(SendMciCommand("status MP3Play mode", reply), 263);
  EXPECT_EQ(reply, "Error (文字列が取れません)");
  EXPECT_EQ(QueryMci("status MP3Play mode"), "Error:263");
}

TEST_F(MusicPlayer, PlayMciDeviceLeavesOutEmptyPositions) {
  const std::pair<const char*, const char*> positions[] = {{"", ""}, {"3", ""}, {"", "4"}, {"02:00:00:00", "4"}};
  for (const auto& [from, to] : positions) PlayMciDevice("cdaudio", from, to);
  EXPECT_EQ(sent(), (Commands{"play cdaudio", "play cdaudio from 3", "play cdaudio to 4",
                              "play cdaudio from 02:00:00:00 to 4"}));
}

TEST_F(MusicPlayer, OpensAndClosesTheCdWithoutReplyBuffers) {
  insertDisc({{300, 30}});
  OpenCdAudio();
  CloseCdAudio();
  EXPECT_EQ(sent(), (Commands{"open cdaudio", "set cdaudio time format tmsf", "stop cdaudio", "close cdaudio"}));
  for (const auto& call : m_recorder.calls) {
    EXPECT_EQ(call.replyLength, 0u) << call.text;
    EXPECT_EQ(call.code, 0u) << call.text;
  }
}

TEST_F(MusicPlayer, PlaysTheWholeDiscAgainOnceItHasFinished) {
  insertDisc({{300, 15}, {600, 15}, {900, 15}});
  OpenCdAudio();
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({"play cdaudio"}));
  EXPECT_EQ(m_recorder.calls.at(2).replyLength, 255u);
  EXPECT_EQ(CdWatchActive, -1);

  EXPECT_EQ(sentBy(WatchCdAudio), kStatusQueries) << "a playing disc is left alone";

  ASSERT_TRUE(waitUntil([] { return mciReply("status cdaudio mode") == "stopped"; }));
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({"play cdaudio"}));
  EXPECT_EQ(mciReply("status cdaudio mode"), "playing");
  EXPECT_EQ(mciReply("status cdaudio current track"), "1");
  EXPECT_EQ(CdWatchActive, -1);
}

TEST_F(MusicPlayer, RepeatTrackIsRestartedWhileAnotherTrackPlays) {
  insertDisc({{300, 75}, {400, 75}, {500, 75}, {600, 75}});
  OpenCdAudio();
  ASSERT_EQ(mciReply("play cdaudio from 4"), "");
  Settings.BgmRepeat = 3;
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({"status cdaudio position track 3", "play cdaudio from 03:00:00:00"}));
  EXPECT_EQ(mciReply("status cdaudio current track"), "3");
  EXPECT_EQ(LastApiResult, 0);

  EXPECT_EQ(sentBy(WatchCdAudio), kStatusQueries) << "track 3 is playing: nothing more is sent";
  EXPECT_EQ(CdWatchActive, -1);
}

TEST_F(MusicPlayer, RepeatTrackJumpsBackWhenTheDiscMovesOn) {
  insertDisc({{300, 20}, {600, 75}});
  OpenCdAudio();
  Settings.BgmRepeat = 1;
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({"status cdaudio position track 1", "play cdaudio from 01:00:00:00"}));
  ASSERT_TRUE(waitUntil([] { return mciReply("status cdaudio current track") == "2"; }));
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({"status cdaudio position track 1", "play cdaudio from 01:00:00:00"}));
  EXPECT_EQ(mciReply("status cdaudio current track"), "1");
  EXPECT_EQ(mciReply("status cdaudio mode"), "playing");
}

TEST_F(MusicPlayer, MissingRepeatTrackSendsTheErrorAsPositionAndPollingGoesOn) {
  insertDisc({{300, 30}, {600, 30}});
  OpenCdAudio();
  Settings.BgmRepeat = 9;
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({"status cdaudio position track 9", "play cdaudio from Error:282"}));
  EXPECT_EQ(LastApiResult, 270);
  EXPECT_EQ(CdWatchActive, -1);
}

TEST_F(MusicPlayer, PollingStopsAtTheFirstStatusError) {
  setenv("TUMBLEVIEW_CDROM", m_dir.file("no-drive").c_str(), 1);
  OpenCdAudio();
  EXPECT_EQ(LastApiResult, 266) << "the time format opens the drive again and fails as the open did";
  EXPECT_EQ(sentBy(WatchCdAudio), (Commands{"status cdaudio current track"}));
  EXPECT_EQ(CdWatchActive, 0);

  const std::string unreadable = m_dir.file("unreadable.cue");
  setenv("TUMBLEVIEW_CDROM", unreadable.c_str(), 1);
  writeWave(unreadable, tone(0, 10));
  OpenCdAudio();
  EXPECT_EQ(sentBy(WatchCdAudio), (Commands{"status cdaudio current track"}));
  EXPECT_EQ(LastApiResult, 262) << "a blank disc";
  EXPECT_EQ(CdWatchActive, 0);
}

TEST_F(MusicPlayer, DriveThatCouldNotOpenAtFirstIsUsedOnceItCan) {
  const std::string later = m_dir.file("disc.cue");
  setenv("TUMBLEVIEW_CDROM", later.c_str(), 1);
  OpenCdAudio();
  EXPECT_EQ(m_recorder.calls.at(0).code, 266u);
  insertDisc({{300, 75}});
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({"play cdaudio"}));
  EXPECT_EQ(CdWatchActive, -1);
  EXPECT_EQ(mciReply("status cdaudio mode"), "playing");
}

TEST_F(MusicPlayer, ChangedDiscIsPlayedAndARemovedOneEndsPolling) {
  insertDisc({{300, 750}});
  OpenCdAudio();
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({"play cdaudio"}));
  insertDisc({{400, 30}, {500, 30}});
  EXPECT_EQ(sentBy(WatchCdAudio), statusThen({"play cdaudio"})) << "the old disc's play ended with it";
  EXPECT_EQ(mciReply("status cdaudio number of tracks"), "2");
  EXPECT_EQ(CdWatchActive, -1);
  std::remove(m_dir.file("disc.cue").c_str());
  EXPECT_EQ(sentBy(WatchCdAudio), (Commands{"status cdaudio current track"}));
  EXPECT_EQ(LastApiResult, 276);
  EXPECT_EQ(CdWatchActive, 0);
}

TEST_F(MusicPlayer, Mp3WithSpacesInItsPathLoopsThroughRepeatTicks) {
  const std::string file = m_dir.file("My Music/a b.mp3");
  ASSERT_EQ(std::system(("mkdir -p '" + m_dir.file("My Music") + "'").c_str()), 0);
  if (!writeMp3(file, 440, 0.4)) GTEST_SKIP() << "lame is not installed";
  Settings.BgmKind = 2;
  Settings.BgmFile = file;
  PlayMp3();
  EXPECT_EQ(sent(), (Commands{"open \"" + file + "\" type MPEGVideo Alias MP3Play", "play MP3Play"}));
  EXPECT_EQ(m_recorder.calls.at(0).code, 0u);
  EXPECT_TRUE(IsMp3Playing());

  EXPECT_EQ(sentBy(RepeatMp3), (Commands{"status MP3Play mode"}));
  EXPECT_EQ(m_recorder.calls.at(0).replyLength, 30u);

  ASSERT_TRUE(waitUntil([] { return !IsMp3Playing(); }));
  EXPECT_EQ(sentBy(RepeatMp3), (Commands{"status MP3Play mode", "stop MP3Play", "play MP3Play from 0"}));
  EXPECT_TRUE(IsMp3Playing());

  EXPECT_EQ(sentBy(StopMp3), (Commands{"stop MP3Play", "close MP3Play"}));
  EXPECT_FALSE(IsMp3Playing());
}

TEST_F(MusicPlayer, Mp3ThatCannotBeOpenedIsNeverPlayed) {
  Settings.BgmFile = m_dir.file("missing.mp3");
  PlayMp3();
  ASSERT_EQ(m_recorder.calls.size(), 1u);
  EXPECT_EQ(m_recorder.calls[0].code, 275u);
  EXPECT_EQ(sentBy(RepeatMp3), (Commands{"status MP3Play mode", "stop MP3Play", "play MP3Play from 0"}));
  for (const auto& call : m_recorder.calls) EXPECT_EQ(call.code, 263u) << call.text;
}

TEST_F(MusicPlayer, WaveLoopsThroughTheSoundPlayerUntilStopped) {
  Settings.BgmFile = m_dir.file("loop.wav");
  writeWave(Settings.BgmFile, tone(440, 4410));
  PlayWave();
  EXPECT_EQ(LastApiResult, 1);
  StopWave();
  EXPECT_EQ(LastApiResult, 1);
  EXPECT_EQ(m_recorder.sounds, (Commands{Settings.BgmFile + " 9", "<null> 0"}));

  Settings.BgmFile = m_dir.file("missing.wav");
  PlayWave();
  EXPECT_EQ(LastApiResult, 0);
}

}  // namespace
}  // namespace tumbleview::test
