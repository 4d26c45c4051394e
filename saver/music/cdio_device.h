// The one owner of libcdio in the program: a CD drive or a disc image
// (cue/bin, cdrdao toc, nrg) opened for reading its table of contents and
// its audio sectors.  No libcdio type leaks out of this header.
//
// Thread-safety: every member may be called from any thread; calls are
// serialised internally (the feeder thread reads while the GUI thread may
// ask for the table of contents).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
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
};

// Tracks in disc order; starts strictly increasing and below the lead-out.
struct CdToc {
  std::vector<CdTrack> tracks;
  std::int32_t leadoutLsn = 0;
};

class CdioDisc {
 public:
  // Opens the drive or image named by `source`; an empty source is the
  // system's default drive.  Returns null when there is no such drive or
  // file.  A file that exists but is no readable image opens as a disc
  // without a table of contents (readToc gives nothing).
  static std::unique_ptr<CdioDisc> open(const std::string& source);

  ~CdioDisc();
  CdioDisc(const CdioDisc&) = delete;
  CdioDisc& operator=(const CdioDisc&) = delete;

  // True for disc images, false for drives.
  bool isImage() const { return m_isImage; }

  // Reads the table of contents; nothing when there is no disc or the
  // disc (or image) cannot be read or is inconsistent.
  std::optional<CdToc> readToc();

  // Reads `count` audio sectors from `lsn` into `pcm` (count * 1176
  // interleaved little-endian stereo samples) through cd-paranoia (error
  // correction for drives, a few retries per sector at most).  False on a
  // read error.
  bool readAudio(std::int32_t lsn, std::uint32_t count, std::int16_t* pcm);

 private:
  struct Handle;
  CdioDisc(std::unique_ptr<Handle> handle, bool isImage);

  std::unique_ptr<Handle> m_handle;
  bool m_isImage = false;
};

}  // namespace tumbleview::mci
