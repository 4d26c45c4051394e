#include "x11_pointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdint>
#include <limits>

#include "saver_state.h"

namespace tumbleview {

PointerDisplayCounter::PointerDisplayCounter(X11Connection* connection)
    : m_connection(connection) {
  if (m_connection) {
    int eventBase = 0;
    int errorBase = 0;
    int major = 4;  // hiding needs XFixes 4
    int minor = 0;
    Display* display = m_connection->display();
    m_haveXFixes = XFixesQueryExtension(display, &eventBase, &errorBase) &&
                   XFixesQueryVersion(display, &major, &minor) && major >= 4;
  }
}

int PointerDisplayCounter::change(bool show) {
  m_count += show ? 1 : -1;
  const bool shouldHide = m_count < 0;
  if (shouldHide != m_hidden) apply(shouldHide);
  return m_count;
}

void PointerDisplayCounter::apply(bool hide) {
  m_hidden = hide;
  if (!m_haveXFixes) return;
  // The server counts hide requests per client: exactly one is outstanding
  // while the count is below 0.
  Display* display = m_connection->display();
  for (int screen = 0; screen < ScreenCount(display); ++screen) {
    if (hide) {
      XFixesHideCursor(display, RootWindow(display, screen));
    } else {
      XFixesShowCursor(display, RootWindow(display, screen));
    }
  }
  XFlush(display);
}

int showPointer(bool show) {
  static PointerDisplayCounter counter(X11Connection::shared());
  return counter.change(show);
}

bool readPointerPosition(X11Connection& connection, int& x, int& y) {
  Display* display = connection.display();
  X11ErrorTrap trap(connection);
  Window root = None;
  Window child = None;
  int rootX = 0;
  int rootY = 0;
  int windowX = 0;
  int windowY = 0;
  unsigned int mask = 0;
  // False only says the pointer is on another screen; the root coordinates
  // are still those of the screen it is on.
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX,
                &windowY, &mask);
  if (trap.sawError() || root == None) return false;
  x = rootX;
  y = rootY;
  return true;
}

void recordCursorPosition() {
  int x = 0;
  int y = 0;
  X11Connection* connection = X11Connection::shared();
  constexpr int kMin = std::numeric_limits<std::int16_t>::min();
  constexpr int kMax = std::numeric_limits<std::int16_t>::max();
  if (!connection || !readPointerPosition(*connection, x, y) || x < kMin || x > kMax ||
      y < kMin || y > kMax) {
    x = 0;
    y = 0;
  }
  CursorX = static_cast<std::int16_t>(x);
  CursorY = static_cast<std::int16_t>(y);
}

}  // namespace tumbleview
