#include "program_paths.h"

#include <unistd.h>

#include <vector>

namespace tumbleview {
namespace {

std::optional<std::string>& folderOverride() {
  static std::optional<std::string> folder;
  return folder;
}

std::optional<std::string> readLink(const char* link) {
  std::vector<char> buffer(256);
  while (buffer.size() <= 65536) {
    const ssize_t length = readlink(link, buffer.data(), buffer.size());
    if (length < 0) return std::nullopt;
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() * 2);
  }
  return std::nullopt;
}

}  // namespace

std::string saverFolder() {
  if (folderOverride()) return *folderOverride();
  const std::optional<std::string> exe = readLink("/proc/self/exe");
  if (!exe || exe->empty() || exe->front() != '/') return ".";
  const std::size_t slash = exe->rfind('/');
  return slash == 0 ? std::string("/") : exe->substr(0, slash);
}

void setSaverFolderForTesting(std::optional<std::string> folder) { folderOverride() = std::move(folder); }

std::string pathInFolder(const std::string& folder, const std::string& name) { return folder + "/" + name; }

}  // namespace tumbleview
