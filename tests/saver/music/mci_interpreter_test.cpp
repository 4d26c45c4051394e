// The command interpreter of the real layer: grammar, error codes and
// texts, reply buffers, and hostile command strings.
#include "mci_command.h"
#include "mci_errors.h"
#include "mci_layer.h"
#include "music_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tumbleview::test {
namespace {

TEST(MciErrorTexts, AreTheNativeEnglishTextsWithTheirTypography) {
  // 261 and 263 reach the player and are checked there.
  const std::pair<std::uint32_t, const char*> table[] = {
      {275, "Cannot find the specified file.  Make sure the path and filename are correct."},
      {276, "The device driver is not ready."},
      {282, "The specified parameter is out of range for the specified command."},
      {264, "Not enough memory available for this task.\r\n\r\nQuit one or more applications to increase "
            "available memory, and then try again."},
      {268, "The output string was too large to fit in the return buffer.  Increase the size of the buffer."},
      {306, "The specified device is not installed on the system. To install the device, go to Control Panel, "
            "click Printers and Other Hardware, and then click Add Hardware."},
  };
  MediaControl& layer = systemMediaControl();
  for (const auto& [code, text] : table) {
    char buffer[256];
    ASSERT_TRUE(layer.getErrorString(code, buffer, sizeof buffer)) << code;
    EXPECT_STREQ(buffer, text) << code;
  }
}

TEST(MciErrorTexts, RefuseUnknownCodesAndNeverWritePastTheBuffer) {
  MediaControl& layer = systemMediaControl();
  char buffer[16];
  for (const std::uint32_t code : {0u, 258u, 513u, 9999u}) {
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(layer.getErrorString(code, buffer, sizeof buffer)) << code;
    EXPECT_EQ(buffer[0], 'x') << code;
  }
  std::memset(buffer, 'x', sizeof buffer);
  ASSERT_TRUE(layer.getErrorString(276, buffer, 8));
  EXPECT_STREQ(buffer, "The dev");
  EXPECT_EQ(buffer[8], 'x');
  EXPECT_FALSE(layer.getErrorString(276, nullptr, 8));
  EXPECT_FALSE(layer.getErrorString(276, buffer, 0));
}

TEST(MciNumbers, ArePackedLowByteFirstAndValidated) {
  const std::pair<const char*, std::int64_t> table[] = {
      {"0", 0}, {"4294967295", 4294967295}, {"3", 3}, {"03:00:00:00", 3}, {"3:1:30:0", 3 + (1 << 8) + (30 << 16)},
      {":::1", 1 << 24}, {"2::3", 2 + (3 << 16)}, {"255:255:255:255", 4294967295}, {"00000000000000000000000000007", 7},
      {"4294967296", -1}, {"99999999999999999999", -1}, {"3:256", -1}, {"0:0:0:0:0", -1}, {"::", -1}, {"", -1},
      {"-1", -1}, {"1.5", -1}, {"Error:282", -1}};
  for (const auto& [text, expected] : table) {
    std::uint32_t value = 0;
    const std::uint32_t code = mci::parseNumber(text, value);
    if (expected < 0) {
      EXPECT_EQ(code, mci::kBadInteger) << text;
    } else {
      EXPECT_EQ(code, 0u) << text;
      EXPECT_EQ(value, static_cast<std::uint32_t>(expected)) << text;
    }
  }
}

class MciCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    useDummyAudio();
    m_sound = m_dir.file("tone.wav");
    writeWave(m_sound, tone(440, 44100));
  }
  void TearDown() override { shutdownSystemMediaControl(); }

  // The code, and the reply buffer left empty after an error.
  std::uint32_t send(const std::string& command) {
    char reply[128];
    std::memset(reply, 'x', sizeof reply);
    const std::uint32_t code = systemMediaControl().sendString(command.c_str(), reply, sizeof reply);
    if (code != 0) {
      EXPECT_STREQ(reply, "") << command;
    }
    return code;
  }
  void expectCodes(const std::vector<std::pair<std::string, std::uint32_t>>& table) {
    for (const auto& [command, code] : table) EXPECT_EQ(send(command), code) << command;
  }

  TempDir m_dir;
  std::string m_sound;
};

