// Turning the hand-off bitmap file into pixels.
//
// LoadDibImage maps the file and decodes it (see bmp_decoder.h for the
// formats and the policy on damaged files).  Every failure that the user
// should hear about goes through reportError (error_report.h) with one of
// the fixed texts below.  LoadImageFile first checks that there is a picture
// at all, so that a missing one fails silently: only a regular file counts
// (a folder, a FIFO or a device in its place is as good as no file), and
// nothing here can block on what it opens.
#pragma once

#include <memory>

#include "rgb_image.h"

namespace tumbleview {

// The messages, exactly as shown.  kFailedToOpenDib is a printf format with
// one %s for the path.
inline constexpr const char* kFailedToOpenDib = "Failed to open DIB file %s.\n";
inline constexpr const char* kOutOfMemory = "Out of memory.";
inline constexpr const char* kUnknownDibFormat = "Unknown DIB file format.";
inline constexpr const char* kImageConversionError = "Image file conversion error.";

// Null path, or no regular file that can be opened for reading: nullptr,
// nothing reported.  Otherwise whatever LoadDibImage gives.
std::unique_ptr<RgbImage> LoadImageFile(const char* path);

// Decodes the bitmap file at `path`; on failure reports the fitting message
// and returns nullptr.
std::unique_ptr<RgbImage> LoadDibImage(const char* path);

}  // namespace tumbleview
