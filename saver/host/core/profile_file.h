// Profile (ini) files with the rules of Windows' private-profile functions,
// so that the saver's settings file reads and writes exactly as it did there.
//
// File format:
//  - A file that starts with FF FE is UTF-16LE; every other file is CP932
//    (an EF BB BF start is ordinary bytes of the first line).
//  - Lines end with CR LF, LF or a lone CR.  Blanks (tab, LF, VT, FF, CR,
//    ^Z, space; not the ideographic space) around lines, names and values
//    do not count.
//  - "[name]" opens a section: the name lies between the '[' and the LAST
//    ']' of the line.  A '[' line without ']' is an ordinary line.
//  - "key=value": the key ends at the first '='.  A value of two or more
//    characters wrapped in matching " or ' quotes loses them.  There are no
//    inline comments; a line starting with ';' is a comment.  A line without
//    '=' is a key without a value (reads as the default).  Lines before the
//    first section cannot be reached.
//  - Section and key names compare case-insensitively on Unicode characters
//    (upperCaseOf), never byte by byte on Shift-JIS: ア and ヂ differ; a
//    trail byte that looks like '[', ']', '\' or a letter is part of its
//    character.  Only the first section of a name is searched, and the first
//    key of a name inside it wins, for reads and writes alike.
//
// Every call reads the file anew (no cache).  Reading is bounded: the file
// must be a regular file of at most kProfileFileSizeLimit bytes; a folder,
// FIFO, device, link loop, larger or unreadable file reads as missing.
//
// Texts passed in and returned are UTF-8.  Not thread-safe against other
// writers of the same file: two processes writing at once may lose one
// update, but a reader never sees a half-written file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tumbleview {

inline constexpr std::size_t kProfileFileSizeLimit = 1024 * 1024;

enum class ProfileFileState {
  Ok,
  Missing,         // nothing at the path (or a missing folder on the way)
  NotRegularFile,  // a folder, FIFO, socket or device
  TooLarge,        // more than kProfileFileSizeLimit bytes
  Unreadable,      // permission, link loop, I/O error
};

struct ProfileFileBytes {
  ProfileFileState state = ProfileFileState::Missing;
  std::string bytes;  // the whole file when state is Ok
};

// The file's bytes, read without ever blocking on a FIFO and without
// reading more than kProfileFileSizeLimit + 1 bytes.
ProfileFileBytes readProfileFileBytes(const std::string& path);

// The value of `key` in `section` (GetPrivateProfileString).  The default
// (with its trailing spaces removed) when the file, section or key is
// missing, when the key has no '=', or when a name is empty.  The answer
// holds at most bufferSize - 1 bytes as the value stands in CP932 (a
// character that CP932 lacks counts with its UTF-8 length); a double-byte
// character that would straddle the limit is dropped whole.  bufferSize 0
// gives an empty text.  A NUL in the value ends it; bytes that are no valid
// character come back as U+FFFD.
std::string getProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view defaultValue,
                             std::size_t bufferSize);

// The same lookup on file contents already in memory (tests, fuzzing).
std::string getProfileStringFromBytes(std::string_view fileBytes, std::string_view section,
                                      std::string_view key, std::string_view defaultValue,
                                      std::size_t bufferSize);

// Sets `key` in `section` to `value` (WritePrivateProfileString) and
// returns true on success.
//  - An existing key (the first of its name in the first section of its
//    name) gets the new value in place, right after its '=' (the key as
//    written and its line end stay); every other byte of the file stays.
//  - A new key goes on a new line after the last non-blank line of its
//    section; a new section ("[section]" then the key) goes at the end of
//    the file, which is created when missing.  New lines end with CR LF.
//  - An empty value writes "key=".
//  - The file keeps its encoding.  When a CP932 file would need a character
//    that CP932 cannot hold exactly, the whole file is rewritten as UTF-16LE
//    with FF FE, so nothing turns into '?'.  (A CP932 file holding broken
//    bytes cannot be converted: that write fails instead.)
//  - The new contents replace the file through replaceFileContents
//    (posix_atomic_file.h): a fresh file in the same folder, flushed to disk
//    and renamed over the old one; on any failure the old file is untouched
//    and the answer is false.  When the folder is closed to us but the file
//    is not, the file is rewritten in place instead.  A symbolic link is
//    followed: its target is replaced, the link stays.
// Refused (false, nothing written): an empty section or key, a key with
// '=', a key starting with '[' or ';', any CR, LF or NUL in the three texts
// (they would forge other lines), invalid UTF-8, a file in the path's place
// that cannot be read (folder, FIFO, too large, unreadable), and a result
// larger than kProfileFileSizeLimit (which no read would accept).
bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

// The pure part of writeProfileString: the file contents after the edit,
// from the contents before it (empty for a missing file); nullopt when the
// write is refused.  No size limit is applied here.
std::optional<std::string> editProfileBytes(std::string_view fileBytes, std::string_view section,
                                            std::string_view key, std::string_view value);

}  // namespace tumbleview
