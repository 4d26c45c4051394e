#include "frame_pacer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using tumbleview::FramePacer;
using Ms = std::chrono::milliseconds;

FramePacer::Clock::time_point at(int ms) { return FramePacer::Clock::time_point(Ms(ms)); }

struct Case {
  const char* name;
  int delayMs;
  std::vector<int> presentedAtMs;
  std::vector<int> expectedWaitMs;
};

TEST(FramePacer, StartsFramesOneDelayApartWithoutCatchingUp) {
  const std::vector<Case> cases = {
      {"unpaced never waits", 0, {0, 1, 50}, {0, 0, 0}},
      {"short frames wait out the rest", 20, {0, 25, 45, 61}, {20, 15, 15, 19}},
      {"a slow frame is followed at once", 20, {0, 50, 55}, {20, 0, 15}},
  };
  for (const Case& c : cases) {
    FramePacer pacer{std::chrono::microseconds(Ms(c.delayMs))};
    for (std::size_t i = 0; i < c.presentedAtMs.size(); ++i) {
      EXPECT_EQ(pacer.waitAfterFrame(at(c.presentedAtMs[i])), Ms(c.expectedWaitMs[i])) << c.name << ", frame " << i;
    }
  }
}

}  // namespace
