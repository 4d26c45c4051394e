#include "frame_timer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace tumbleview {
namespace {

// A counter-less machine: only the 32-bit millisecond clock, set by hand.
FrameClocks MillisecondClock(std::shared_ptr<std::uint32_t> now) {
  FrameClocks clocks;
  clocks.counterFrequency = [] { return std::int64_t{0}; };
  clocks.counterNow = [] { return std::int64_t{0}; };
  clocks.milliseconds = [now] { return *now; };
  return clocks;
}

TEST(FrameTimer, MillisecondModeSurvivesTheClockWrap) {
  struct Case {
    const char* what;
    std::uint32_t start, end;
    double seconds;
  };
  const Case cases[] = {
      {"same millisecond", 5000, 5000, 0.0},
      {"plain interval", 5000, 5250, 0.25},
      {"across the wrap", 0xFFFFFFF0u, 0x10u, 0.032},
      {"from the last tick to zero", 0xFFFFFFFFu, 0u, 0.001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto now = std::make_shared<std::uint32_t>(0);
    FrameTimer timer(MillisecondClock(now));
    EXPECT_FALSE(timer.CounterMode());
    *now = c.start;
    timer.ResetTimer();
    *now = c.end;
    // Seconds per tick is a single-precision 0.001.
    EXPECT_NEAR(timer.ElapsedSeconds(), c.seconds, 1e-6);
  }
}

TEST(FrameTimer, CounterModeReadsWithoutRestarting) {
  auto ticks = std::make_shared<std::int64_t>(1'000'000);
  FrameClocks clocks;
  clocks.counterFrequency = [] { return std::int64_t{1'000'000}; };
  clocks.counterNow = [ticks] { return *ticks; };
  clocks.milliseconds = [] { return 0u; };
  FrameTimer timer(clocks);
  ASSERT_TRUE(timer.CounterMode());

  *ticks += 250'000;
  EXPECT_NEAR(timer.ElapsedSeconds(), 0.25, 1e-6);
  *ticks += 250'000;
  EXPECT_NEAR(timer.ElapsedSeconds(), 0.5, 1e-6) << "reading does not restart";
  timer.ResetTimer();
  EXPECT_EQ(timer.ElapsedSeconds(), 0.0);
  *ticks += 3'000'000'000'000;  // a counter far beyond 32 bits
  EXPECT_NEAR(timer.ElapsedSeconds(), 3'000'000.0, 1.0);
}

TEST(FrameTimer, SystemClockIsAMonotonicCounter) {
  FrameTimer timer;
  EXPECT_TRUE(timer.CounterMode());
  const double first = timer.ElapsedSeconds();
  const double second = timer.ElapsedSeconds();
  EXPECT_GE(first, 0.0);
  EXPECT_GE(second, first);
}

}  // namespace
}  // namespace tumbleview
