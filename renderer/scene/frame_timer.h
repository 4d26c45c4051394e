// Measures how long a frame took, so that the scene can turn at a fixed
// speed in degrees per second whatever the frame rate.
//
// Two modes, chosen once at construction: a high-resolution counter when the
// clock source offers one (a frequency above 0), otherwise a 32-bit
// millisecond clock that wraps every 2^32 ms (about 49.7 days).  The clocks
// come in through FrameClocks so that tests can drive time by hand.
// Single-threaded.
#pragma once

#include <cstdint>
#include <functional>

namespace tumbleview {

struct FrameClocks {
  // Counter ticks per second; 0 when there is no high-resolution counter.
  std::function<std::int64_t()> counterFrequency;
  // Current counter reading, in ticks.
  std::function<std::int64_t()> counterNow;
  // Current millisecond clock; wraps from 2^32 - 1 to 0.
  std::function<std::uint32_t()> milliseconds;

  // The machine's monotonic clock, in both forms (nanosecond counter and
  // milliseconds since an arbitrary start, truncated to 32 bits).
  static FrameClocks system();
};

class FrameTimer {
 public:
  // Uses FrameClocks::system().
  FrameTimer();
  // Every function of `clocks` must be set.
  explicit FrameTimer(FrameClocks clocks);

  // Seconds since construction or the last ResetTimer.  Reading does not
  // restart the measurement.  In millisecond mode one wrap of the clock
  // between the two readings still gives the true interval.
  double ElapsedSeconds() const;

  // Restarts the measurement now.
  void ResetTimer();

  bool counterMode() const { return m_counterMode; }

 private:
  FrameClocks m_clocks;
  std::int64_t m_ticksPerSecond = 0;
  float m_secondsPerTick = 0.0f;
  std::uint32_t m_startTime = 0;  // milliseconds (millisecond mode)
  bool m_counterMode = false;
  std::int64_t m_startCount = 0;  // ticks (counter mode)
};

}  // namespace tumbleview
