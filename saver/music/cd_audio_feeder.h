// Digital playback of CD audio: a feeder thread reads sectors ahead into a
// small ring buffer (about half a second) and the audio thread takes them
// out through PcmSource::mixInto.  The play position is what the audio
// thread has taken, so it follows the sound, not the reading.
//
// Threads: start/stop/snapshot on the caller's thread (the GUI thread),
// run() on the feeder thread, mixInto() on the audio thread; all shared
// state is guarded by one mutex.  The feeder never outlives this object.
#pragma once

#include "audio_output.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tumbleview::mci {

class CdAudioFeeder : public PcmSource {
 public:
  // Reads `count` sectors from `lsn` into `pcm` (588 stereo frames each);
  // false on failure (the sectors then play as silence).  Called on the
  // feeder thread only.
  using SectorReader = std::function<bool(std::int32_t lsn, std::uint32_t count, std::int16_t* pcm)>;

  explicit CdAudioFeeder(SectorReader reader);
  ~CdAudioFeeder() override;
  CdAudioFeeder(const CdAudioFeeder&) = delete;
  CdAudioFeeder& operator=(const CdAudioFeeder&) = delete;

  // Sectors [fromLsn, endLsn).
  struct Span {
    std::int32_t fromLsn = 0;
    std::int32_t endLsn = 0;
  };
  // Plays the spans one after the other without a gap; a play already
  // running is stopped.  Spans are in disc order and none is empty.
  void start(std::vector<Span> spans);
  // Stops at once and forgets a play that had finished; returns the
  // sector reached.
  std::int32_t stop();

  struct Snapshot {
    bool playing = false;
    bool finished = false;     // the last play ran to its end
    std::int32_t position = 0; // sector being heard, or where play ended
  };
  Snapshot snapshot() const;

  void mixInto(std::int16_t* samples, std::size_t frames) override;

 private:
  void run();
  void joinFeeder();
  std::int32_t playedPositionLocked() const;

  SectorReader m_reader;
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::unique_ptr<std::int16_t[]> m_ring;
  std::unique_ptr<std::int16_t[]> m_chunk;  // the feeder thread's read buffer
  std::size_t m_ringRead = 0;   // in samples
  std::size_t m_ringFill = 0;   // in samples
  std::vector<Span> m_spans;
  std::size_t m_readSpan = 0;   // the span m_readLsn lies in
  std::int32_t m_readLsn = 0;
  std::uint64_t m_framesPlayed = 0;
  bool m_playing = false;
  bool m_finished = false;
  bool m_readerDone = false;
  bool m_stopRequested = false;
  std::int32_t m_stoppedAt = 0;
  std::thread m_thread;
};

}  // namespace tumbleview::mci
