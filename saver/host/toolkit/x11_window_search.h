// Finding windows of any client by title, and the size of a foreign window.
//
// A "top-level window" is a child of a root window of the server, mapped or
// not, or a client window that a window manager has put inside its frame
// (recognised by its WM_STATE property).  Child windows of applications are
// never matched.  A title matches when _NET_WM_NAME (UTF-8) or WM_NAME
// (Latin-1, UTF-8 or compound text, compared as UTF-8) is byte for byte
// equal to it.
//
// The search runs every 50 ms while the renderer runs, so it sends the
// requests of each tree level together instead of waiting for one reply at
// a time.
#pragma once

#include <string_view>

#include "x11_connection.h"

namespace tumbleview {

// The topmost matching window's id, or 0 when there is none.  Windows that
// disappear while the search runs are passed over.
X11WindowId findWindowByTitle(X11Connection& connection, std::string_view titleUtf8);

// The same on the shared connection; 0 when there is no X server either.
X11WindowId findWindowByTitle(std::string_view titleUtf8);

// Whether `window` still exists with the title `titleUtf8`, matched as
// above: one request, for watching a window once found, where a search of
// the whole tree would cost far more.  Its place in the tree is not checked.
bool windowHasTitle(X11WindowId window, std::string_view titleUtf8);

// Outer size of a window in pixels, border included; 0 x 0 when the window
// does not exist (the id may come from a command line).
struct WindowExtent {
  int width = 0;
  int height = 0;
};
WindowExtent windowExtentOf(X11Connection& connection, X11WindowId window);
WindowExtent windowExtentOf(X11WindowId window);

}  // namespace tumbleview
