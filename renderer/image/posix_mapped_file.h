// Platform layer: a whole file mapped read-only into memory (POSIX mmap).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tumbleview {

// Why there is no mapping.
enum class MapFailure {
  kNone,            // mapped
  kCannotOpen,      // missing, no access, or no path
  kNotRegularFile,  // a folder, FIFO, device or socket
  kCannotMap,       // a regular file that cannot be mapped: empty, too large
};

// Owns one private read-only mapping of a whole regular file; unmapped on
// destruction.  The file descriptor is closed as soon as the mapping exists.
// Nothing in here can block: the file is opened without waiting (a FIFO
// with no writer would otherwise hold the open for ever) and anything but a
// regular file is refused before it is read.  A zero-length file has
// nothing to map.  The file must not shrink while mapped (reading a vanished
// page raises SIGBUS).
class PosixMappedFile {
 public:
  explicit PosixMappedFile(const char* path);
  ~PosixMappedFile();
  PosixMappedFile(PosixMappedFile&& other) noexcept;
  PosixMappedFile& operator=(PosixMappedFile&& other) noexcept;
  PosixMappedFile(const PosixMappedFile&) = delete;
  PosixMappedFile& operator=(const PosixMappedFile&) = delete;

  bool isOpen() const { return m_data != nullptr; }
  MapFailure failure() const { return m_failure; }
  // The file's bytes; empty when not open.
  std::span<const std::uint8_t> bytes() const { return {m_data, m_size}; }

 private:
  void release();

  const std::uint8_t* m_data = nullptr;
  std::size_t m_size = 0;
  MapFailure m_failure = MapFailure::kNone;
};

}  // namespace tumbleview
