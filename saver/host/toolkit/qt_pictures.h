// Pictures: loading BMP and JPEG files, writing Windows bitmap files, and
// copying part of a picture into part of another with nearest-neighbour
// stretching.  All sizes and coordinates are pixels.
#pragma once

#include <QImage>
#include <QRect>

#include <filesystem>

#include "pixel_stretch.h"

namespace tumbleview {

// Largest decoded picture accepted, in megabytes (Qt's own default of 128
// refuses ordinary 48-megapixel camera photos; this admits them).
inline constexpr int kPictureAllocationLimitMb = 512;

// Loads a BMP or JPEG file (recognised by its content, not its name) at its
// own size, as an opaque 32-bit image.  Throws ToolkitError when the path
// is not a regular readable file, the content is another format or damaged,
// or the picture is larger than the limit above.  Never blocks on a FIFO.
QImage loadPictureFile(const std::filesystem::path& path);

// Writes `image` as a Windows bitmap file through writeBitmapFile
// (bitmap_file_writer.h): 24-bit, mode 0600, renamed into place so readers
// see the old file or the whole new one; a link planted at `path` is
// replaced, not followed.  Alpha is ignored.  On any failure `path` is left
// as it was and ToolkitError is thrown; a null image is a failure.
void saveBitmapFile(const QImage& image, const std::filesystem::path& path);

// Copies `sourceRect` of `source` into `targetRect` of `target`, stretched
// by stretchIndexMap (pixel_stretch.h) in each direction, every pixel drawn
// opaque.  A one-pixel target side takes a source side one shorter, as the
// classic stretch does.  Parts of the target rectangle outside `target` are
// clipped; source pixels outside `source` are not drawn.  Empty or
// negative rectangles draw nothing.  `target` is converted to 32-bit RGB
// first if it is in another format.
void stretchCopy(QImage& target, const QRect& targetRect, const QImage& source,
                 const QRect& sourceRect);

}  // namespace tumbleview
