// The real media layer below the player: the command interpreter (grammar,
// error codes and texts, reply buffers, hostile command strings) and a
// machine without audio output.
#include "mci_command.h"
#include "mci_errors.h"
#include "music_test_support.h"

#include <cstring>

namespace tumbleview::test {
namespace {

TEST(MciNumbers, ArePackedLowByteFirstAndValidated) {
  const std::pair<const char*, std::int64_t> table[] = {
      {"0", 0}, {"4294967295", 4294967295}, {"3", 3}, {"03:00:00:00", 3}, {"3:1:30:0", 3 + (1 << 8) + (30 << 16)},
      {":::1", 1 << 24}, {"2::3", 2 + (3 << 16)}, {"255:255:255:255", 4294967295}, {"00000000000000000000000000007", 7},
      {"4294967296", -1}, {"99999999999999999999", -1}, {"3:256", -1}, {"0:0:0:0:0", -1}, {"::", -1}, {"", -1},
      {"-1", -1}, {"1.5", -1}, {"Error:282", -1}};
  for (const auto& [text, expected] : table) {
    std::uint32_t value = 0;
    EXPECT_EQ(mci::parseNumber(text, value), expected < 0 ? mci::kBadInteger : 0u) << text;
    if (expected >= 0) { EXPECT_EQ(value, static_cast<std::uint32_t>(expected)) << text; }
  }
}

class MciCommands : public MusicTest {
 protected:
  void SetUp() override { writeWave(m_sound, tone(440, 44100)); }
  std::string m_sound = m_folder / "tone.wav";
};

TEST_F(MciCommands, MalformedCommandsGetThePlatformsCodesWithinBoundedWork) {
  const std::string quoted = "\"" + m_sound + "\"", garbage = m_folder / "garbage.mp3", huge(1 << 20, ' ');
  std::ofstream(garbage) << std::string(4096, '\x5a');
  expectReplies({{"", "error 267"}, {"   \t ", "error 267"}, {"open", "error 292"}, {"open notify", "error 263"},
                 {"frobnicate x", "error 261"}, {"pause cdaudio", "error 261"}, {"play nosuchalias", "error 263"},
                 {"close nosuchalias", "error 263"}, {"open \"a b.mp3 alias x", "error 294"}, {"\"", "error 294"},
                 {"open \"a\"b alias x", "error 305"}, {"open " + quoted, "1"}, {"close " + quoted, ""},
                 {"open \"\" alias x", "error 263"}, {"open \"\" type mpegvideo alias x", "error 275"},
                 {"open \"" + (m_folder / "no such.wav") + "\" alias x", "error 275"}, {"open x.xyz alias x", "error 281"},
                 {"open " + m_dir + " type mpegvideo alias x", "error 296"}, {"open cdaudio alias", "error 273"},
                 {"open " + garbage + " alias x", "error 296"}, {"open x type waveaudio alias x", "error 263"},
                 {"status all mode", "error 279"}, {"open all", "error 279"}, {"close all", ""}, {"close all", ""},
                 // A file that is not open is opened for the command; only a play keeps it open.
                 {"status " + quoted + " mode", "stopped"}, {"close " + quoted, "error 263"},
                 {"status " + quoted + " mode notify", "error 300"}, {"play " + quoted, ""}, {"close " + quoted, ""},
                 {"status " + m_sound + " " + std::string(100000, 'm'), "error 259"}, {huge + "x", "error 261"},
                 {"open \"" + std::string(1 << 20, 'a') + ".mp3\" alias x", "error 275"}, {huge + "close", "error 292"},
                 {"status " + std::string(1000, 'b') + " mode", "error 263"},
                 {"open " + quoted + " alias " + std::string(1000, 'c'), "1"},
                 {"status " + std::string(1000, 'C') + " mode", "stopped"}});
}

TEST_F(MciCommands, KeywordsOfAnOpenDeviceAreChecked) {
  expectReplies({{"open \"" + m_sound + "\" type MPEGVideo alias bgm", "1"}, {"play bgm sideways", "error 259"},
                 {"status bgm", "error 273"}, {"status bgm position wait wait", "error 295"},
                 {"status bgm length position", "error 284"}, {"status bgm mode track 1", "error 284"},
                 {"status bgm position track", "error 273"}, {"play bgm from 0:0:0:0:0", "error 270"},
                 {"play bgm from", "error 273"}, {"play bgm from 0 from 0", "error 295"},
                 {"play bgm from 3600000", "error 282"}, {"play bgm to 100", "error 274"}, {"set bgm", "error 273"},
                 {"set bgm time format tmsf", "error 293"}, {"set bgm time format bogus", "error 293"},
                 {"set bgm time format ms", ""}, {"PLAY BGM wait", ""},
                 {"open \"" + m_sound + "\" type MPEGVideo alias BGM", "error 289"},
                 // Tabs separate words; names ignore case; the first device plays on.
                 {"Status\tBGM\t\tMode", "playing"}, {"status bgm time format", "milliseconds"},
                 {"status bgm number of tracks", "1"}, {"close bgm", ""}, {"play bgm", "error 263"}});
}

// Replies and error texts are cut to the caller's buffer or refused, never
// written past it.
TEST_F(MciCommands, RepliesAndErrorTextsNeverOverflowTheCallersBuffer) {
  MediaControl& layer = systemMediaControl();
  const std::string open = "open \"" + m_sound + "\" type mpegvideo alias bgm";
  char buffer[256];
  // The ID "1" needs two bytes: an open that cannot reply is undone.
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(layer.sendString(open.c_str(), buffer, 1), 268u);
  EXPECT_EQ(std::string(buffer, 2), std::string("\0x", 2));
  EXPECT_EQ(layer.sendString("close bgm", nullptr, 0), 263u);

  EXPECT_EQ(layer.sendString(open.c_str(), nullptr, 0), 0u) << "no reply wanted";
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(layer.sendString("status bgm mode", buffer, 7), 268u) << "\"stopped\" needs 8 bytes";
  EXPECT_EQ(std::string(buffer, 8), std::string("\0xxxxxxx", 8));
  EXPECT_EQ(layer.sendString("status bgm mode", buffer, 8), 0u);
  EXPECT_STREQ(buffer, "stopped");
  EXPECT_EQ(layer.sendString("status bgm mode", nullptr, 8), 0u);
  EXPECT_EQ(layer.sendString(nullptr, buffer, sizeof buffer), 267u);

  const std::pair<std::uint32_t, const char*> texts[] = {
      {264, "Not enough memory available for this task.\r\n\r\nQuit one or more applications to increase "
            "available memory, and then try again."},
      {276, "The dev"}, {0, nullptr}, {258, nullptr}, {513, nullptr}, {9999, nullptr}};
  for (const auto& [code, text] : texts) {
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(layer.getErrorString(code, buffer, code == 276 ? 8 : sizeof buffer), text != nullptr) << code;
    if (text != nullptr) { EXPECT_STREQ(buffer, text); }
    EXPECT_EQ(buffer[text != nullptr ? std::strlen(text) + 1 : 0], 'x') << code;
  }
  EXPECT_FALSE(layer.getErrorString(276, nullptr, 8));
  EXPECT_FALSE(layer.getErrorString(276, buffer, 0));
}

TEST_F(MciCommands, WithoutAnAudioOutputSoundsFailWithCodesButTheDiscIsRead) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  insertDisc(m_dir, {{300, 10}});
  EXPECT_EQ(systemMediaControl().waveOutDeviceCount(), 0u);
  EXPECT_FALSE(systemMediaControl().playSound(m_sound.c_str(), 9));
  expectReplies({{"open \"" + m_sound + "\" type MPEGVideo alias bgm", "error 262"}, {"open cdaudio", "1"},
                 {"play cdaudio", "error 262"}, {"status cdaudio mode", "stopped"}, {"close cdaudio", ""}});
}

}  // namespace
}  // namespace tumbleview::test
