#include "handoff.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace tumbleview {
namespace {

std::string envOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

void setWhy(std::string* why, std::string text) {
  if (why) *why = std::move(text);
}

}  // namespace

std::filesystem::path handoffFolder() {
  if (std::string driveC = envOrEmpty("TUMBLEVIEW_DRIVE_C"); !driveC.empty()) return driveC;
  std::filesystem::path cache = envOrEmpty("XDG_CACHE_HOME");
  if (cache.empty()) {
    std::string home = envOrEmpty("HOME");
    cache = std::filesystem::path(home.empty() ? "/" : home) / ".cache";
  }
  cache /= "tumbleview";
  return cache;
}

std::filesystem::path handoffBitmapPath() { return handoffFolder() / kHandoffFileName; }

std::filesystem::path privateHandoffBitmapPath() {
  if (!isPrivateFolder(handoffFolder())) return {};
  return handoffBitmapPath();
}

bool isPrivateFolder(const std::filesystem::path& folder, std::string* why) {
  struct stat info {};
  // lstat, so that a link planted in the folder's place is seen as a link.
  if (::lstat(folder.c_str(), &info) != 0) {
    setWhy(why, std::string("cannot inspect folder: ") + std::strerror(errno));
    return false;
  }
  if (S_ISLNK(info.st_mode)) {
    setWhy(why, "folder is a symbolic link");
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    setWhy(why, "not a directory");
    return false;
  }
  if (info.st_uid != ::geteuid()) {
    setWhy(why, "folder is owned by another user");
    return false;
  }
  if ((info.st_mode & 077) != 0) {
    setWhy(why, "folder is accessible to group or others");
    return false;
  }
  return true;
}

bool ensurePrivateFolder(const std::filesystem::path& folder, std::string* why) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) {
    if (errno != ENOENT) {
      setWhy(why, std::string("cannot inspect folder: ") + std::strerror(errno));
      return false;
    }
    std::error_code error;
    if (folder.has_parent_path()) std::filesystem::create_directories(folder.parent_path(), error);
    // mkdir under umask can only take bits away from 0700, never add any.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      setWhy(why, std::string("cannot create folder: ") + std::strerror(errno));
      return false;
    }
  }
  return isPrivateFolder(folder, why);
}

bool writeHandoffBitmap(const Xrgb32Rows& pixels) {
  const std::filesystem::path folder = handoffFolder();
  if (!ensurePrivateFolder(folder)) return false;
  return writeBitmapFile(folder / kHandoffFileName, pixels);
}

}  // namespace tumbleview
