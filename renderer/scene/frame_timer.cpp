#include "frame_timer.h"

#include <chrono>
#include <utility>

namespace tumbleview {

FrameClocks FrameClocks::system() {
  using Clock = std::chrono::steady_clock;
  FrameClocks clocks;
  clocks.counterFrequency = [] {
    return static_cast<std::int64_t>(Clock::period::den / Clock::period::num);
  };
  clocks.counterNow = [] {
    return static_cast<std::int64_t>(Clock::now().time_since_epoch().count());
  };
  clocks.milliseconds = [] {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
    // Truncation to 32 bits is the point: the millisecond mode lives with a
    // clock that wraps.
    return static_cast<std::uint32_t>(ms.count());
  };
  return clocks;
}

FrameTimer::FrameTimer() : FrameTimer(FrameClocks::system()) {}

FrameTimer::FrameTimer(FrameClocks clocks) : m_clocks(std::move(clocks)) {
  m_ticksPerSecond = m_clocks.counterFrequency();
  if (m_ticksPerSecond > 0) {
    m_startCount = m_clocks.counterNow();
    m_counterMode = true;
    m_secondsPerTick = static_cast<float>(1.0 / static_cast<double>(m_ticksPerSecond));
  } else {
    m_startTime = m_clocks.milliseconds();
    m_secondsPerTick = 0.001f;
    m_ticksPerSecond = 1000;
  }
}

double FrameTimer::ElapsedSeconds() const {
  if (m_counterMode) {
    const std::int64_t ticks = m_clocks.counterNow() - m_startCount;
    return static_cast<double>(ticks) * m_secondsPerTick;
  }
  // Unsigned 32-bit subtraction: correct across one wrap of the clock.
  const std::uint32_t ms = m_clocks.milliseconds() - m_startTime;
  return static_cast<double>(ms) * m_secondsPerTick;
}

void FrameTimer::ResetTimer() {
  if (m_counterMode) {
    m_startCount = m_clocks.counterNow();
  } else {
    m_startTime = m_clocks.milliseconds();
  }
}

}  // namespace tumbleview
