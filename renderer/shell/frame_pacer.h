// Frame pacing for the hack mode: frames start at most once per `delay`, as
// the peers' hacks pace theirs, so that a screen saver on a software
// rasterizer does not keep every core busy.  The /s run never
// waits and does not use this.  Times are steady-clock points; the clock
// comes from the caller, so the arithmetic is testable without sleeping.
#pragma once

#include <chrono>

namespace tumbleview {

class FramePacer {
 public:
  using Clock = std::chrono::steady_clock;

  // `delay` 0: never waits.
  explicit FramePacer(std::chrono::microseconds delay) : m_delay(delay) {}

  // Called when a frame has been presented at `now`: how long to wait before
  // the next frame starts.  A frame that took longer than the delay is
  // followed at once, and the schedule starts again from `now` rather than
  // rushing to catch up (a stall is not made up with a burst of frames).
  Clock::duration waitAfterFrame(Clock::time_point now);

 private:
  std::chrono::microseconds m_delay;
  Clock::time_point m_nextStart{};
  bool m_started = false;
};

// Frames per second over the last whole second, for the frame-rate display:
// the count of frames presented in it, refreshed once a second.
class FrameRateMeter {
 public:
  // Counts a frame presented at `now`; true when the figure has changed.
  bool framePresented(FramePacer::Clock::time_point now);
  double framesPerSecond() const { return m_rate; }

 private:
  FramePacer::Clock::time_point m_windowStart{};
  bool m_started = false;
  int m_frames = 0;
  double m_rate = 0.0;
};

}  // namespace tumbleview
