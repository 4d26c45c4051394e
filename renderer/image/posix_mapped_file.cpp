#include "posix_mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <limits>
#include <utility>

namespace tumbleview {
namespace {

// Closes the descriptor on every path out of the constructor.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return m_fd; }

 private:
  int m_fd;
};

}  // namespace

PosixMappedFile::PosixMappedFile(const char* path) {
  const FileDescriptor fd(path ? ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1);
  struct stat status {};
  if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0) {
    m_failure = MapFailure::kCannotOpen;
    return;
  }
  if (!S_ISREG(status.st_mode)) {
    m_failure = MapFailure::kNotRegularFile;
    return;
  }
  m_failure = MapFailure::kCannotMap;
  if (status.st_size <= 0 ||
      static_cast<std::uintmax_t>(status.st_size) > std::numeric_limits<std::size_t>::max()) {
    return;
  }
  const std::size_t size = static_cast<std::size_t>(status.st_size);
  void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd.get(), 0);
  if (view == MAP_FAILED) return;
  m_data = static_cast<const std::uint8_t*>(view);
  m_size = size;
  m_failure = MapFailure::kNone;
}

PosixMappedFile::~PosixMappedFile() { release(); }

PosixMappedFile::PosixMappedFile(PosixMappedFile&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_failure(other.m_failure) {}

PosixMappedFile& PosixMappedFile::operator=(PosixMappedFile&& other) noexcept {
  if (this != &other) {
    release();
    m_data = std::exchange(other.m_data, nullptr);
    m_size = std::exchange(other.m_size, 0);
    m_failure = other.m_failure;
  }
  return *this;
}

void PosixMappedFile::release() {
  if (m_data != nullptr) ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
  m_data = nullptr;
  m_size = 0;
}

}  // namespace tumbleview
