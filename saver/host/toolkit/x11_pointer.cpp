#include "x11_pointer.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdint>
#include <limits>

#include "saver_state.h"
#include "x11_replies.h"

namespace tumbleview {

PointerDisplayCounter::PointerDisplayCounter(X11Connection* connection)
    : m_connection(connection) {
  if (!m_connection) return;
  xcb_connection_t* c = m_connection->get();
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_xfixes_id);
  if (!extension || !extension->present) return;
  // The version must be asked before any other XFixes request; hiding
  // needs version 4.
  const auto version = replyOf<xcb_xfixes_query_version_reply_t>(
      c, xcb_xfixes_query_version_reply, xcb_xfixes_query_version(c, 4, 0));
  m_haveXFixes = version && version->major_version >= 4;
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
  xcb_connection_t* c = m_connection->get();
  for (xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(c)); screen.rem;
       xcb_screen_next(&screen)) {
    const xcb_void_cookie_t cookie = hide ? xcb_xfixes_hide_cursor_checked(c, screen.data->root)
                                          : xcb_xfixes_show_cursor_checked(c, screen.data->root);
    if (!succeeded(c, cookie)) m_refused = true;
  }
}

int showPointer(bool show) {
  static PointerDisplayCounter counter(X11Connection::shared());
  return counter.change(show);
}

bool readPointerPosition(X11Connection& connection, int& x, int& y) {
  xcb_connection_t* c = connection.get();
  const auto pointer = replyOf<xcb_query_pointer_reply_t>(
      c, xcb_query_pointer_reply,
      xcb_query_pointer(c, static_cast<xcb_window_t>(connection.defaultRoot())));
  // same_screen false only says the pointer is on another screen; the root
  // coordinates are still those of the screen it is on.
  if (!pointer || pointer->root == XCB_WINDOW_NONE) return false;
  x = pointer->root_x;
  y = pointer->root_y;
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