TEST_F(MciCommands, MalformedCommandsGetThePlatformsCodes) {
  const std::string missing = m_dir.file("no such.wav");
  expectCodes({{"", 267}, {"   \t ", 267}, {"open", 292}, {"open notify", 263}, {"frobnicate x", 261},
               {"pause cdaudio", 261}, {"play nosuchalias", 263}, {"close nosuchalias", 263},
               {"open \"a b.mp3 alias x", 294}, {"\"", 294}, {"open \"a\"b alias x", 305},
               {"open \"" + m_sound + "\"", 0}, {"close \"" + m_sound + "\"", 0}, {"open \"\" alias x", 263},
               {"open \"\" type mpegvideo alias x", 275}, {"open \"" + missing + "\" alias x", 275},
               {"open " + m_dir.path() + " type mpegvideo alias x", 296}, {"open x.xyz alias x", 281},
               {"open x type waveaudio alias x", 263}, {"open cdaudio alias", 273}, {"status all mode", 279},
               {"open all", 279}, {"close all", 0}, {"close all", 0}, {"status x", 263},
               // A file that is not open is opened for the command; only a play keeps it open.
               {"status \"" + m_sound + "\" mode", 0}, {"close \"" + m_sound + "\"", 263},
               {"status \"" + m_sound + "\" mode notify", 300}, {"status \"" + m_sound + "\" sideways", 259},
               {"play \"" + m_sound + "\"", 0}, {"close \"" + m_sound + "\"", 0}});
  EXPECT_EQ(send("close x"), 263u) << "a failed open leaves nothing behind";
}

TEST_F(MciCommands, KeywordsOfAnOpenDeviceAreChecked) {
  ASSERT_EQ(send("open \"" + m_sound + "\" type MPEGVideo alias bgm"), 0u);
  expectCodes({{"play bgm sideways", 259}, {"status bgm", 273}, {"status bgm position wait wait", 295},
               {"status bgm length position", 284}, {"status bgm mode track 1", 284}, {"status bgm position track", 273},
               {"play bgm from 0:0:0:0:0", 270}, {"play bgm from 256:0:0:0", 270}, {"play bgm from :0:0:0:0", 270},
               {"play bgm from 99999999999", 270}, {"play bgm from", 273}, {"play bgm from 0 from 0", 295},
               {"play bgm from 3600000", 282}, {"play bgm to 100", 274}, {"set bgm", 273},
               {"set bgm time format tmsf", 293}, {"set bgm time format bogus", 293}, {"set bgm time format ms", 0},
               {"open \"" + m_sound + "\" type MPEGVideo alias BGM", 289}, {"PLAY BGM wait", 0}});
  EXPECT_EQ(mciReply("Status\tBGM\t\tMode"), "playing") << "tabs separate words; names ignore case";
  EXPECT_EQ(mciReply("status bgm time format"), "milliseconds");
  EXPECT_EQ(mciReply("status bgm number of tracks"), "1");
  EXPECT_EQ(send("close bgm"), 0u);
  EXPECT_EQ(send("play bgm"), 263u) << "commands after close";
}

TEST_F(MciCommands, RepliesNeverOverflowTheCallersBuffer) {
  MediaControl& layer = systemMediaControl();
  const std::string open = "open \"" + m_sound + "\" type mpegvideo alias bgm";
  char buffer[16];

  // The ID "1" needs two bytes: an open that cannot reply is undone.
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(layer.sendString(open.c_str(), buffer, 1), 268u);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], 'x');
  EXPECT_EQ(layer.sendString("close bgm", nullptr, 0), 263u);

  EXPECT_EQ(layer.sendString(open.c_str(), nullptr, 0), 0u) << "no reply wanted";
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(layer.sendString("status bgm mode", buffer, 7), 268u) << "\"stopped\" needs 8 bytes";
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[7], 'x');
  EXPECT_EQ(layer.sendString("status bgm mode", buffer, 8), 0u);
  EXPECT_STREQ(buffer, "stopped");
  EXPECT_EQ(layer.sendString("status bgm mode", nullptr, 8), 0u);
  EXPECT_EQ(layer.sendString(nullptr, buffer, sizeof buffer), 267u);
}

TEST_F(MciCommands, OverlongCommandsAreRefusedWithinBoundedWork) {
  const std::string hugePath(1 << 20, 'a');
  EXPECT_EQ(send("open \"" + hugePath + ".mp3\" alias x"), 275u);
  EXPECT_EQ(send("status " + std::string(1000, 'b') + " mode"), 263u);
  EXPECT_EQ(send("open \"" + m_sound + "\" alias " + std::string(1000, 'c')), 0u);
  EXPECT_EQ(mciReply("status " + std::string(1000, 'C') + " mode"), "stopped");
  EXPECT_EQ(send(std::string(1 << 20, ' ') + "x"), 261u);
  EXPECT_EQ(send(std::string(1 << 20, ' ') + "close"), 292u);
  EXPECT_EQ(send("status " + m_sound + " " + std::string(100000, 'm')), 259u);
}

}  // namespace
}  // namespace tumbleview::test
