// The "cdaudio" driver against generated cue/bin disc images, played
// through SDL's disk or dummy audio driver.
#include "music_test_support.h"

namespace tumbleview::test {
namespace {

using CdAudio = MusicTest;

// Twelve tracks, so that track numbers of two digits show their padding.
TEST_F(CdAudio, ReportsTheTableOfContentsInEveryTimeFormatAndChecksPositions) {
  std::vector<ToneTrack> tracks(12, ToneTrack{0, 75});
  tracks[1].sectors = 150;
  insertDisc(m_dir, tracks);
  expectReplies({{"open cdaudio", "1"}, {"status cdaudio time format", "msf"},
                 {"status cdaudio number of tracks", "12"}, {"status cdaudio mode", "stopped"},
                 {"status cdaudio media present", "true"}, {"status cdaudio current track", "1"},
                 {"status cdaudio position", "00:02:00"}, {"status cdaudio position track 2", "00:03:00"},
                 {"status cdaudio length track 2", "00:02:00"},
                 // The last track is one frame shorter than the table says.
                 {"status cdaudio length track 12", "00:00:74"}, {"status cdaudio length", "00:13:00"},
                 {"set cdaudio time format tmsf", ""}, {"status cdaudio time format", "tmsf"},
                 {"status cdaudio position", "01:00:00:00"}, {"STATUS CDAUDIO POSITION TRACK 3", "03:00:00:00"},
                 {"status cdaudio position track 10", "10:00:00:00"},
                 // Lengths stay in MSF under TMSF.
                 {"status cdaudio length track 2", "00:02:00"}, {"status cdaudio position track 13", "error 282"},
                 {"status cdaudio position track 0", "error 282"}, {"play cdaudio from 13", "error 282"},
                 {"play cdaudio from 0", "error 282"}, {"play cdaudio to 13", "error 282"},
                 {"play cdaudio from 3 to 2", "error 282"}, {"set cdaudio time format milliseconds", ""},
                 {"status cdaudio position track 1", "2001"}, {"status cdaudio length track 1", "1000"},
                 {"set cdaudio time format frames", "error 293"}, {"open cdaudio", "error 265"},
                 {"open cdaudio alias second", "2"}, {"close cdaudio", ""}, {"close cdaudio", "error 263"}});
}

TEST_F(CdAudio, PlaysTrackTwosToneFromItsPosition) {
  captureAudioTo(m_capture);
  insertDisc(m_dir, {{300, 60}, {600, 60}, {1200, 60}});
  expectReplies({{"open cdaudio", "1"}, {"set cdaudio time format tmsf", ""},
                 {"status cdaudio position track 2", "02:00:00:00"}, {"play cdaudio from 02:00:00:00", ""},
                 {"status cdaudio mode", "playing"}, {"status cdaudio current track", "2"}});
  EXPECT_TRUE(waitUntil([] { return mciReply("status cdaudio current track") == "3"; }));
  EXPECT_TRUE(waitUntil([] { return mciReply("status cdaudio mode") == "stopped"; }));
  shutdownSystemMediaControl();

  const auto samples = readCapture(m_capture);
  const std::ptrdiff_t first = firstLoudFrame(samples);
  ASSERT_GE(first, 0) << "nothing audible in " << samples.size() << " samples";
  // Track 2 is heard first (0.8 s), then track 3.
  EXPECT_NEAR(measureFrequency(samples, first + 2205, 22050), 600, 15);
  EXPECT_NEAR(measureFrequency(samples, first + 35280 + 2205, 8820), 1200, 30);
}

// Data tracks first, between and last: a mixed-mode disc that is an enhanced one too.
TEST_F(CdAudio, PlaysTheAudioOfARangeOnlyAndReturnsToTheDiscStartAfterIt) {
  insertDisc(m_dir, {{0, 40, true}, {600, 30}, {0, 40, true}, {900, 30}, {0, 20, true}});
  expectReplies({{"open cdaudio", "1"}, {"set cdaudio time format tmsf", ""}, {"status cdaudio current track", "1"},
                 {"play cdaudio from 1:0:0:10", ""}, {"status cdaudio current track", "2"},
                 {"status cdaudio mode", "playing"}, {"play cdaudio from 5", ""}, {"status cdaudio mode", "stopped"},
                 // "to 3" ends where track 3 begins.
                 {"play cdaudio from 2 to 3", ""}, {"status cdaudio current track", "2"}});
  ASSERT_TRUE(waitUntil([] { return mciReply("status cdaudio mode") == "stopped"; }));
  expectReplies({{"status cdaudio position", "03:00:00:00"}, {"play cdaudio", ""},
                 {"status cdaudio current track", "4"}, {"play cdaudio from 1", ""},
                 {"status cdaudio current track", "2"}});
  EXPECT_TRUE(waitUntil([] { return mciReply("status cdaudio current track") == "4"; })) << "track 3 is data";
  ASSERT_TRUE(waitUntil([] { return mciReply("status cdaudio mode") == "stopped"; }));
  expectReplies({{"status cdaudio position", "01:00:00:00"}, {"play cdaudio", ""}, {"status cdaudio mode", "playing"},
                 {"status cdaudio current track", "2"}});
}

TEST_F(CdAudio, ChangedOrRemovedDiscIsNoticed) {
  insertDisc(m_dir, {{300, 750}, {600, 30}, {900, 30}});
  expectReplies({{"open cdaudio", "1"}, {"play cdaudio", ""}, {"status cdaudio mode", "playing"}});
  insertDisc(m_dir, {{400, 40}, {500, 40}});
  expectReplies({{"status cdaudio mode", "stopped"}, {"status cdaudio number of tracks", "2"},
                 {"status cdaudio length", "00:01:05"}, {"play cdaudio", ""}, {"status cdaudio mode", "playing"}});
  std::filesystem::remove(m_folder / "disc.cue");
  expectReplies({{"status cdaudio mode", "open"}, {"status cdaudio media present", "false"},
                 {"status cdaudio number of tracks", "error 276"}, {"play cdaudio", "error 276"}});
  insertDisc(m_dir, {{300, 30}});
  expectReplies({{"status cdaudio number of tracks", "1"}, {"status cdaudio mode", "stopped"}});
}

// An image that cannot be read is a blank disc in the drive: there is a
// disc, but its table gives a hardware error, not the missing disc's 276.
TEST_F(CdAudio, UnreadableImageIsABlankDiscThatLeavesNothingOpen) {
  const std::pair<const char*, const char*> images[] = {
      {"garbage.cue", "FILE \"nothing.bin\" BINARY\n  TRACK 99 VIDEO\n\x01\x02\xff"},
      {"missing-bin.cue", "FILE \"missing.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"},
      {"random.img", "not a disc"}};
  for (const auto& [name, text] : images) {
    SCOPED_TRACE(name);
    writeBytes(m_folder / name, text);
    setenv("TUMBLEVIEW_CDROM", (m_folder / name).c_str(), 1);
    expectReplies({{"open cdaudio", "1"}, {"status cdaudio mode", "stopped"}, {"status cdaudio media present", "true"},
                   {"status cdaudio number of tracks", "error 262"}, {"status cdaudio current track", "error 262"},
                   {"play cdaudio", "error 262"}, {"close cdaudio", ""}});
  }
}

}  // namespace
}  // namespace tumbleview::test
