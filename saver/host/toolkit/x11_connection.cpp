#include "x11_connection.h"

#include <X11/Xlib.h>

namespace tumbleview {
namespace {

// The innermost live trap; errors are matched against its connection.
X11ErrorTrap* g_innermostTrap = nullptr;
Display* g_trapDisplay = nullptr;
bool g_trapSawError = false;
XErrorHandler g_previousHandler = nullptr;

int trapHandler(Display* display, XErrorEvent* event) {
  if (display == g_trapDisplay) {
    g_trapSawError = true;
    return 0;
  }
  return g_previousHandler ? g_previousHandler(display, event) : 0;
}

}  // namespace

std::unique_ptr<X11Connection> X11Connection::open(const char* displayName) {
  Display* display = XOpenDisplay(displayName);
  if (!display) return nullptr;
  return std::unique_ptr<X11Connection>(new X11Connection(display));
}

X11Connection* X11Connection::shared() {
  // Kept until the process ends; the server drops its hide request then.
  static X11Connection* connection = open().release();
  return connection;
}

X11Connection::~X11Connection() { XCloseDisplay(m_display); }

X11WindowId X11Connection::defaultRoot() const { return DefaultRootWindow(m_display); }

X11ErrorTrap::X11ErrorTrap(X11Connection& connection)
    : m_connection(connection), m_outer(g_innermostTrap) {
  XSync(connection.display(), False);
  if (m_outer) {
    m_outerSawError = g_trapSawError;
  } else {
    g_previousHandler = XSetErrorHandler(trapHandler);
  }
  g_innermostTrap = this;
  g_trapDisplay = connection.display();
  g_trapSawError = false;
}

X11ErrorTrap::~X11ErrorTrap() {
  // Errors of requests made inside the trap must arrive while it still holds.
  XSync(m_connection.display(), False);
  g_innermostTrap = m_outer;
  if (m_outer) {
    g_trapDisplay = m_outer->m_connection.display();
    g_trapSawError = m_outerSawError || g_trapSawError;
  } else {
    g_trapDisplay = nullptr;
    XSetErrorHandler(g_previousHandler);
    g_previousHandler = nullptr;
  }
}

bool X11ErrorTrap::sawError() {
  XSync(m_connection.display(), False);
  return g_trapSawError;
}

void X11ErrorTrap::clear() {
  XSync(m_connection.display(), False);
  g_trapSawError = false;
}

}  // namespace tumbleview
