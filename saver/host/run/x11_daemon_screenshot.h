// The desktop picture a screen-saver daemon keeps for its hacks.  Under a
// daemon the desktop is already covered when a hack starts, so a capture
// would show the daemon's black window.  XScreenSaver 6 grabs each monitor
// before it blanks (unless its "grab desktop images" option is off) and
// hangs the picture on the hack's window as a pixmap named by the property
// _SCREENSAVER_SCREENSHOT; its own image loader (xscreensaver-getimage)
// reads it from there, and so do we.
#pragma once

#include <QImage>

#include "x11_connection.h"

namespace tumbleview {

// The daemon's picture for `window`, at its own size; a null image when the
// window carries none (no daemon, grabbing switched off, a preview pane) or
// it cannot be read (not a true-colour pixmap of 24 or 32 bits).
QImage daemonScreenshot(X11Connection* connection, X11WindowId window);

}  // namespace tumbleview
