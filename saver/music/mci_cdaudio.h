// The "cdaudio" driver: a disc's table of contents and positions in the
// platform's time formats (tmsf, msf, milliseconds), and digital playback
// of its audio sectors through the audio output on a feeder thread, so
// music stops when the process ends, however it ends.
//
// Modes: "playing", "stopped"; without a readable table of contents "open"
// (a drive without a disc) or "not ready" (an image that cannot be read).
// Commands that need the table of contents then fail with 276.  When a
// play reaches the end of the disc the position returns to the start of
// the disc, so a following "play" without "from" plays the disc again.
#pragma once

#include "audio_output.h"
#include "cd_audio_feeder.h"
#include "cdio_device.h"
#include "mci_device.h"

#include <memory>
#include <optional>

namespace tumbleview::mci {

class CdAudioDevice : public MciDevice {
 public:
  CdAudioDevice(std::unique_ptr<CdioDisc> disc, AudioOutput& output);
  ~CdAudioDevice() override;

  std::uint32_t play(std::optional<std::uint32_t> from, std::optional<std::uint32_t> to) override;
  std::uint32_t stop() override;
  std::uint32_t status(const StatusQuery& query, std::string& reply) override;
  std::uint32_t setTimeFormat(TimeFormat format) override;

 private:
  const CdToc* toc();
  std::int32_t currentLsn();
  std::uint32_t toLsn(std::uint32_t packed, std::int32_t& lsn) const;
  std::string formatPosition(std::int32_t lsn) const;
  std::string formatLength(std::int32_t sectors) const;
  const CdTrack* trackAt(std::int32_t lsn) const;
  bool readSectors(std::int32_t lsn, std::uint32_t count, std::int16_t* pcm);

  std::unique_ptr<CdioDisc> m_disc;
  AudioOutput& m_output;
  std::optional<CdToc> m_toc;
  TimeFormat m_format = TimeFormat::Msf;
  std::int32_t m_position = 0;  // where the next "play" without "from" starts
  bool m_attached = false;
  CdToc m_playingToc;           // the feeder's copy, fixed while it plays
  CdAudioFeeder m_feeder;       // destroyed first: it reads through m_disc
};

}  // namespace tumbleview::mci
