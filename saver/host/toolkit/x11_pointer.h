// The mouse pointer: its display counter and its position on the screen.
#pragma once

#include "x11_connection.h"

namespace tumbleview {

// The pointer display counter with the rules of the platform the saver
// comes from: the count starts at 0, each hide request lowers it by one,
// each show request raises it by one, and the pointer is visible exactly
// while the count is 0 or more.  While the count is below 0 the pointer is
// hidden on every screen of the server (XFixes); the server shows it again
// by itself if the process ends, so a crash never leaves it hidden.
class PointerDisplayCounter {
 public:
  // `connection` must outlive the counter; nullptr (no server, or no XFixes)
  // keeps the count without hiding anything.
  explicit PointerDisplayCounter(X11Connection* connection);

  // Raises (show) or lowers (hide) the count; returns the new count.
  int change(bool show);

  int count() const { return m_count; }
  bool pointerHidden() const { return m_hidden; }
  // True once the server has refused a hide or show request.
  bool serverRefused() const { return m_refused; }

 private:
  void apply(bool hide);

  X11Connection* m_connection;
  bool m_haveXFixes = false;
  int m_count = 0;
  bool m_hidden = false;
  bool m_refused = false;
};

// The process's one counter, on the shared connection: the ShowCursor of
// this program.  `show` is the show flag (any non-zero value shows).
int showPointer(bool show);

// Pointer position on its screen in pixels; false when it cannot be read.
bool readPointerPosition(X11Connection& connection, int& x, int& y);

// Stores the pointer position in CursorX and CursorY as 16-bit values;
// 0 and 0 when it cannot be read or does not fit.
void recordCursorPosition();

}  // namespace tumbleview
