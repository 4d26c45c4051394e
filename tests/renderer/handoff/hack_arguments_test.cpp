#include "hack_arguments.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using tumbleview::HackRequest;
using tumbleview::hackRequestOf;
using Us = std::chrono::microseconds;

struct Case {
  const char* name;
  std::vector<std::string> arguments;
  const char* daemonWindow;
  std::optional<HackRequest> expected;
};

TEST(HackArguments, ReadsTheDaemonConventionsAndNothingElse) {
  const std::vector<Case> cases = {
      {"daemon window", {"--root"}, "0x200008", HackRequest{0x200008, false, Us(20000), false}},
      {"single dash, decimal variable", {"-root"}, "2097160", HackRequest{2097160, false, Us(20000), false}},
      {"root without a daemon", {"--root"}, nullptr, HackRequest{0, false, Us(20000), false}},
      {"variable naming no window", {"--root"}, "none", HackRequest{0, false, Us(20000), false}},
      {"pane wins over the variable", {"--window-id", "0x1234", "--root"}, "0x99", HackRequest{0x1234, true, Us(20000), false}},
      {"joined value", {"-window-id=4660"}, nullptr, HackRequest{4660, true, Us(20000), false}},
      {"delay and fps", {"--root", "--delay", "0", "--fps"}, "0x5", HackRequest{5, false, Us(0), true}},
      {"last fps option wins, unknown ignored", {"-fps", "--install", "-no-fps", "--root"}, "0x5", HackRequest{5, false, Us(20000), false}},
      {"screen-saver switches", {"/s"}, "0x5", std::nullopt},
      {"delay alone", {"--delay", "10"}, nullptr, std::nullopt},
      {"window id not a number", {"--window-id", "12ab"}, nullptr, std::nullopt},
      {"window id zero", {"--window-id", "0"}, nullptr, std::nullopt},
      {"window id too large", {"--window-id", "0x100000000"}, nullptr, std::nullopt},
      {"window id missing", {"--root", "--window-id"}, nullptr, std::nullopt},
      {"negative delay", {"--root", "--delay", "-5"}, "0x5", std::nullopt},
      {"delay beyond 32 bits", {"--root", "--delay", "4294967296"}, "0x5", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hackRequestOf(c.arguments, c.daemonWindow), c.expected) << c.name;
  }
  // What the saver hands the renderer reads back as the same window and pacing.
  const HackRequest daemon{0x200008, false, Us(33333), true};
  EXPECT_EQ(hackRequestOf(tumbleview::rendererArgumentsFor(daemon), nullptr), (HackRequest{0x200008, true, Us(33333), true}));
}

}  // namespace
