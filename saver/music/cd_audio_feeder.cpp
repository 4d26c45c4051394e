#include "cd_audio_feeder.h"

#include "cd_disc.h"

#include <algorithm>

namespace tumbleview::mci {
namespace {

// Sectors read per call: about 0.13 s, small enough to stop quickly.
constexpr std::uint32_t kChunkSectors = 10;
constexpr std::size_t kSamplesPerSector = static_cast<std::size_t>(kCdFramesPerSector) * kOutputChannels;
constexpr std::size_t kChunkSamples = kChunkSectors * kSamplesPerSector;
constexpr std::size_t kRingSamples = 4 * kChunkSamples;

std::int16_t saturate(std::int32_t value) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, -32768, 32767));
}

}  // namespace

CdAudioFeeder::CdAudioFeeder(SectorReader reader) : m_reader(std::move(reader)) {}

CdAudioFeeder::~CdAudioFeeder() { stop(); }

void CdAudioFeeder::joinFeeder() {
  {
    std::lock_guard lock(m_mutex);
    m_stopRequested = true;
  }
  m_wake.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

void CdAudioFeeder::start(std::vector<Span> spans) {
  joinFeeder();
  {
    std::lock_guard lock(m_mutex);
    // Most devices never play (a status query opens one for itself): the
    // buffers wait for the first play, and are written before they are read.
    if (m_ring == nullptr) {
      m_ring = std::make_unique_for_overwrite<std::int16_t[]>(kRingSamples);
      m_chunk = std::make_unique_for_overwrite<std::int16_t[]>(kChunkSamples);
    }
    m_ringRead = 0;
    m_ringFill = 0;
    m_spans = std::move(spans);
    m_readSpan = 0;
    m_readLsn = m_spans.empty() ? 0 : m_spans.front().fromLsn;
    m_framesPlayed = 0;
    m_playing = !m_spans.empty();
    m_finished = false;
    m_readerDone = false;
    m_stopRequested = false;
    m_stoppedAt = m_readLsn;
  }
  if (!m_spans.empty()) m_thread = std::thread([this] { run(); });
}

std::int32_t CdAudioFeeder::playedPositionLocked() const {
  auto sectors = static_cast<std::int64_t>(m_framesPlayed / kCdFramesPerSector);
  for (const Span& span : m_spans) {
    if (sectors < span.endLsn - span.fromLsn) return span.fromLsn + static_cast<std::int32_t>(sectors);
    sectors -= span.endLsn - span.fromLsn;
  }
  return m_spans.empty() ? m_stoppedAt : m_spans.back().endLsn;
}

std::int32_t CdAudioFeeder::stop() {
  joinFeeder();
  std::lock_guard lock(m_mutex);
  if (m_playing) {
    m_stoppedAt = playedPositionLocked();
    m_playing = false;
  }
  m_finished = false;
  m_ringFill = 0;
  return m_stoppedAt;
}

CdAudioFeeder::Snapshot CdAudioFeeder::snapshot() const {
  std::lock_guard lock(m_mutex);
  Snapshot snapshot;
  snapshot.playing = m_playing;
  snapshot.finished = m_finished;
  snapshot.position = m_playing ? playedPositionLocked() : m_stoppedAt;
  return snapshot;
}

void CdAudioFeeder::run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stopRequested || kRingSamples - m_ringFill >= kChunkSamples; });
    if (m_stopRequested) return;
    const std::int32_t lsn = m_readLsn;
    const std::int32_t spanEnd = m_spans[m_readSpan].endLsn;
    const auto count = static_cast<std::uint32_t>(std::min<std::int32_t>(kChunkSectors, spanEnd - lsn));
    const std::size_t samples = count * kSamplesPerSector;
    lock.unlock();
    // The read may take a while on a real drive; nothing is locked meanwhile.
    if (!m_reader(lsn, count, m_chunk.get())) std::fill_n(m_chunk.get(), samples, std::int16_t{0});
    lock.lock();
    if (m_stopRequested) return;
    // The free part of the ring may wrap round its end.
    const std::size_t writeAt = (m_ringRead + m_ringFill) % kRingSamples;
    const std::size_t first = std::min(samples, kRingSamples - writeAt);
    std::copy_n(m_chunk.get(), first, m_ring.get() + writeAt);
    std::copy_n(m_chunk.get() + first, samples - first, m_ring.get());
    m_ringFill += samples;
    m_readLsn = lsn + static_cast<std::int32_t>(count);
    if (m_readLsn < spanEnd) continue;
    // Done as soon as the last sector is in: the play ends with the ring,
    // never a moment after the last span's end.
    if (++m_readSpan == m_spans.size()) {
      m_readerDone = true;
      return;
    }
    m_readLsn = m_spans[m_readSpan].fromLsn;
  }
}

void CdAudioFeeder::mixInto(std::int16_t* samples, std::size_t frames) {
  {
    std::lock_guard lock(m_mutex);
    if (!m_playing) return;
    const std::size_t wanted = frames * kOutputChannels;
    const std::size_t taken = std::min(wanted, m_ringFill);
    for (std::size_t i = 0; i < taken; ++i) {
      samples[i] = saturate(std::int32_t{samples[i]} + m_ring[(m_ringRead + i) % kRingSamples]);
    }
    m_ringRead = (m_ringRead + taken) % kRingSamples;
    m_ringFill -= taken;
    m_framesPlayed += taken / kOutputChannels;
    if (m_readerDone && m_ringFill == 0) {
      m_playing = false;
      m_finished = true;
      m_stoppedAt = m_spans.back().endLsn;
    }
  }
  m_wake.notify_one();
}

}  // namespace tumbleview::mci
