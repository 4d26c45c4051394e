// Platform layer: a whole file mapped read-only into memory (POSIX mmap).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tumbleview {

// Owns one private read-only mapping of a whole file; unmapped on
// destruction.  The file descriptor is closed as soon as the mapping exists.
// Opening fails (isOpen() false, errorNumber() says why) when the file
// cannot be opened for reading, is not mappable (a directory, a pipe) or is
// empty: a zero-length file has nothing to map.  The file must not shrink
// while mapped (reading a vanished page raises SIGBUS).
class PosixMappedFile {
 public:
  explicit PosixMappedFile(const char* path);
  ~PosixMappedFile();
  PosixMappedFile(PosixMappedFile&& other) noexcept;
  PosixMappedFile& operator=(PosixMappedFile&& other) noexcept;
  PosixMappedFile(const PosixMappedFile&) = delete;
  PosixMappedFile& operator=(const PosixMappedFile&) = delete;

  bool isOpen() const { return m_data != nullptr; }
  // errno of the step that failed; 0 when open.
  int errorNumber() const { return m_error; }
  // The file's bytes; empty when not open.
  std::span<const std::uint8_t> bytes() const { return {m_data, m_size}; }

 private:
  void release();

  const std::uint8_t* m_data = nullptr;
  std::size_t m_size = 0;
  int m_error = 0;
};

}  // namespace tumbleview
