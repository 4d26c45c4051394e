// Where the saver lives on disk.
#pragma once

#include <optional>
#include <string>

namespace tumbleview {

// Folder of the running executable (from /proc/self/exe), with no trailing
// '/' except for the root folder itself.  Falls back to "." (the current
// folder) in the unlikely case that the link cannot be read.  Re-evaluated
// on every call; cheap.
std::string saverFolder();

// Test seam: while set, saverFolder() returns `folder` instead.  Reset with
// std::nullopt.  Single-threaded use only, like the rest of the saver.
void setSaverFolderForTesting(std::optional<std::string> folder);

// `folder` + "/" + `name`, joined as they are (a saver in "/" gives
// "//name", which the system treats as "/name").
std::string pathInFolder(const std::string& folder, const std::string& name);

}  // namespace tumbleview
