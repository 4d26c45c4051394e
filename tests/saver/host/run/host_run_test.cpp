// The start-up's reading of the command line and the picture size the
// renderer gets.  (The claim on the display is proved by the whole-system
// tests, with starts in the same instant.)
#include <gtest/gtest.h>

#include "command_line.h"
#include "picture_fit.h"

namespace tumbleview {
namespace {

TEST(CommandLine, SwitchIsTheSecondCharacterUpperCased) {
  const std::pair<const char*, const char*> cases[] = {
      {"/s", "S"}, {"-s", "S"}, {"/S", "S"},     {"xs", "S"},  {"S", ""},  {"", ""},
      {"/p 123", "P"}, {"/c:99", "C"}, {"/a", "A"}, {"/ß", "ß"}, {"/é", "É"}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(commandSwitch(text), expected) << text;
}

TEST(CommandLine, PreviewParentIsReadLenientlyFromTheFourthCharacter) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"/p 1234", 1234},         {"/p1234", 234},        {"/p 12 34", 1234},       {"/p 77abc", 77},
      {"/p", 0},                 {"/p abc", 0},          {"/p 2.5", 2},            {"/p 3.5", 4},
      {"/p -17", -17},           {"/p 2147483647", 2147483647}, {"/p 2147483648", 0}, {"/p &H10", 16}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(previewParentOf(text), expected) << text;
}

TEST(PictureFit, OnlyPicturesBeyondTheRenderersLimitsAreScaledKeepingTheirShape) {
  const RendererLimits limits = rendererLimits();
  ASSERT_EQ(limits.maxSide, 16384);
  ASSERT_EQ(limits.maxPixels, 64 << 20);
  const std::pair<PictureSize, PictureSize> cases[] = {
      {{1024, 768}, {1024, 768}},         {{16384, 4096}, {16384, 4096}}, {{20000, 1000}, {16384, 819}},
      {{1000, 20000}, {819, 16384}},      {{10000, 10000}, {8192, 8192}}, {{12000, 9000}, {9459, 7094}},
      {{1000000, 1}, {16384, 1}},         {{0, 0}, {0, 0}}};
  for (const auto& [size, fitted] : cases) {
    EXPECT_EQ(fitWithin(size, limits), fitted) << size.width << " x " << size.height;
  }
}

}  // namespace
}  // namespace tumbleview
