#include "frame_timer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace tumbleview {
namespace {

// A machine without a high-resolution counter: only the 32-bit millisecond
// clock, set by hand.
TEST(FrameTimer, MillisecondModeSurvivesTheClockWrap) {
  struct Case {
    const char* what;
    std::uint32_t start, end;
    double seconds;
  };
  for (const Case& c : {Case{"same millisecond", 5000, 5000, 0.0},
                        Case{"plain interval", 5000, 5250, 0.25},
                        Case{"across the wrap", 0xFFFFFFF0u, 0x10u, 0.032},
                        Case{"last tick to zero", 0xFFFFFFFFu, 0u, 0.001}}) {
    SCOPED_TRACE(c.what);
    auto now = std::make_shared<std::uint32_t>(0);
    FrameTimer timer({[] { return std::int64_t{0}; }, [] { return std::int64_t{0}; },
                      [now] { return *now; }});
    EXPECT_FALSE(timer.counterMode());
    *now = c.start;
    timer.ResetTimer();
    *now = c.end;
    // Seconds per tick is a single-precision 0.001.
    EXPECT_NEAR(timer.ElapsedSeconds(), c.seconds, 1e-6);
  }
}

TEST(FrameTimer, CounterModeReadsWithoutRestarting) {
  auto ticks = std::make_shared<std::int64_t>(1'000'000);
  FrameTimer timer({[] { return std::int64_t{1'000'000}; }, [ticks] { return *ticks; },
                    [] { return 0u; }});
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
