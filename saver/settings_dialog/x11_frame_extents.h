// The frame a window manager will put around one of our top-level windows,
// known before the window is first shown, so that the outer frame can be
// placed exactly.
#pragma once

#include <chrono>

#include "x11_connection.h"

namespace tumbleview {

// Widths of the frame's four sides in pixels.
struct FrameExtents {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};

// The extents the running window manager will give `window`, a top-level
// window of this process that is not mapped yet.  Asked for with
// _NET_REQUEST_FRAME_EXTENTS about a hidden stand-in that carries the same
// decoration hints (a manager may move the window it is asked about, which
// would undo a placement), and awaited at most `timeout`.  All 0 without a
// window manager, with one that does not answer such requests, without an X
// server, or when no answer comes in time.  Never throws.
FrameExtents expectedFrameExtents(X11WindowId window, std::chrono::milliseconds timeout);

}  // namespace tumbleview
