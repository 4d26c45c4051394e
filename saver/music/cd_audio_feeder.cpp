#include "cd_audio_feeder.h"

#include "cdio_device.h"

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

CdAudioFeeder::CdAudioFeeder(SectorReader reader) : m_reader(std::move(reader)), m_ring(kRingSamples) {}

CdAudioFeeder::~CdAudioFeeder() { stop(); }

void CdAudioFeeder::joinFeeder() {
  {
    std::lock_guard lock(m_mutex);
    m_stopRequested = true;
  }
  m_wake.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

void CdAudioFeeder::start(std::int32_t fromLsn, std::int32_t endLsn) {
  joinFeeder();
  {
    std::lock_guard lock(m_mutex);
    m_ringRead = 0;
    m_ringFill = 0;
    m_fromLsn = fromLsn;
    m_endLsn = std::max(fromLsn, endLsn);
    m_readLsn = fromLsn;
    m_framesPlayed = 0;
    m_playing = true;
    m_finished = false;
    m_readerDone = false;
    m_stopRequested = false;
    m_stoppedAt = fromLsn;
  }
  m_thread = std::thread([this] { run(); });
}

std::int32_t CdAudioFeeder::stop() {
  joinFeeder();
  std::lock_guard lock(m_mutex);
  if (m_playing) {
    m_stoppedAt = std::min<std::int64_t>(m_fromLsn + static_cast<std::int64_t>(m_framesPlayed / kCdFramesPerSector),
                                         m_endLsn);
    m_playing = false;
  }
  m_ringFill = 0;
  return m_stoppedAt;
}

CdAudioFeeder::Snapshot CdAudioFeeder::snapshot() const {
  std::lock_guard lock(m_mutex);
  Snapshot snapshot;
  snapshot.playing = m_playing;
  snapshot.finished = m_finished;
  snapshot.position =
      m_playing ? static_cast<std::int32_t>(std::min<std::int64_t>(
                      m_fromLsn + static_cast<std::int64_t>(m_framesPlayed / kCdFramesPerSector), m_endLsn))
                : m_stoppedAt;
  return snapshot;
}

void CdAudioFeeder::run() {
  std::vector<std::int16_t> chunk(kChunkSamples);
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stopRequested || kRingSamples - m_ringFill >= kChunkSamples; });
    if (m_stopRequested) return;
    if (m_readLsn >= m_endLsn) {
      m_readerDone = true;
      return;
    }
    const std::int32_t lsn = m_readLsn;
    const auto count = static_cast<std::uint32_t>(std::min<std::int32_t>(kChunkSectors, m_endLsn - lsn));
    const std::size_t samples = count * kSamplesPerSector;
    lock.unlock();
    // The read may take a while on a real drive; nothing is locked meanwhile.
    if (!m_reader(lsn, count, chunk.data())) std::fill_n(chunk.begin(), samples, std::int16_t{0});
    lock.lock();
    if (m_stopRequested) return;
    for (std::size_t i = 0; i < samples; ++i) {
      m_ring[(m_ringRead + m_ringFill + i) % kRingSamples] = chunk[i];
    }
    m_ringFill += samples;
    m_readLsn = lsn + static_cast<std::int32_t>(count);
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
      m_stoppedAt = m_endLsn;
    }
  }
  m_wake.notify_one();
}

}  // namespace tumbleview::mci
