// The classic-runtime conversions against the runtime's documented results.
#include "basic_conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

namespace tv = tumbleview;

namespace {

constexpr std::optional<double> kError = std::nullopt;

TEST(BasicConversions, LeadingNumberReadsLeniently) {
  const struct { const char *text; std::optional<double> expected; } cases[] = {
      {"1.9", 1.9},       {"  12abc", 12},   {" 2 45 7", 2457}, {"    1615 198th Street N.E.", 1615198},
      {"&H10", 16},       {"&HFFFF", -1},    {"&O17", 15},      {"&123", 83},
      {"&HeadMan", 3757}, {"&H7FFFFFFF", 2147483647.0},         {"&HFFFFFFFF", -1},
      {"1e3", 1000},      {"12E3abc", 12000}, {"12d3abc", 12000}, {"1e", 1},
      {"1,234", 1},       {"-3", -3},        {"+4", 4},         {".5", 0.5},
      {"-.5", -0.5},      {"5.", 5},         {"", 0},           {"abc", 0},
      {"-", 0},           {"50%", 50},       {"50.5%", kError}, {"1e400", kError},
      {"&H123456789", kError},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tv::parseLeadingNumber(c.text), c.expected) << "Val(\"" << c.text << "\")";
  }
}

TEST(BasicConversions, Int16RoundsHalvesToEvenAndReportsOverflow) {
  const struct { double value; std::optional<std::int16_t> expected; } cases[] = {
      {0.5, 0},          {1.5, 2},        {2.5, 2},         {3.5, 4},          {-0.5, 0},
      {-1.5, -2},        {-2.5, -2},      {2.4999, 2},      {2.5001, 3},       {32767.4, 32767},
      {32767.5, std::nullopt},            {-32768.5, -32768}, {-32768.6, std::nullopt},
      {1e10, std::nullopt},               {NAN, std::nullopt}, {INFINITY, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(tv::toInt16Rounded(c.value), c.expected) << "CInt(" << c.value << ")";
  const struct { const char* text; std::optional<std::int16_t> expected; } texts[] = {
      {"1,000", 1000}, {" 2.5 ", 2}, {"&HFFFF", -1}, {"abc", std::nullopt}, {"40000", std::nullopt}};
  for (const auto& c : texts) EXPECT_EQ(tv::toInt16Rounded(std::string_view(c.text)), c.expected) << c.text;
  // Int() goes toward minus infinity.
  for (const auto& [value, down] : {std::pair{-8.4, -9}, {8.9, 8}, {-0.5, -1}, {3.0, 3}}) {
    EXPECT_EQ(tv::roundDown(value), down) << value;
  }
}

TEST(BasicConversions, NumericTestFollowsLocaleSeparators) {
  const tv::NumberFormat ja{".", ",", "\xEF\xBF\xA5"};  // ￥
  const struct { const char *text; bool expected; } cases[] = {
      {"", false},       {" ", false},        {"53", true},       {" 53 ", true},   {"+53", true},
      {"-53", true},     {"53-", true},       {"53+", true},      {"(53)", true},   {"(53", false},
      {"1,234", true},   {"1,2,3", true},     {",1", false},      {"459.95", true}, {".5", true},
      {"1.2.3", false},  {".", false},        {"1e5", true},      {"1E-3", true},   {"1e", false},
      {"1d5", false},    {"&H1F", true},      {"&O17", true},     {"&H", false},    {"$5", false},
      {"\xEF\xBF\xA5" "5", true},             {"45 Help", false}, {"12abc", false},
      {"\xEF\xBC\x91\xEF\xBC\x92", false},    // full-width １２
      {"-5-", false},    {"(-5)", false},     {"-\xEF\xBF\xA5" "5", true},
      {"\xEF\xBF\xA5-\xEF\xBF\xA5" "5", false},
  };
  for (const auto& c : cases) EXPECT_EQ(tv::isNumericText(c.text, ja), c.expected) << "IsNumeric(\"" << c.text << "\")";

  // A locale with ',' as decimal point reads "1,5" as one and a half.
  EXPECT_EQ(tv::parseNumberText("1.234,5", tv::NumberFormat{",", ".", ""}), 1234.5);
  EXPECT_EQ(tv::parseNumberText("(53)", ja), -53);
  EXPECT_EQ(tv::parseNumberText("53-", ja), -53);
  // The process (C) locale names no thousands separator; ',' stands in.
  EXPECT_TRUE(tv::isNumericText("1,000"));
}

TEST(BasicConversions, NumberTextReservesTheSignPlace) {
  for (const auto& [value, text] : {std::pair{0, " 0"}, {7, " 7"}, {-3, "-3"}}) EXPECT_EQ(tv::numberText(value), text);
  EXPECT_EQ(tv::numberText(std::int16_t{-32768}), "-32768");
  const struct { double value; const char* text; } cases[] = {
      {1.5, " 1.5"}, {0.5, " .5"}, {-0.5, "-.5"}, {-459.65, "-459.65"}, {-0.0, " 0"}, {1e20, " 1E+20"}};
  for (const auto& c : cases) EXPECT_EQ(tv::numberText(c.value), c.text) << c.value;
}

TEST(BasicConversions, DigitPatternsShowZeroAsNothing) {
  // "##" and "###" agree on every value the saver shows.
  const struct { double value; const char* text; } cases[] = {
      {0, ""}, {7, "7"}, {-3, "-3"}, {20, "20"}, {123, "123"}, {2.5, "3"}, {-2.5, "-3"}, {0.4, ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(tv::formatDigits(c.value, "##"), c.text) << c.value;
    EXPECT_EQ(tv::formatDigits(c.value, "###"), c.text) << c.value;
  }
  EXPECT_EQ(tv::formatDigits(5, "0#"), std::nullopt);
}

TEST(BasicConversions, TextFunctionsCountCharactersNotBytes) {
  const std::pair<std::optional<std::string>, std::optional<std::string>> texts[] = {
      {tv::right("abc", 5), "abc"},     {tv::right("abc", 0), ""},             {tv::right("abc", -1), std::nullopt},
      {tv::right("あいう", 2), "いう"}, {tv::left("あいう", 1), "あ"},         {tv::substring("/S", 2, 1), "S"},
      {tv::substring("画像ﾌｧｲﾙ", 3), "ﾌｧｲﾙ"}, {tv::substring("abc", 9, 1), ""}, {tv::substring("abc", 0, 1), std::nullopt}};
  for (const auto& [actual, expected] : texts) EXPECT_EQ(actual, expected);
  EXPECT_EQ(std::tuple(tv::findText("あいうい", "い"), tv::findText("あいうい", "い", 3), tv::findText("abc", "x"),
                       tv::findText("abc", "", 2), tv::textLength("ﾘﾋﾟｰﾄ")), std::tuple(2, 4, 0, 2, 5));
  EXPECT_EQ(tv::toUpper("/p 123 abcÿéｚ αω ж ア"), "/P 123 ABCŸÉＺ ΑΩ Ж ア");
  // Bytes that are no UTF-8 survive a round trip, one character each.
  const std::string broken = "a\xFF" "b\xE3\x81";
  EXPECT_EQ(tv::encodeUtf8(tv::decodeUtf8(broken)), broken);
  EXPECT_EQ(tv::decodeUtf8(broken).size(), 5u);
}

}  // namespace
