#include "frame_pacer.h"

namespace tumbleview {

FramePacer::Clock::duration FramePacer::waitAfterFrame(Clock::time_point now) {
  if (m_delay.count() <= 0) return Clock::duration::zero();
  if (!m_started) {
    // The first frame started a delay ago as far as the schedule knows.
    m_started = true;
    m_nextStart = now;
  }
  m_nextStart += m_delay;
  if (m_nextStart <= now) {
    m_nextStart = now;
    return Clock::duration::zero();
  }
  return m_nextStart - now;
}

bool FrameRateMeter::framePresented(FramePacer::Clock::time_point now) {
  if (!m_started) {
    m_started = true;
    m_windowStart = now;
  }
  ++m_frames;
  const auto elapsed = now - m_windowStart;
  if (elapsed < std::chrono::seconds(1)) return false;
  m_rate = static_cast<double>(m_frames) / std::chrono::duration<double>(elapsed).count();
  m_frames = 0;
  m_windowStart = now;
  return true;
}

}  // namespace tumbleview
