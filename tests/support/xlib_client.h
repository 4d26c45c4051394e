// Another X client, as another program would be: a connection of its own
// through Xlib.  Include it after every Qt header (Xlib's macros break them).
#pragma once

#include <X11/Xlib.h>

namespace tumbleview::test {

class XlibClient {
 public:
  XlibClient() : m_display(XOpenDisplay(nullptr)) {}
  ~XlibClient() {
    if (m_display) XCloseDisplay(m_display);
  }
  XlibClient(const XlibClient&) = delete;
  XlibClient& operator=(const XlibClient&) = delete;

  bool ready() const { return m_display != nullptr; }
  Display* display() const { return m_display; }

 private:
  Display* m_display;
};

}  // namespace tumbleview::test
