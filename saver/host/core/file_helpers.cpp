#include "file_helpers.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tumbleview {

bool FileExists(const std::string& path) {
  std::string name = path;
  if (!name.empty() && name.back() == '/') name.pop_back();
  if (name.empty()) return false;
  const int savedErrno = errno;
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  bool exists = false;
  if (fd >= 0) {
    struct stat info {};
    exists = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    close(fd);
  }
  errno = savedErrno;
  return exists;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace tumbleview
