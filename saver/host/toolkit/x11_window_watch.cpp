#include "x11_window_watch.h"

#include <QCoreApplication>

#include <xcb/xcb.h>

#include "x11_replies.h"

namespace tumbleview {

X11WindowWatch* X11WindowWatch::watch(X11WindowId window, QObject* parent) {
  X11Connection* connection = X11Connection::shared();
  if (window == 0 || !connection) return nullptr;
  xcb_connection_t* c = connection->get();
  const auto xid = static_cast<xcb_window_t>(window);
  const auto attributes = replyOf<xcb_get_window_attributes_reply_t>(
      c, xcb_get_window_attributes_reply, xcb_get_window_attributes(c, xid));
  if (!attributes) return nullptr;
  // Event masks are per client: add to what this connection already asked
  // of the window (Qt may have asked for some), never replace it.
  const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  // Fails when the window vanished since the question above.
  if (!succeeded(c, xcb_change_window_attributes_checked(c, xid, XCB_CW_EVENT_MASK, &mask))) {
    return nullptr;
  }
  return new X11WindowWatch(window, parent);
}

X11WindowWatch::X11WindowWatch(X11WindowId window, QObject* parent)
    : QObject(parent), m_window(window) {
  QCoreApplication::instance()->installNativeEventFilter(this);
}

X11WindowWatch::~X11WindowWatch() {
  if (QCoreApplication* application = QCoreApplication::instance()) {
    application->removeNativeEventFilter(this);
  }
}

bool X11WindowWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (m_destroyed || eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & ~0x80) != XCB_DESTROY_NOTIFY) return false;
  if (reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window != m_window) return false;
  m_destroyed = true;
  // Not from inside Qt's event handling: receivers may delete windows.
  QMetaObject::invokeMethod(this, &X11WindowWatch::windowDestroyed, Qt::QueuedConnection);
  // Qt has no window of that id; letting it see the event does no harm.
  return false;
}

}  // namespace tumbleview
