#include "frame_timer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <tuple>

namespace tumbleview {
namespace {

// A machine without a high-resolution counter: only the 32-bit millisecond
// clock, set by hand.
TEST(FrameTimer, MillisecondModeSurvivesTheClockWrap) {
  // Start, end, seconds: the same millisecond, a plain interval, across the
  // wrap, and from the last tick to zero.
  for (const auto& [start, end, seconds] : {std::tuple{5000u, 5000u, 0.0}, {5000u, 5250u, 0.25},
                                            {0xFFFFFFF0u, 0x10u, 0.032}, {0xFFFFFFFFu, 0u, 0.001}}) {
    auto now = std::make_shared<std::uint32_t>(start);
    FrameTimer timer({[] { return std::int64_t{0}; }, [] { return std::int64_t{0}; }, [now] { return *now; }});
    EXPECT_FALSE(timer.counterMode());
    timer.ResetTimer();
    *now = end;
    // Seconds per tick is a single-precision 0.001.
    EXPECT_NEAR(timer.ElapsedSeconds(), seconds, 1e-6) << start << " to " << end;
  }
}

TEST(FrameTimer, CounterModeReadsWithoutRestarting) {
  auto ticks = std::make_shared<std::int64_t>(1'000'000);
  FrameTimer timer({[] { return std::int64_t{1'000'000}; }, [ticks] { return *ticks; }, [] { return 0u; }});
  ASSERT_TRUE(timer.counterMode());
  *ticks += 250'000;
  EXPECT_NEAR(timer.ElapsedSeconds(), 0.25, 1e-6);
  *ticks += 250'000;
  EXPECT_NEAR(timer.ElapsedSeconds(), 0.5, 1e-6) << "reading does not restart";
  timer.ResetTimer();
  EXPECT_EQ(timer.ElapsedSeconds(), 0.0);
  *ticks += 3'000'000'000'000;  // far beyond 32 bits
  EXPECT_NEAR(timer.ElapsedSeconds(), 3'000'000.0, 1.0);

  EXPECT_TRUE(FrameTimer().counterMode()) << "the system clock is a counter";
}

}  // namespace
}  // namespace tumbleview
