#include "x11_connection.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>

#include "x11_replies.h"

namespace tumbleview {
namespace {

std::uint32_t internAtom(xcb_connection_t* connection, xcb_intern_atom_cookie_t cookie) {
  const auto reply = replyOf<xcb_intern_atom_reply_t>(connection, xcb_intern_atom_reply, cookie);
  return reply ? reply->atom : 0;
}

// The screen $DISPLAY names (":0.1" is screen 1), as Qt and xcb_connect read it.
int screenOfDisplayName() {
  char* host = nullptr;
  int display = 0;
  int screen = 0;
  if (!xcb_parse_display(nullptr, &host, &display, &screen)) screen = 0;
  std::free(host);
  return screen;
}

}  // namespace

X11Connection* X11Connection::shared() {
  // Asked again until Qt's connection exists: the application object may
  // come after the first question.
  static X11Connection* connection = nullptr;
  if (connection) return connection;
  const auto* x11 =
      qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return nullptr;
  connection = new X11Connection(x11->connection(), x11->display(), false, screenOfDisplayName());
  return connection;
}

std::unique_ptr<X11Connection> X11Connection::open() {
  int screen = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screen);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    return nullptr;
  }
  return std::unique_ptr<X11Connection>(new X11Connection(connection, nullptr, true, screen));
}

X11Connection::X11Connection(xcb_connection_t* connection, _XDisplay* display, bool owned,
                             int screen)
    : m_connection(connection), m_display(display), m_owned(owned) {
  xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; roots.rem && i < screen; ++i) xcb_screen_next(&roots);
  if (roots.rem) m_defaultRoot = roots.data->root;

  const auto intern = [&](std::string_view name) {
    return xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
  };
  const xcb_intern_atom_cookie_t cookies[] = {intern("_NET_WM_NAME"), intern("UTF8_STRING"),
                                              intern("WM_STATE"), intern("COMPOUND_TEXT")};
  netWmName = internAtom(connection, cookies[0]);
  utf8String = internAtom(connection, cookies[1]);
  wmState = internAtom(connection, cookies[2]);
  compoundText = internAtom(connection, cookies[3]);
}

X11Connection::~X11Connection() {
  if (m_owned) xcb_disconnect(m_connection);
}

bool X11Connection::windowExists(X11WindowId window) const {
  if (window == 0) return false;
  return replyOf<xcb_get_window_attributes_reply_t>(
             m_connection, xcb_get_window_attributes_reply,
             xcb_get_window_attributes(m_connection, static_cast<xcb_window_t>(window))) != nullptr;
}

}  // namespace tumbleview
