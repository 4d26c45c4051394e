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
// requests of each tree level together (XCB) instead of waiting for one
// reply at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "x11_connection.h"

struct xcb_connection_t;

namespace tumbleview {

// An owned XCB connection with the atoms the search needs.
class XcbConnection {
 public:
  // Connects to $DISPLAY; nullptr when no server answers.
  static std::unique_ptr<XcbConnection> open();
  // Opened on first use and kept for the life of the process; nullptr when
  // no server answers.
  static XcbConnection* shared();

  ~XcbConnection();
  XcbConnection(const XcbConnection&) = delete;
  XcbConnection& operator=(const XcbConnection&) = delete;

  xcb_connection_t* get() const { return m_connection; }

  // Interned at connection time; 0 where the server did not answer.
  std::uint32_t netWmName = 0;
  std::uint32_t utf8String = 0;
  std::uint32_t wmState = 0;
  std::uint32_t compoundText = 0;

 private:
  explicit XcbConnection(xcb_connection_t* connection);
  xcb_connection_t* m_connection;
};

// The topmost matching window's id, or 0 when there is none.  Windows that
// disappear while the search runs are passed over.
X11WindowId findWindowByTitle(XcbConnection& connection, std::string_view titleUtf8);

// The same on the shared connection; 0 when there is no X server either.
X11WindowId findWindowByTitle(std::string_view titleUtf8);

// Outer size of a window in pixels, border included; 0 x 0 when the window
// does not exist (the id may come from a command line).
struct WindowExtent {
  int width = 0;
  int height = 0;
};
WindowExtent windowExtentOf(X11Connection& connection, X11WindowId window);
WindowExtent windowExtentOf(X11WindowId window);

}  // namespace tumbleview
