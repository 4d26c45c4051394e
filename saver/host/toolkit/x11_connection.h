// The saver's one connection to the X server, wrapped once: Qt's own, while
// the application runs on Qt's xcb platform.  Window search, window sizes,
// the pointer and the watch on a foreign window all go through it, so the
// server sees the saver as one client.  Every request that can fail is
// asked with a reply (or a checked request), so an error about a window
// that vanished comes back to the caller and never reaches Qt's error log.
//
// XCB and Xlib types stay out of this header.
#pragma once

#include <cstdint>
#include <memory>

struct xcb_connection_t;
struct _XDisplay;

namespace tumbleview {

// X window ids as the server hands them out (XID).  0 means "none".
using X11WindowId = unsigned long;

class X11Connection {
 public:
  // Qt's connection, wrapped on first use and kept for the life of the
  // process; nullptr while there is no QGuiApplication on the xcb platform
  // (the offscreen platform, no server).
  static X11Connection* shared();

  // A connection of its own to $DISPLAY, for tests and benchmarks that play
  // another client; nullptr when no server answers.
  static std::unique_ptr<X11Connection> open();

  ~X11Connection();
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  xcb_connection_t* get() const { return m_connection; }
  // Xlib's handle on the same connection, for the one service only Xlib
  // has (compound text); nullptr on a connection of its own.
  _XDisplay* xlibDisplay() const { return m_display; }
  X11WindowId defaultRoot() const { return m_defaultRoot; }

  // True when `window` exists right now (one round trip).
  bool windowExists(X11WindowId window) const;

  // Interned once per connection; 0 where the server did not answer.
  std::uint32_t netWmName = 0;
  std::uint32_t utf8String = 0;
  std::uint32_t wmState = 0;
  std::uint32_t compoundText = 0;

 private:
  X11Connection(xcb_connection_t* connection, _XDisplay* display, bool owned, int screen);

  xcb_connection_t* m_connection;
  _XDisplay* m_display;
  bool m_owned;
  X11WindowId m_defaultRoot = 0;
};

}  // namespace tumbleview
