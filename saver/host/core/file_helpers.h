// File helpers shared by the settings loader and the settings dialog.
#pragma once

#include <string>

namespace tumbleview {

// True when `path` names a regular file that this process can open for
// reading.  One trailing '/' is dropped first.  A folder, a missing or
// unreadable file, a link loop, a FIFO or device (which a reader could hang
// on or read forever) and an empty path all give false.  Never blocks,
// never throws, leaves errno as it was.
bool FileExists(const std::string& path);

// The folder part of `path`: everything before its last '/', without that
// '/'.  A file directly in the root folder gives "/"; a bare file name gives
// "".  Only '/' separates folders here: ':' and '\' are ordinary file-name
// characters on this system.
std::string FolderOf(const std::string& path);

}  // namespace tumbleview
