// The one owner of libcdio in the program: a CD drive or a disc image
// (cue/bin, cdrdao toc, nrg) opened for reading its table of contents and
// its audio sectors.  No libcdio type leaks out of this header.
//
// Thread-safety: every member may be called from any thread; calls are
// serialised internally (the feeder thread reads while the GUI thread may
// ask for the table of contents).
#pragma once

#include "cd_disc.h"

#include <memory>
#include <string>

namespace tumbleview::mci {

class CdioDisc final : public CdDisc {
 public:
  // Opens the drive or image named by `source`; an empty source is the
  // system's default drive.  Returns null when there is no such drive or
  // file.  A file that exists but is no readable image opens as a drive
  // holding an unreadable disc.
  static std::unique_ptr<CdioDisc> open(const std::string& source);

  ~CdioDisc() override;
  CdioDisc(const CdioDisc&) = delete;
  CdioDisc& operator=(const CdioDisc&) = delete;

  // A drive reports its media changes; an image counts as changed when its
  // files are replaced, rewritten or removed.
  bool mediumChanged() override;
  // Opens the drive or image afresh and reads its table; a table that is
  // inconsistent counts as unreadable.
  CdMedium readToc(CdToc& toc) override;
  // Audio passes through cd-paranoia (error correction for drives, a few
  // retries per sector at most).
  bool readAudio(std::int32_t lsn, std::uint32_t count, std::int16_t* pcm) override;

 private:
  struct Handle;
  struct State;
  explicit CdioDisc(std::unique_ptr<State> state);

  std::unique_ptr<State> m_state;
};

}  // namespace tumbleview::mci
