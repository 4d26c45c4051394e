// The "cdaudio" driver: a disc's table of contents and positions in the
// platform's time formats (tmsf, msf, milliseconds), and digital playback
// of its audio sectors through the audio output on a feeder thread, so
// music stops when the process ends, however it ends.
//
// Modes: "playing", "stopped"; "open" while the drive holds no disc.
// Commands that need the table of contents then fail with 276; a disc
// whose table cannot be read (a blank one) reads "stopped", is present,
// and fails them with 262.
//
// Data tracks are never played: a play that starts inside one starts at
// the next audio track, the data inside a range is skipped, and a range
// of data only ends at once.  Once a play has reached the end of the
// disc's audio the position returns to the start of the disc, so a
// following "play" without "from" plays the disc again.
//
// A changed disc is noticed at the next command: the drive reports it, or
// an audio read has failed and the table read afresh differs.  A play of
// the old disc then ends, and the new disc's table is used, or commands
// fail as with no disc.
#pragma once

#include "audio_output.h"
#include "cd_audio_feeder.h"
#include "cd_disc.h"
#include "mci_device.h"

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace tumbleview::mci {

class CdAudioDevice : public MciDevice {
 public:
  CdAudioDevice(std::unique_ptr<CdDisc> disc, AudioOutput& output);
  ~CdAudioDevice() override;

  std::uint32_t play(std::optional<std::uint32_t> from, std::optional<std::uint32_t> to) override;
  std::uint32_t stop() override;
  std::uint32_t status(const StatusQuery& query, std::string& reply) override;
  std::uint32_t setTimeFormat(TimeFormat format) override;

 private:
  const CdToc* toc();
  std::uint32_t noTableError() const;
  std::int32_t currentLsn();
  std::int32_t restingPlace(std::int32_t lsn) const;
  std::vector<CdAudioFeeder::Span> audioSpans(std::int32_t from, std::int32_t end) const;
  std::int32_t trackEnd(const CdTrack& track) const;
  std::uint32_t toLsn(std::uint32_t packed, std::int32_t& lsn) const;
  std::string formatPosition(std::int32_t lsn) const;
  std::string formatLength(std::int32_t sectors) const;
  const CdTrack* trackAt(std::int32_t lsn) const;

  std::unique_ptr<CdDisc> m_disc;
  AudioOutput& m_output;
  CdMedium m_medium = CdMedium::Absent;
  std::optional<CdToc> m_toc;
  TimeFormat m_format = TimeFormat::Msf;
  std::int32_t m_position = 0;  // where the next "play" without "from" starts
  bool m_attached = false;
  std::atomic<bool> m_readFailed{false};  // set by the feeder thread
  CdAudioFeeder m_feeder;                 // destroyed first: it reads through m_disc
};

}  // namespace tumbleview::mci
