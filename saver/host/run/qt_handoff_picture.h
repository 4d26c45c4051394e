// The pictures of a run as they go to the renderer: the desktop capture
// and the hand-off bitmap.  Sizes are pixels.
#pragma once

#include <QImage>
#include <QSize>

namespace tumbleview {

// The whole desktop: every monitor of the X screen.
QSize desktopSizePixels();

// Copies the desktop as it looks now, from its top-left corner, into
// `image` at (0, 0), as far as `image` reaches.  Throws ToolkitError when
// the screen cannot be read.
void captureDesktopInto(QImage& image);

// In a Wayland session the X server (XWayland) sees only X11 windows, and
// the capture of the desktop comes out as one flat colour (black).  Then
// the saver's own still of the cube stands in for it, so the cube does not
// wear blank faces: `capture` itself otherwise, and always on plain X11.
QImage desktopOrStandIn(const QImage& capture);

// Writes `picture` as the hand-off bitmap (writeHandoffBitmap: a private
// folder, 24-bit, mode 0600, renamed into place): at its own size, or, when
// it is beyond the renderer's limits, smoothly scaled down to fit with its
// aspect ratio kept.  Throws ToolkitError when nothing was written; the file
// of an earlier run then stays as it was.
void writeHandoffPicture(const QImage& picture);

}  // namespace tumbleview
