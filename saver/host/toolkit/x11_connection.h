// One owned Xlib connection to the X server, and a scope that turns X
// protocol errors on that connection into a flag instead of Xlib's default
// handler (which ends the process).  Windows of other clients can vanish
// between two requests at any time, so every request about a foreign window
// runs in a trap.
//
// Xlib types stay out of this header: callers that need the Display include
// <X11/Xlib.h> themselves (after any Qt header).
#pragma once

#include <memory>

struct _XDisplay;

namespace tumbleview {

// X window ids as the server hands them out (XID).  0 means "none".
using X11WindowId = unsigned long;

class X11Connection {
 public:
  // Connects to $DISPLAY (or `displayName`); nullptr when no server answers.
  static std::unique_ptr<X11Connection> open(const char* displayName = nullptr);

  // The connection shared by the saver's own services (pointer counter,
  // cursor position, window sizes): opened on first use and kept for the
  // life of the process, because the server ties pointer hiding to the
  // connection that asked for it.  nullptr when no server answers.
  static X11Connection* shared();

  ~X11Connection();
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  _XDisplay* display() const { return m_display; }
  X11WindowId defaultRoot() const;

 private:
  explicit X11Connection(_XDisplay* display) : m_display(display) {}
  _XDisplay* m_display;
};

// While alive, protocol errors on `connection` are recorded instead of being
// fatal; errors on other connections go to the handler that was installed
// before.  Not for use from more than one thread.
class X11ErrorTrap {
 public:
  explicit X11ErrorTrap(X11Connection& connection);
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

  // Waits for the server to answer every request sent so far, then tells
  // whether any of them failed since the trap was set (or last cleared).
  bool sawError();
  void clear();

 private:
  X11Connection& m_connection;
  X11ErrorTrap* m_outer;        // the trap this one is nested in, if any
  bool m_outerSawError = false;  // the outer trap's flag, restored at the end
};

}  // namespace tumbleview
