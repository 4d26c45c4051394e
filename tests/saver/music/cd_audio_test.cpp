// The "cdaudio" driver against generated cue/bin disc images, played
// through SDL's disk or dummy audio driver.
#include "mci_layer.h"
#include "music_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tumbleview::test {
namespace {

class CdAudio : public ::testing::Test {
 protected:
  void SetUp() override { useDummyAudio(); }
  void TearDown() override {
    shutdownSystemMediaControl();
    unsetenv("TUMBLEVIEW_CDROM");
  }
  void insertDisc(const std::vector<ToneTrack>& tracks) {
    setenv("TUMBLEVIEW_CDROM", writeDiscImage(m_dir.path(), tracks).c_str(), 1);
  }
  void expectReplies(const std::vector<std::pair<std::string, std::string>>& table) {
    for (const auto& [command, expected] : table) EXPECT_EQ(mciReply(command), expected) << command;
  }
  TempDir m_dir;
};

TEST_F(CdAudio, ReportsTheTableOfContentsInEveryTimeFormat) {
  insertDisc({{300, 75}, {600, 150}, {1200, 75}});
  expectReplies({
      {"open cdaudio", "1"}, {"status cdaudio time format", "msf"}, {"status cdaudio number of tracks", "3"},
      {"status cdaudio mode", "stopped"}, {"status cdaudio media present", "true"},
      {"status cdaudio current track", "1"}, {"status cdaudio position", "00:02:00"},
      {"status cdaudio position track 2", "00:03:00"}, {"status cdaudio length track 2", "00:02:00"},
      // The last track is one frame shorter than the table says.
      {"status cdaudio length track 3", "00:00:74"}, {"status cdaudio length", "00:04:00"},
      {"set cdaudio time format tmsf", ""}, {"status cdaudio time format", "tmsf"},
      {"status cdaudio position", "01:00:00:00"}, {"status cdaudio position track 2", "02:00:00:00"},
      {"STATUS CDAUDIO POSITION TRACK 3", "03:00:00:00"},
      // Lengths stay in MSF under TMSF.
      {"status cdaudio length track 2", "00:02:00"}, {"status cdaudio position track 4", "error 282"},
      {"status cdaudio position track 0", "error 282"}, {"set cdaudio time format milliseconds", ""},
      {"status cdaudio position track 1", "2001"}, {"status cdaudio length track 1", "1000"},
      {"set cdaudio time format frames", "error 293"}, {"close cdaudio", ""}, {"close cdaudio", "error 263"},
  });
}

TEST_F(CdAudio, PlaysTrackTwosToneFromItsPosition) {
  const std::string capture = m_dir.file("capture.raw");
  captureAudioTo(capture);
  insertDisc({{300, 60}, {600, 60}, {1200, 60}});
  ASSERT_EQ(mciReply("open cdaudio"), "1");
  ASSERT_EQ(mciReply("set cdaudio time format tmsf"), "");
  const std::string start = mciReply("status cdaudio position track 2");
  ASSERT_EQ(start, "02:00:00:00");
  ASSERT_EQ(mciReply("play cdaudio from " + start), "");
  EXPECT_EQ(mciReply("status cdaudio mode"), "playing");
  EXPECT_EQ(mciReply("status cdaudio current track"), "2");
  EXPECT_TRUE(waitUntil([] { return mciReply("status cdaudio current track") == "3"; }));
  EXPECT_TRUE(waitUntil([] { return mciReply("status cdaudio mode") == "stopped"; }));
  shutdownSystemMediaControl();

  const auto samples = readCapture(capture);
  const std::ptrdiff_t first = firstLoudFrame(samples);
  ASSERT_GE(first, 0) << "nothing audible in " << samples.size() << " samples";
  // Track 2 is heard first (0.8 s), then track 3.
  EXPECT_NEAR(measureFrequency(samples, first + 2205, 22050), 600, 15);
  EXPECT_NEAR(measureFrequency(samples, first + 35280 + 2205, 8820), 1200, 30);
}

// A mixed-mode disc that is an enhanced one too: data, audio, data.
TEST_F(CdAudio, DataTracksAreSkippedNeverPlayedAsSilence) {
  insertDisc({{0, 40, true}, {600, 30}, {0, 20, true}});
  expectReplies({
      {"open cdaudio", "1"}, {"set cdaudio time format tmsf", ""}, {"status cdaudio current track", "1"},
      {"play cdaudio", ""}, {"status cdaudio current track", "2"}, {"status cdaudio mode", "playing"},
      {"play cdaudio from 3", ""}, {"status cdaudio mode", "stopped"},
      {"play cdaudio from 1 to 2", ""}, {"status cdaudio mode", "stopped"},
      {"play cdaudio from 1:0:0:10", ""}, {"status cdaudio position", "02:00:00:00"},
  });
  ASSERT_TRUE(waitUntil([] { return mciReply("status cdaudio mode") == "stopped"; }));
  EXPECT_EQ(mciReply("status cdaudio position"), "01:00:00:00") << "the disc's audio ended: back to its start";
  EXPECT_EQ(mciReply("play cdaudio"), "");
  EXPECT_EQ(mciReply("status cdaudio current track"), "2");
}

TEST_F(CdAudio, ChangedOrRemovedDiscIsNoticed) {
  insertDisc({{300, 750}, {600, 30}, {900, 30}});
  expectReplies({{"open cdaudio", "1"}, {"play cdaudio", ""}, {"status cdaudio mode", "playing"}});
  insertDisc({{400, 40}, {500, 40}});
  expectReplies({
      {"status cdaudio mode", "stopped"}, {"status cdaudio number of tracks", "2"},
      {"status cdaudio length", "00:01:05"}, {"play cdaudio", ""}, {"status cdaudio mode", "playing"},
  });
  std::filesystem::remove(m_dir.file("disc.cue"));
  expectReplies({
      {"status cdaudio mode", "open"}, {"status cdaudio media present", "false"},
      {"status cdaudio number of tracks", "error 276"}, {"play cdaudio", "error 276"},
  });
  insertDisc({{300, 30}});
  expectReplies({{"status cdaudio number of tracks", "1"}, {"status cdaudio mode", "stopped"}});
}

TEST_F(CdAudio, PlaysARangeAndReturnsToTheDiscStartAfterTheEnd) {
  insertDisc({{300, 30}, {600, 30}, {1200, 30}});
  ASSERT_EQ(mciReply("open cdaudio"), "1");
  ASSERT_EQ(mciReply("set cdaudio time format tmsf"), "");
  // "to 3" ends where track 3 begins.
  ASSERT_EQ(mciReply("play cdaudio from 2 to 3"), "");
  EXPECT_EQ(mciReply("status cdaudio current track"), "2");
  ASSERT_TRUE(waitUntil([] { return mciReply("status cdaudio mode") == "stopped"; }));
  EXPECT_EQ(mciReply("status cdaudio position"), "03:00:00:00");

  ASSERT_EQ(mciReply("play cdaudio from 3"), "");
  ASSERT_TRUE(waitUntil([] { return mciReply("status cdaudio mode") == "stopped"; }));
  EXPECT_EQ(mciReply("status cdaudio position"), "01:00:00:00");
  ASSERT_EQ(mciReply("play cdaudio"), "");
  EXPECT_EQ(mciReply("status cdaudio mode"), "playing");
  EXPECT_EQ(mciReply("status cdaudio current track"), "1");
}

// Twelve tracks: numbers are padded to two digits only.
TEST_F(CdAudio, PadsTrackNumbersAndRejectsPositionsOutsideTheDisc) {
  insertDisc(std::vector<ToneTrack>(12, ToneTrack{0, 2}));
  expectReplies({
      {"open cdaudio", "1"}, {"set cdaudio time format tmsf", ""}, {"status cdaudio number of tracks", "12"},
      {"status cdaudio position track 10", "10:00:00:00"}, {"play cdaudio from 13", "error 282"},
      {"play cdaudio from 0", "error 282"}, {"play cdaudio to 13", "error 282"},
      {"play cdaudio from 3 to 2", "error 282"}, {"play cdaudio from 3:256", "error 270"},
      {"play cdaudio from 1:0:0:0:0", "error 270"}, {"play cdaudio from Error:282", "error 270"},
      {"play cdaudio from -1", "error 270"}, {"status cdaudio mode", "stopped"}, {"open cdaudio", "error 265"},
      {"open cdaudio alias second", "2"},
  });
}

TEST_F(CdAudio, NoDriveOrUnreadableDiscGivesCodesAndLeavesNothingOpen) {
  setenv("TUMBLEVIEW_CDROM", m_dir.file("no-such-drive").c_str(), 1);
  // A command on a device that did not open opens it again, and fails as the open did.
  expectReplies({{"open cdaudio", "error 266"}, {"status cdaudio mode", "error 266"}, {"close cdaudio", "error 263"}});

  const std::string garbage = m_dir.file("garbage.cue");
  std::ofstream(garbage) << "FILE \"nothing.bin\" BINARY\n  TRACK 99 VIDEO\n\x01\x02\xff";
  const std::string missingBin = m_dir.file("missing-bin.cue");
  std::ofstream(missingBin) << "FILE \"missing.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
  const std::string unknownKind = m_dir.file("random.img");
  std::ofstream(unknownKind) << "not a disc";
  // An image that cannot be read is a blank disc in the drive: there is a
  // disc, but its table gives a hardware error.
  for (const std::string& image : {garbage, missingBin, unknownKind}) {
    SCOPED_TRACE(image);
    setenv("TUMBLEVIEW_CDROM", image.c_str(), 1);
    expectReplies({
        {"open cdaudio", "1"}, {"status cdaudio mode", "stopped"}, {"status cdaudio media present", "true"},
        {"status cdaudio number of tracks", "error 262"}, {"status cdaudio current track", "error 262"},
        {"play cdaudio", "error 262"}, {"close cdaudio", ""},
    });
  }
}

}  // namespace
}  // namespace tumbleview::test
