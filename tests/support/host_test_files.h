// Temporary folders and raw file access for the host tests.
#pragma once

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace host_test {

// A fresh folder under /tmp, removed with everything in it afterwards.
class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/tv-host-XXXXXX";
    if (mkdtemp(pattern)) m_path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
  }

  TempFolder(const TempFolder&) = delete;
  const std::string& path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names in the folder, for checking that no temporary file stayed behind.
inline std::size_t entryCount(const std::string& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// While alive, file permissions apply to this process even when it runs as
// root: the capabilities that bypass them leave the effective set (they stay
// permitted, so the destructor can take them back).  CI runs as root, and
// without this the read-only and unreadable cases could not be exercised.
class FilePermissionsEnforced {
 public:
  FilePermissionsEnforced() {
    if (syscall(SYS_capget, &m_header, m_saved) != 0) return;
    __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
      lowered[cap / 32].effective &= ~(1u << (cap % 32));
    }
    m_active = syscall(SYS_capset, &m_header, lowered) == 0;
  }
  ~FilePermissionsEnforced() {
    if (m_active) syscall(SYS_capset, &m_header, m_saved);
  }
  FilePermissionsEnforced(const FilePermissionsEnforced&) = delete;
  bool active() const { return m_active; }

 private:
  __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct m_saved[2]{};
  bool m_active = false;
};

}  // namespace host_test
