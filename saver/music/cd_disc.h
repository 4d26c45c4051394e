// What the "cdaudio" driver needs of a CD drive: the table of contents of
// the disc in it, its audio sectors, and word of a disc being changed.
// Portable; the drive (or disc image) behind it is cdio_device.h's.
#pragma once

#include <cstdint>
#include <vector>

namespace tumbleview::mci {

// A CD sector holds 1/75 s of audio: 588 stereo frames of 16-bit samples.
inline constexpr std::int32_t kCdSectorsPerSecond = 75;
inline constexpr std::int32_t kCdFramesPerSector = 588;
inline constexpr std::int32_t kCdSectorBytes = 2352;
// MSF addresses count the two-second lead-in that LSN 0 follows.
inline constexpr std::int32_t kCdMsfOffset = 150;

struct CdTrack {
  int number = 0;
  std::int32_t startLsn = 0;
  bool audio = true;

  bool operator==(const CdTrack&) const = default;
};

// At least one track; tracks in disc order, numbered one up from the first
// (1..99); starts strictly increasing, not negative and below the lead-out.
struct CdToc {
  std::vector<CdTrack> tracks;
  std::int32_t leadoutLsn = 0;

  bool operator==(const CdToc&) const = default;
};

// What a table-of-contents read found in the drive.
enum class CdMedium {
  Absent,      // no disc (tray open, image file gone)
  Unreadable,  // a disc without a readable table: blank, or a file that is no image
  Readable,
};

// Thread-safety: readAudio is called on the feeder thread while the other
// members are called on the caller's thread; implementations serialise.
class CdDisc {
 public:
  virtual ~CdDisc() = default;

  // True when the disc may have been changed since the last readToc: the
  // drive reports a media change, or the image file is no longer the one
  // that was read.
  virtual bool mediumChanged() = 0;

  // Reads the table of contents of the disc in the drive now, never from a
  // copy kept since an earlier read.  `toc` is set only for Readable.
  virtual CdMedium readToc(CdToc& toc) = 0;

  // Reads `count` audio sectors from `lsn` into `pcm` (count * 1176
  // interleaved little-endian stereo samples).  False on a read error.
  virtual bool readAudio(std::int32_t lsn, std::uint32_t count, std::int16_t* pcm) = 0;
};

}  // namespace tumbleview::mci
