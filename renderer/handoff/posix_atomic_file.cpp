#include "posix_atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <utility>

namespace tumbleview {
namespace {

int openFile(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

const AtomicFileCalls kRealCalls{openFile, ::write, ::fsync, ::rename};

AtomicFileCalls g_calls = kRealCalls;

// Names of fresh files differ between processes (pid) and between writers
// of one process (counter); O_EXCL settles the rest.
std::filesystem::path freshNameBeside(const std::filesystem::path& target, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  return folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                   std::to_string(++counter) + "." + std::to_string(attempt));
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = g_calls.writeFile(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

int rewriteInPlace(const std::filesystem::path& target, std::string_view contents) {
  // O_NOFOLLOW: the caller names the file itself, never a link to it.
  const int fd = g_calls.openFile(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0);
  if (fd < 0) return errno;
  int error = 0;
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = errno;
  } else if (!S_ISREG(info.st_mode)) {
    error = EINVAL;
  } else if (const off_t size = static_cast<off_t>(contents.size());
             size > info.st_size && (error = ::posix_fallocate(fd, 0, size)) != 0) {
    // posix_fallocate returns its error instead of setting errno.
  } else if (!writeAll(fd, reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size()) ||
             ::ftruncate(fd, static_cast<off_t>(contents.size())) != 0 || g_calls.syncFile(fd) != 0) {
    error = errno;
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  return error;
}

}  // namespace

AtomicFileCalls& atomicFileCalls() { return g_calls; }
const AtomicFileCalls& realAtomicFileCalls() { return kRealCalls; }

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target, AtomicWriteOptions options)
    : m_target(std::move(target)), m_options(options) {
  for (unsigned attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
    m_fresh = freshNameBeside(m_target, attempt);
    m_fd = g_calls.openFile(m_fresh.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                            m_options.mode);
    if (m_fd < 0 && errno != EEXIST) break;
  }
  if (m_fd < 0) {
    m_error = errno == 0 ? EEXIST : errno;
    m_fresh.clear();
    return;
  }
  // The umask only ever takes bits away; an exact mode is put back whole.
  if (m_options.exactMode && ::fchmod(m_fd, m_options.mode) != 0) fail();
}

AtomicFileWriter::~AtomicFileWriter() {
  if (m_fd >= 0) ::close(m_fd);
  if (!m_committed && !m_fresh.empty()) ::unlink(m_fresh.c_str());
}

bool AtomicFileWriter::fail() {
  if (m_error == 0) m_error = errno == 0 ? EIO : errno;
  return false;
}

bool AtomicFileWriter::write(std::span<const std::uint8_t> bytes) {
  if (!ok()) return false;
  return writeAll(m_fd, bytes.data(), bytes.size()) || fail();
}

bool AtomicFileWriter::write(std::string_view bytes) {
  return write({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

bool AtomicFileWriter::commit() {
  if (!ok()) return false;
  if (m_options.syncToDisk && g_calls.syncFile(m_fd) != 0) return fail();
  const int fd = std::exchange(m_fd, -1);
  if (::close(fd) != 0) return fail();
  if (g_calls.renameFile(m_fresh.c_str(), m_target.c_str()) != 0) return fail();
  m_committed = true;
  return true;
}

int replaceFileContents(const std::filesystem::path& target, std::string_view contents,
                        const AtomicWriteOptions& options, bool inPlaceFallback) {
  AtomicFileWriter writer(target, options);
  if (writer.write(contents) && writer.commit()) return 0;
  const int error = writer.error();
  const bool folderRefused = error == EACCES || error == EPERM || error == EROFS;
  // Only a refusal to create the fresh file means "the folder is closed to
  // us"; a failure later on is a real failure and must not touch the target.
  if (!inPlaceFallback || !folderRefused || writer.created()) return error;
  struct stat info {};
  if (::lstat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return error;
  return rewriteInPlace(target, contents);
}

}  // namespace tumbleview
