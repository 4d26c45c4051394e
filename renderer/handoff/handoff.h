// Everything the two programs agree on: where the saver leaves the picture,
// how it is written, and the title of the renderer's window that the saver
// watches.  Both programs link this module, so they never disagree.
//
// The folder stands for the drive root of the original design: it is
// $TUMBLEVIEW_DRIVE_C when that is set and not empty, otherwise
// ${XDG_CACHE_HOME:-$HOME/.cache}/tumbleview.  It must be private to the
// user, because a desktop capture can show anything that was on the screen:
// a real directory (not a link), owned by the effective user, with no group
// or other permission bits.
#pragma once

#include <filesystem>
#include <string>

#include "bitmap_file_writer.h"

namespace tumbleview {

inline constexpr const char* kHandoffFileName = "Tumbleview.bmp";

// The renderer's window carries this title while the renderer runs; the
// saver's run ends at the first look that finds no window of that title.
inline constexpr const char* kRendererWindowTitle = "Tumbleview_VC";

// The folder as configured; nothing is created or checked.
std::filesystem::path handoffFolder();

// handoffFolder() / "Tumbleview.bmp".
std::filesystem::path handoffBitmapPath();

// The path the renderer reads: handoffBitmapPath() when the folder is
// private, else an empty path (a folder others can write to could hand the
// renderer any file, so it counts as having no picture at all).
std::filesystem::path privateHandoffBitmapPath();

// True when `folder` exists and is private as described above.  On false,
// `why` (if given) receives a short English reason.
bool isPrivateFolder(const std::filesystem::path& folder, std::string* why = nullptr);

// Creates `folder` (and missing parents) with mode 0700 when it does not
// exist, then checks it with isPrivateFolder.  An existing folder is never
// loosened, tightened or replaced: if it is not private the answer is false.
bool ensurePrivateFolder(const std::filesystem::path& folder, std::string* why = nullptr);

// Writes the hand-off bitmap from `pixels` (writeBitmapFile: 24-bit, mode
// 0600, renamed into place) after ensurePrivateFolder.  False, with nothing
// written anywhere, when the folder is not private or the write fails; the
// file of an earlier run then stays as it was.
bool writeHandoffBitmap(const Xrgb32Rows& pixels);

}  // namespace tumbleview
