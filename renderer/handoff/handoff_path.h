// Where the saver leaves the picture for the renderer.  Both programs use
// this code, so they always agree on the place.
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

namespace tumbleview {

inline constexpr const char* kHandoffFileName = "Tumbleview.bmp";

// The folder as configured; nothing is created or checked.
std::filesystem::path handoffFolder();

// handoffFolder() / "Tumbleview.bmp".
std::filesystem::path handoffBitmapPath();

// True when `folder` exists and is private as described above.  On false,
// `why` (if given) receives a short English reason.
bool isPrivateFolder(const std::filesystem::path& folder, std::string* why = nullptr);

// Creates `folder` (and missing parents) with mode 0700 when it does not
// exist, then checks it with isPrivateFolder.  An existing folder is never
// loosened, tightened or replaced: if it is not private the answer is false.
bool ensurePrivateFolder(const std::filesystem::path& folder, std::string* why = nullptr);

}  // namespace tumbleview
