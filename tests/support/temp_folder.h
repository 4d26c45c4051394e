// Private temporary folders for tests, removed with their contents, and raw
// file access.
#pragma once

#include <linux/capability.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace tumbleview::test {

inline void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Names in the folder, for checking that no temporary file stayed behind.
inline std::size_t entryCount(const std::filesystem::path& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/tv-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
  }
  // Tests may leave the folder closed; it goes all the same.
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  std::string operator/(const std::string& name) const { return (m_path / name).string(); }
  // Writes `bytes` as file `name` in the folder; returns its path.
  std::filesystem::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    writeFile(m_path / name, bytes);
    return m_path / name;
  }

 private:
  std::filesystem::path m_path;
};

// While alive, file permissions apply to this process even when it runs as
// root: the capabilities that bypass them leave the effective set (they stay
// permitted, so the destructor can take them back).  CI runs as root, and
// without this the read-only and unreadable cases could not be exercised.
class FilePermissionsEnforced {
 public:
  FilePermissionsEnforced() {
    if (syscall(SYS_capget, &m_header, m_saved) != 0) return;
    __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) lowered[cap / 32].effective &= ~(1u << (cap % 32));
    m_active = syscall(SYS_capset, &m_header, lowered) == 0;
  }
  ~FilePermissionsEnforced() {
    if (m_active) syscall(SYS_capset, &m_header, m_saved);
  }
  FilePermissionsEnforced(const FilePermissionsEnforced&) = delete;
  FilePermissionsEnforced& operator=(const FilePermissionsEnforced&) = delete;
  // False only where the override cannot be given up (root without capset).
  bool inForce() const { return m_active || geteuid() != 0; }

 private:
  __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct m_saved[2]{};
  bool m_active = false;
};

}  // namespace tumbleview::test
