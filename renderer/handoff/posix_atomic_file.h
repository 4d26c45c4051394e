// Platform layer: replacing a file so that every reader sees either the old
// contents or the whole new ones, never a part, and a failed write leaves
// the old file as it was.
//
// The new contents go to a fresh file beside the target (created
// exclusively, so nothing planted under that name is followed), are
// flushed, and the fresh file is renamed over the target.  On any failure
// the fresh file is removed and the target is untouched.  rename replaces a
// symbolic link at the target, it does not write through it: callers that
// mean to keep a link resolve it first.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace tumbleview {

struct AtomicWriteOptions {
  // Mode of the new file: exactly this, or this less the umask.
  mode_t mode = 0600;
  bool exactMode = true;
  // fsync before the rename, so that a crash right after cannot leave an
  // empty file behind: for files whose loss would cost the user something.
  bool syncToDisk = true;
};

// A replacement in progress: write the contents, then commit().  Dropped
// without commit (or after a failure), it removes its fresh file.
class AtomicFileWriter {
 public:
  AtomicFileWriter(std::filesystem::path target, AtomicWriteOptions options);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // False once any step has failed; every later call then does nothing.
  bool ok() const { return m_error == 0; }
  // errno of the step that failed, 0 while all is well.
  int error() const { return m_error; }
  // Whether the fresh file could be made at all.
  bool created() const { return !m_fresh.empty(); }

  bool write(std::span<const std::uint8_t> bytes);
  bool write(std::string_view bytes);
  // Flushes, closes and renames the fresh file into place.
  bool commit();

 private:
  bool fail();

  std::filesystem::path m_target;
  std::filesystem::path m_fresh;
  AtomicWriteOptions m_options;
  int m_fd = -1;
  int m_error = 0;
  bool m_committed = false;
};

// The whole of `contents` through AtomicFileWriter.  When the folder does
// not let us create the fresh file (EACCES, EPERM, EROFS) but the target is
// an existing regular file we may write, and `inPlaceFallback` is set, the
// target is rewritten in place instead: its space is reserved first (so a
// full disk fails before anything changes), then the contents are written
// from the start, the file is cut to their length and flushed.  Readers
// may then see a part; that is the price of saving at all.  Returns 0 on
// success, else the errno of the failing step.
int replaceFileContents(const std::filesystem::path& target, std::string_view contents,
                        const AtomicWriteOptions& options, bool inPlaceFallback = false);

// Test seam: the system calls the writer makes.  A test replaces one with a
// function that fails (errno set, -1 returned) to play a full disk, a
// read-only folder or a failing rename, and puts the real one back after.
struct AtomicFileCalls {
  int (*openFile)(const char* path, int flags, mode_t mode);
  ssize_t (*writeFile)(int fd, const void* data, std::size_t size);
  int (*syncFile)(int fd);
  int (*renameFile)(const char* from, const char* to);
};
AtomicFileCalls& atomicFileCalls();
const AtomicFileCalls& realAtomicFileCalls();

}  // namespace tumbleview
